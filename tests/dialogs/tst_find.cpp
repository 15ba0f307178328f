// The find dialog on its own: enabling, the history, the scope, the keys and the form storage.
#include "KyvnTest.h"

#include "QsApp.h"
#include "QsHelpUtils.h"
#include "QsRegUtils.h"
#include "frmFind.h"
#include "uOptions.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
}

class TestFind : public QObject {
    Q_OBJECT
    QStringList searched;
    bool answer = false;

    std::unique_ptr<TFindDlg> makeDialog() {
        auto dlg = std::make_unique<TFindDlg>();
        dlg->OnSearch = [this](const QString& text) {
            searched << text;
            return answer;
        };
        return dlg;
    }
    void search(TFindDlg& dlg, const QString& text) {
        dlg.cbText->setEditText(text);
        QTest::mouseClick(dlg.cmdFind, Qt::LeftButton);
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = QStringLiteral("Tessivo Keyvane");
        AppInfo->ProductKey = kProductKey;
        Options = new TKYVNOptions;
    }
    void cleanupTestCase() {
        delete Options;
        Options = nullptr;
        delete AppInfo;
        AppInfo = nullptr;
    }
    void init() {
        searched.clear();
        answer = false;
        ResetFindState();
        Options->SaveWindow = false;
    }

    void findIsEnabledExactlyWhileThereIsText() {
        auto dlg = makeDialog();
        dlg->show();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("Find Text..."));
        QVERIFY(!dlg->cmdFind->isEnabled());
        QVERIFY(dlg->cmdFind->isDefault());
        QVERIFY(dlg->radList->isChecked());
        QTest::keyClicks(dlg->cbText, QStringLiteral("a"));
        QVERIFY(dlg->cmdFind->isEnabled());
        QTest::keyClick(dlg->cbText, Qt::Key_Backspace);
        QVERIFY(!dlg->cmdFind->isEnabled());
        QTest::mouseClick(dlg->cmdFind, Qt::LeftButton);
        QVERIFY(searched.isEmpty());
    }

    void historyIsSortedAndOneEntryPerTextWhateverItsCase() {
        auto dlg = makeDialog();
        dlg->show();
        for (const char* text : {"mail", "Bank", "MAIL", "zeta", "bank", "Alpha"})
            search(*dlg, QString::fromLatin1(text));
        QCOMPARE(searched, (QStringList{"mail", "Bank", "MAIL", "zeta", "bank", "Alpha"})); // searched as typed
        QCOMPARE(dlg->History(), (QStringList{"Alpha", "Bank", "mail", "zeta"}));
        QCOMPARE(dlg->cbText->currentText(), QStringLiteral("Alpha"));
    }

    void aFoundTextClosesTheDialogAndAMissDoesNot() {
        auto dlg = makeDialog();
        dlg->show();
        search(*dlg, QStringLiteral("x"));
        QVERIFY(dlg->isVisible());
        answer = true;
        search(*dlg, QStringLiteral("y"));
        QVERIFY(!dlg->isVisible());
        // Shown again, it is the same window with its text.
        dlg->show();
        QCOMPARE(dlg->cbText->currentText(), QStringLiteral("y"));
        QCOMPARE(dlg->History(), (QStringList{"x", "y"}));
    }

    void theRadioButtonsSetTheScopeAtOnce() {
        auto dlg = makeDialog();
        dlg->show();
        QTest::mouseClick(dlg->radAll, Qt::LeftButton);
        QVERIFY(FindAllFields);
        QTest::mouseClick(dlg->radList, Qt::LeftButton);
        QVERIFY(!FindAllFields);
        // Showing follows the scope as it is.
        dlg->hide();
        FindAllFields = true;
        dlg->show();
        QVERIFY(dlg->radAll->isChecked());
    }

    void f1OpensTheContentsAndEscapeCloses() {
        auto dlg = makeDialog();
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        // F1: the help's contents, for the dialog has no topic of its own.
        AppInfo->HelpFile = QStringLiteral(KEYVANE_SOURCE_DIR "/share/help/index.html");
        QTest::keyClick(dlg->cbText, Qt::Key_F1);
        AppInfo->HelpFile.clear();
        QVERIFY(QsHelpBrowser());
        QVERIFY(QsHelpBrowser()->source().toString().endsWith(QStringLiteral("/index.html")));
        QsHelpWindow()->close();
        dlg->activateWindow();
        QVERIFY(dlg->isVisible());
        QTest::keyClick(dlg->cbText, Qt::Key_Escape);
        QVERIFY(!dlg->isVisible());
        QVERIFY(searched.isEmpty());
    }

    void storageKeepsHistoryAndScopeWhenSaveWindowWasOn() {
        KyvnTest::TFreshStore store;
        Options->SaveWindow = true;
        {
            auto dlg = makeDialog();
            QVERIFY(dlg->StorageActive());
            dlg->show();
            search(*dlg, QStringLiteral("bank"));
            search(*dlg, QStringLiteral("Apple"));
            QTest::mouseClick(dlg->radAll, Qt::LeftButton);
            dlg->hide();
        }
        // The next run: the state starts afresh and the stored items come back when the dialog shows.
        ResetFindState();
        {
            auto dlg = makeDialog();
            dlg->show();
            QCOMPARE(dlg->History(), (QStringList{"Apple", "bank"}));
            QVERIFY(dlg->radAll->isChecked());
            QVERIFY(FindAllFields);
            QTest::mouseClick(dlg->radList, Qt::LeftButton);
        } // destroyed while shown: written all the same
        ResetFindState();
        FindAllFields = true;
        {
            auto dlg = makeDialog();
            dlg->show();
            QVERIFY(dlg->radList->isChecked());
            QVERIFY(!FindAllFields);
        }
        QCOMPARE(ReadRegInteger(TQsRegRoot::LocalMachine, kProductKey + "\\Storage\\Find", "FormVersion", -1), 0);
    }

    void storageIsLeftAloneWhenSaveWindowWasOff() {
        KyvnTest::TFreshStore store;
        {
            auto dlg = makeDialog();
            // Turning the preference on later does not change a dialog that exists.
            Options->SaveWindow = true;
            QVERIFY(!dlg->StorageActive());
            dlg->show();
            search(*dlg, QStringLiteral("bank"));
            QTest::mouseClick(dlg->radAll, Qt::LeftButton);
        }
        QVERIFY(!RegValueExists(TQsRegRoot::LocalMachine, kProductKey + "\\Storage\\Find", "radAll_Checked"));
        Options->SaveWindow = false;
        ResetFindState();
        auto dlg = makeDialog();
        dlg->show();
        QVERIFY(dlg->History().isEmpty());
        QVERIFY(dlg->radList->isChecked());
    }
};

KYVN_TEST_MAIN(TestFind)
#include "tst_find.moc"
