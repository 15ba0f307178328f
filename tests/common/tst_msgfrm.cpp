#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsMsgDetailsFrm.h"
#include "QsMsgFrm.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

QStringList visibleCaptions(const TQsMessage& box) {
    QStringList captions;
    for (QPushButton* b : box.cmdBtn)
        if (!b->isHidden())
            captions << b->text();
    return captions;
}

// Runs the real box and does `act` on it once its event loop runs.
quint8 runMessage(quint8 buttons, qint16 defaultButton, const std::function<void(TQsMessage*)>& act,
                  quint8 language = 1) {
    QsAnswers::PushHandler("QsMessage", [act](QObject* dlg) {
        auto* box = qobject_cast<TQsMessage*>(dlg);
        QTimer::singleShot(0, box, [box, act] { act(box); });
        QTimer::singleShot(5000, box, &QDialog::reject); // never hang the test on a box left open
        return QVariant();                               // let the real box run
    });
    return QsMessage("Question?", "Caption", 3, buttons, defaultButton, language, QString());
}

using KyvnTest::shoot;

// Messages longer than the folded box's few lines: a real one, a very long one, and one of many short lines.
std::vector<std::pair<QString, QString>> longMessages() {
    return {
        {"kept", "'Shared.kvf' was changed elsewhere (on another computer, or by keyvane-cli) since it was last read "
                 "or written here. That version was kept as 'Shared (changed elsewhere 2026-12-10 110000).kvf'; "
                 "File > Merge... brings its accounts into this file."},
        {"huge", QString("A long line of text that wraps. ").repeated(120) + "The last line."},
        {"lines", QString("line\n").repeated(40) + "The last line."},
    };
}

} // namespace

class TestMsgFrm : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        QsAnswers::Clear();
        QsAnswers::SetRecording(false);
    }

    void buttonSets_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<int>("closeResult");
        QTest::newRow("0 OK") << 0 << 1 << QStringList{"&OK"} << QList<int>{0} << 0;
        QTest::newRow("1 Yes No") << 1 << 1 << QStringList{"&Yes", "&No"} << QList<int>{1, 3} << 3;
        QTest::newRow("2 Yes No Cancel") << 2 << 1 << QStringList{"&Yes", "&No", "&Cancel"} << QList<int>{1, 3, 5} << 5;
        QTest::newRow("3 with All") << 3 << 1 << QStringList{"&Yes", "&No", "&Cancel", "&All"} << QList<int>{1, 3, 5, 6}
                                    << 5;
        QTest::newRow("4 with to All") << 4 << 1 << QStringList{"&Yes", "Y&es to All", "&No", "No &to All", "&Cancel"}
                                       << QList<int>{1, 2, 3, 4, 5} << 5;
        QTest::newRow("pt 0") << 0 << 0 << QStringList{"&OK"} << QList<int>{0} << 0;
        QTest::newRow("pt 1") << 1 << 0 << QStringList{"&Sim", "&Não"} << QList<int>{1, 3} << 3;
        QTest::newRow("pt 3") << 3 << 0 << QStringList{"&Sim", "&Não", "&Cancelar", "&Todos"} << QList<int>{1, 3, 5, 6}
                              << 5;
        QTest::newRow("pt 4") << 4 << 0 << QStringList{"&Sim", "S&im a Todos", "&Não", "Não &a Todos", "&Cancelar"}
                              << QList<int>{1, 2, 3, 4, 5} << 5;
    }
    void buttonSets() {
        QFETCH(int, set);
        QFETCH(int, language);
        QFETCH(QStringList, captions);
        QFETCH(QList<int>, results);
        QFETCH(int, closeResult);
        {
            TQsMessage box;
            box.Setup("Text", "Caption", 3, quint8(set), 1, quint8(language), QString());
            box.show();
            QCOMPARE(visibleCaptions(box), captions);
            // One row of equal buttons, in order from the left
            for (int i = 1; i < captions.size(); ++i) {
                QCOMPARE(box.cmdBtn[i]->size(), box.cmdBtn[0]->size());
                QVERIFY(box.cmdBtn[i]->x() > box.cmdBtn[i - 1]->x());
            }
            QCOMPARE(int(box.Result()), closeResult); // nothing pressed yet
        }
        for (int pos = 0; pos < results.size(); ++pos) {
            TQsMessage box;
            box.Setup("Text", "Caption", 3, quint8(set), 1, quint8(language), QString());
            box.cmdBtn[pos]->click();
            QCOMPARE(box.ButtonPressed, pos + 1);
            QCOMPARE(int(box.Result()), results[pos]);
        }
    }

    void closedWithoutButton_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<bool>("closeBox"); // the window's close box instead of Esc
        QTest::addColumn<int>("expected");
        QTest::newRow("set 0 Esc") << 0 << false << 0;
        QTest::newRow("set 1 Esc") << 1 << false << 3;
        QTest::newRow("set 2 Esc") << 2 << false << 5;
        QTest::newRow("set 3 Esc") << 3 << false << 5;
        QTest::newRow("set 4 Esc") << 4 << false << 5;
        QTest::newRow("set 1 close box") << 1 << true << 3;
        QTest::newRow("set 4 close box") << 4 << true << 5;
    }
    void closedWithoutButton() {
        QFETCH(int, set);
        QFETCH(bool, closeBox);
        QFETCH(int, expected);
        const quint8 result = runMessage(quint8(set), 1, [closeBox](TQsMessage* box) {
            if (closeBox) {
                box->close();
                return;
            }
            // A press alone does nothing: the box closes when Esc is released.
            QTest::keyPress(box->focusWidget(), Qt::Key_Escape);
            if (!box->isVisible())
                return; // closed too early: the result below is then wrong only by chance
            QTest::keyRelease(box->focusWidget(), Qt::Key_Escape);
        });
        QCOMPARE(int(result), expected);
    }

    void escClosesOnReleaseOnly() {
        TQsMessage box;
        box.Setup("Text", "", 3, 1, 1, 1, QString());
        box.show();
        QTest::keyPress(box.cmdBtn[0], Qt::Key_Escape);
        QVERIFY(box.isVisible());
        QTest::keyRelease(box.cmdBtn[0], Qt::Key_Escape);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Rejected));
    }

    void defaultButtonTakesFocus_data() {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("defaultButton");
        QTest::addColumn<int>("focused");
        QTest::addColumn<int>("enterResult");
        QTest::newRow("set 1 default 2: Enter answers No") << 1 << 2 << 2 << 3;
        QTest::newRow("set 1 default 0") << 1 << 0 << 1 << 1;
        QTest::newRow("set 1 default 6") << 1 << 6 << 1 << 1;
        QTest::newRow("set 1 default -1") << 1 << -1 << 1 << 1;
        QTest::newRow("set 2 default 3") << 2 << 3 << 3 << 5;
        QTest::newRow("set 4 default 5 of 5") << 4 << 5 << 5 << 5;
        QTest::newRow("set 3 default 5 of 4") << 3 << 5 << 1 << 1;
        QTest::newRow("set 0 default 1") << 0 << 1 << 1 << 0;
    }
    void defaultButtonTakesFocus() {
        QFETCH(int, set);
        QFETCH(int, defaultButton);
        QFETCH(int, focused);
        QFETCH(int, enterResult);
        int seen = 0;
        const quint8 result = runMessage(quint8(set), qint16(defaultButton), [&seen](TQsMessage* box) {
            for (int i = 0; i < 5; ++i)
                if (box->focusWidget() == box->cmdBtn[i])
                    seen = i + 1;
            QTest::keyClick(box->focusWidget(), Qt::Key_Return);
        });
        QCOMPARE(seen, focused);
        QCOMPARE(int(result), enterResult);
    }

    void tabWalksRightFromDefaultAndWraps() {
        QList<int> walk;
        runMessage(4, 4, [&walk](TQsMessage* box) {
            for (int step = 0; step < 6; ++step) {
                for (int i = 0; i < 5; ++i)
                    if (box->focusWidget() == box->cmdBtn[i])
                        walk << i + 1;
                QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
            }
            box->reject();
        });
        QCOMPARE(walk, (QList<int>{4, 5, 1, 2, 3, 4}));
        // Set 1 leaves three buttons hidden: Tab only walks the visible two.
        walk.clear();
        runMessage(1, 2, [&walk](TQsMessage* box) {
            for (int step = 0; step < 3; ++step) {
                for (int i = 0; i < 5; ++i)
                    if (box->focusWidget() == box->cmdBtn[i])
                        walk << i + 1;
                QTest::keyClick(box->focusWidget(), Qt::Key_Tab);
            }
            box->reject();
        });
        QCOMPARE(walk, (QList<int>{2, 1, 2}));
    }

    void acceleratorPressesItsButton() {
        const quint8 result = runMessage(
            4, 1,
            [](TQsMessage* box) {
                QVERIFY(QTest::qWaitForWindowActive(box));
                QTest::keyClick(box->focusWidget(), Qt::Key_T, Qt::AltModifier);
            },
            1);
        QCOMPARE(int(result), 4); // "No &to All"
    }

    void argumentErrors_data() {
        QTest::addColumn<bool>("details");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message");
        QTest::newRow("language 2") << false << 3 << 1 << 2 << "Invalid language id. in call to QsMessage.";
        QTest::newRow("type 4") << false << 4 << 1 << 1 << "Invalid message type in call to QsMessage.";
        QTest::newRow("set 5") << false << 3 << 5 << 0 << "Invalid button definition in call to QsMessage.";
        QTest::newRow("language first") << false << 9 << 9 << 255 << "Invalid language id. in call to QsMessage.";
        QTest::newRow("details language 2")
            << true << 0 << 0 << 2 << "Invalid language id. in call to QsMessageDetails.";
        QTest::newRow("details type 3") << true << 3 << 0 << 1 << "Invalid message type in call to QsMessageDetails.";
    }
    void argumentErrors() {
        QFETCH(bool, details);
        QFETCH(int, type);
        QFETCH(int, buttons);
        QFETCH(int, language);
        QFETCH(QString, message);
        QsAnswers::SetRecording(true);
        QString caught;
        try {
            if (details)
                QsMessageDetails("Text", "Details", "", quint8(type), quint8(language), QString());
            else
                QsMessage("Text", "", quint8(type), quint8(buttons), 1, quint8(language), QString());
        } catch (const EQsException&) {
            QFAIL("an argument error is a programming error, not the program's own exception");
        } catch (const std::exception& e) {
            caught = QString::fromUtf8(e.what());
        }
        QCOMPARE(caught, message);
        QVERIFY(QsAnswers::Log().isEmpty()); // nothing was shown
    }

    void captionAndFont() {
        TQsApplication app;
        app.Title = "Keyvane Title";
        AppInfo = &app;
        {
            TQsMessage box;
            box.Setup("Text", "", 2, 0, 1, 1, "No Such Face 123");
            QCOMPARE(box.windowTitle(), QString("Keyvane Title"));
            QCOMPARE(box.font().family(), QString("Tahoma"));
            QCOMPARE(box.font().pointSize(), 8);
            TQsMessageDetails details;
            details.Setup("Text", "", "", 2, 1, "No Such Face 123");
            QCOMPARE(details.windowTitle(), QString("Keyvane Title"));
            QCOMPARE(details.font().family(), QString("Tahoma"));
        }
        const QString installed = QFontDatabase::families().value(0);
        if (!installed.isEmpty()) {
            TQsMessage box;
            box.Setup("Text", "Own caption", 2, 0, 1, 1, installed);
            QCOMPARE(box.windowTitle(), QString("Own caption"));
            QCOMPARE(box.font().family(), installed);
            QCOMPARE(box.font().pointSize(), 8);
        }
        AppInfo = nullptr;
    }

    void pictureByType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("picture");
        QTest::newRow("error") << 0 << "imgError";
        QTest::newRow("warning") << 1 << "imgWarning";
        QTest::newRow("information") << 2 << "imgInformation";
        QTest::newRow("question") << 3 << "imgQuestion";
    }
    void pictureByType() {
        QFETCH(int, type);
        QFETCH(QString, picture);
        TQsMessage box;
        box.Setup("A message", "", 0, 0, 1, 1, QString());
        box.Setup("A message", "", quint8(type), 0, 1, 1, QString()); // set up twice: one picture only
        QStringList shown;
        for (QLabel* img : {box.imgQuestion, box.imgWarning, box.imgError, box.imgInformation})
            if (!img->isHidden())
                shown << img->objectName();
        QCOMPARE(shown, QStringList{picture});
    }

    void longTextDoesNotGrowTheBox() {
        TQsMessage small;
        small.Setup("Short.", "", 3, 1, 1, 1, QString());
        TQsMessage large;
        large.Setup(QString("A long line of text that wraps. ").repeated(60), "", 3, 1, 1, 1, QString());
        QCOMPARE(large.size(), small.size());
        large.show();
        QVERIFY(large.lblMessage->geometry().bottom() < large.pBottom->geometry().top());
        QCOMPARE(large.lblMessage->text(), QString("A long line of text that wraps. ").repeated(60)); // text unchanged
    }

    void queuedAnswerIsReturnedAndRecorded() {
        QsAnswers::Push("QsMessage", QsAnswerNoToAll);
        QCOMPARE(int(QsMessage("Delete Account 'x'?", "", 3, 4, 1, 1, QString())), 4);
        QCOMPARE(QsAnswers::Log(), QStringList{"QsMessage: Delete Account 'x'?"});
        QsAnswers::Push("QsMessage", QsAnswerOK);
        QCOMPARE(int(QsAppMessage("Cannot find 'x'.", 2, 0)), 0);
    }

    void convertLineBreaks_data() {
        QTest::addColumn<QString>("in");
        QTest::addColumn<QString>("out");
        QTest::newRow("lone LF") << "a\nb"
                                 << "a\r\nb";
        QTest::newRow("CR LF kept") << "a\r\nb"
                                    << "a\r\nb";
        QTest::newRow("final LF dropped") << "a\n"
                                          << "a";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("LF first") << "\na"
                                  << "\r\na";
        QTest::newRow("only LF") << "\n"
                                 << "";
        QTest::newRow("two LF") << "a\n\nb"
                                << "a\r\n\r\nb";
        QTest::newRow("final CR LF") << "a\r\n"
                                     << "a\r";
        QTest::newRow("lone CR kept") << "a\rb"
                                      << "a\rb";
    }
    void convertLineBreaks() {
        QFETCH(QString, in);
        QFETCH(QString, out);
        QCOMPARE(ConvertLineBreaks(in), out);
    }

    void detailsFoldAndUnfold_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("show");
        QTest::addColumn<QString>("hide");
        QTest::newRow("English") << 1 << "&Details >>"
                                 << "&Details <<";
        QTest::newRow("Portuguese") << 0 << "&Detalhes >>"
                                    << "&Detalhes <<";
    }
    void detailsFoldAndUnfold() {
        QFETCH(int, language);
        QFETCH(QString, show);
        QFETCH(QString, hide);
        TQsMessageDetails box;
        box.Setup("Error saving file 'a.kvf'.", "I/O error 28: No space left on device", "", 1, quint8(language),
                  QString());
        box.show();
        QCOMPARE(box.height(), 102);
        QVERIFY(box.cmdDetails->isVisible());
        QCOMPARE(box.cmdDetails->text(), show);
        QCOMPARE(box.cmdOK->text(), QString("&OK"));
        QVERIFY(box.cmdOK->isDefault());
        QVERIFY(!box.imgWarning->isHidden());
        QVERIFY(box.imgCritical->isHidden() && box.imgInformation->isHidden());
        // While folded the details lie below the window's edge
        QVERIFY(!box.txtErrorDetails->isVisible() || box.txtErrorDetails->y() >= box.height());
        box.cmdDetails->click();
        QCOMPARE(box.height(), 212);
        QCOMPARE(box.cmdDetails->text(), hide);
        QVERIFY(box.txtErrorDetails->isVisible());
        QVERIFY(box.txtErrorDetails->geometry().bottom() < 212);
        QCOMPARE(box.txtErrorDetails->toPlainText(), QString("I/O error 28: No space left on device"));
        QVERIFY(box.txtErrorDetails->isReadOnly());
        box.cmdDetails->click();
        QCOMPARE(box.height(), 102);
        QCOMPARE(box.cmdDetails->text(), show);
        QTest::keyClick(box.cmdOK, Qt::Key_Escape);
        QVERIFY(!box.isVisible());
    }

    void enterPressesTheFocusedButtonOfTheDetailsBox() {
        TQsMessageDetails box;
        box.Setup("Error loading file 'a.kvf'.", "This is not a valid passwords file.", "", 1, 1, QString());
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QCOMPARE(QApplication::focusWidget(), box.cmdOK);
        box.cmdDetails->setFocus();
        QTest::keyClick(box.cmdDetails, Qt::Key_Return);
        QVERIFY(box.isVisible());
        QCOMPARE(box.height(), 212);
        box.cmdOK->setFocus();
        QTest::keyClick(box.cmdOK, Qt::Key_Return);
        QVERIFY(!box.isVisible());
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    // The box grows to show a long message whole, up to a height that keeps it on the screen; beyond that
    // the message scrolls, and the scroll reaches its last line. Either way nothing is cut off.
    void everyLineOfALongMessageShows_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("scrolls");
        for (const auto& [name, text] : longMessages())
            QTest::newRow(qPrintable(name)) << text << (name != "kept");
        QTest::newRow("ten lines") << QString("A long line of text that wraps. ").repeated(10) + "The last line."
                                   << false;
    }
    void everyLineOfALongMessageShows() {
        QFETCH(QString, text);
        QFETCH(bool, scrolls);
        TQsMessageDetails box;
        box.Setup(text, "Some details.", "", 1, 1, QString());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QLabel* label = box.lblErrorMsg;
        QWidget* view = box.scrErrorMsg->viewport();
        QScrollBar* bar = box.scrErrorMsg->verticalScrollBar();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const bool unfolded : {false, true}) {
            if (unfolded)
                box.cmdDetails->click();
            QCOMPARE(box.height(), unfolded ? box.UnfoldedHeightNow() : box.FoldedHeightNow());
            QVERIFY(box.UnfoldedHeightNow() + 40 <= screen.height());
            QCOMPARE(label->width(), view->width()); // wraps at what is shown: no line runs off to the right
            QVERIFY2(label->height() >= label->heightForWidth(label->width()),
                     qPrintable(QString("%1 < %2").arg(label->height()).arg(label->heightForWidth(label->width()))));
            const QRect area(box.scrErrorMsg->mapTo(&box, QPoint()), box.scrErrorMsg->size());
            QVERIFY(box.rect().contains(area));
            QVERIFY(area.bottom() < box.FoldedHeightNow());             // above the details pane
            QCOMPARE(bar->maximum(), label->height() - view->height()); // the scroll reaches the last line
            QCOMPARE(bar->isVisible(), scrolls);
            QCOMPARE(box.scrErrorMsg->focusPolicy() != Qt::NoFocus, scrolls);
            if (!scrolls)
                QVERIFY(label->height() <= view->height());
        }
        const int room = TQsMessageDetails::FoldedHeight - 22; // the message's height in the box of old
        if (label->heightForWidth(label->width()) > room)
            QVERIFY(box.FoldedHeightNow() > TQsMessageDetails::FoldedHeight);
        QVERIFY(box.FoldedHeightNow() - TQsMessageDetails::FoldedHeight <= TQsMessageDetails::MaxMessageHeight);
        if (scrolls) {
            // keys scroll a message too long for the box
            box.scrErrorMsg->setFocus();
            for (int page = 0; page < 100 && bar->value() < bar->maximum(); ++page)
                QTest::keyClick(box.scrErrorMsg, Qt::Key_PageDown);
            QCOMPARE(bar->value(), bar->maximum());
        }
        shoot(&box, "details_long_check");
    }

    void aShortMessageKeepsTheTwoHeights() {
        TQsMessageDetails box;
        box.Setup("Wrong password.", "x", "", 1, 1, QString());
        QCOMPARE(box.FoldedHeightNow(), 102);
        QCOMPARE(box.UnfoldedHeightNow(), 212);
        // set up again with a long message and back: the box follows the message of each call
        box.Setup(QString("A long line of text that wraps. ").repeated(20), "x", "", 1, 1, QString());
        QVERIFY(box.height() > 102);
        box.Setup("Wrong password.", "x", "", 1, 1, QString());
        QCOMPARE(box.height(), 102);
    }

    void detailsButtonOnlyWithDetails() {
        TQsMessageDetails box;
        box.Setup("Wrong password.", "", "", 1, 1, QString());
        box.show();
        QVERIFY(!box.cmdDetails->isVisible());
        QVERIFY(box.cmdOK->isVisible());
        QCOMPARE(box.height(), 102);
    }

    void detailsTextsShowLineBreaks() {
        TQsMessageDetails box;
        box.Setup("first\nsecond\n", "one\r\ntwo\nthree", "", 0, 1, QString());
        QCOMPARE(box.lblErrorMsg->text(), QString("first\nsecond"));
        QCOMPARE(box.txtErrorDetails->toPlainText(), QString("one\ntwo\nthree"));
    }

    void detailsBoxRunsAndRecords() {
        QsAnswers::PushHandler("QsMessageDetails", [](QObject* dlg) {
            auto* box = qobject_cast<TQsMessageDetails*>(dlg);
            QTimer::singleShot(0, box, [box] { QTest::keyClick(box->cmdOK, Qt::Key_Return); });
            return QVariant();
        });
        QsMessageDetails("Error loading file 'a.kvf'.", "This is not a valid passwords file.", "", 1, 1, QString());
        QCOMPARE(QsAnswers::Log(),
                 QStringList{"QsMessageDetails: Error loading file 'a.kvf'.\nThis is not a valid passwords file."});
    }

    void screenshots() {
        if (qEnvironmentVariableIsEmpty("KEYVANE_SHOTS"))
            QSKIP("set KEYVANE_SHOTS to a folder to get pictures of the boxes");
        const QString question =
            "There is already a password assigned to this account. Do you want to generate a new one?";
        struct Shot {
            const char* name;
            QString text;
            int type, set, def, lang;
        };
        const Shot shots[] = {
            {"msg_set0_warning", "Wrong password. File access denied.", 1, 0, 1, 1},
            {"msg_set1_question", question, 3, 1, 2, 1},
            {"msg_set2_error", "Delete Account 'Bank'?", 0, 2, 1, 1},
            {"msg_set3_info", "Cannot find 'mail'.", 2, 3, 1, 1},
            {"msg_set4_en", question, 3, 4, 1, 1},
            {"msg_set4_pt", question, 3, 4, 3, 0},
            {"msg_long", QString("A long line of text that wraps. ").repeated(30), 2, 1, 1, 1},
        };
        for (const Shot& s : shots) {
            TQsMessage box;
            box.Setup(s.text, "Keyvane", quint8(s.type), quint8(s.set), qint16(s.def), quint8(s.lang), "Tahoma");
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            shoot(&box, s.name);
        }
        for (int type = 0; type < 3; ++type) {
            TQsMessageDetails box;
            box.Setup(type == 1 ? "Error saving file '/home/user/Documents/passwords.kvf'." : "Wrong password.",
                      type == 1 ? "I/O error 28: No space left on device" : "", "Keyvane", quint8(type), 1, "Tahoma");
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            shoot(&box, QString("details_type%1_folded").arg(type));
            if (type == 1) {
                box.cmdDetails->click();
                QTest::qWait(20);
                shoot(&box, "details_type1_unfolded");
            }
        }
        for (const auto& [name, text] : longMessages()) {
            TQsMessageDetails box;
            box.Setup(text, "/home/user/Documents/Shared (changed elsewhere 2026-12-10 110000).kvf", "Keyvane", 2, 1,
                      "Tahoma");
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            shoot(&box, QString("details_long_%1_folded").arg(name));
            box.cmdDetails->click();
            QTest::qWait(20);
            shoot(&box, QString("details_long_%1_unfolded").arg(name));
        }
    }
};

KYVN_TEST_MAIN(TestMsgFrm)
#include "tst_msgfrm.moc"
