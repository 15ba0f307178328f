#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsErrorHandler.h"
#include "QsExceptions.h"
#include "QsMsgDetailsFrm.h"

#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <cstdio>
#include <stdexcept>

namespace {

struct SeenBox {
    QString text, details, caption;
    int type = -1;
    bool detailsButton = false;
};

// Answers the next details box, noting what it would have shown.
void answerBox(SeenBox& seen) {
    QsAnswers::PushHandler("QsMessageDetails", [&seen](QObject* dlg) {
        auto* box = qobject_cast<TQsMessageDetails*>(dlg);
        seen = {box->lblErrorMsg->text(), box->txtErrorDetails->toPlainText(), box->windowTitle(),
                int(box->MessageType), !box->cmdDetails->isHidden()};
        return QVariant(0);
    });
}

const char* const ChildVar = "KEYVANE_ERRORHANDLER_CHILD";

} // namespace

class TestErrorHandler : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        static TQsApplication app;
        app.Title = "Keyvane Test";
        AppInfo = &app;
    }
    void cleanup() { QsAnswers::Clear(); }

    void warningAndInformationShowTheBoxAndGoOn_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("details");
        QTest::newRow("validation") << 1 << "Wrong password."
                                    << "";
        QTest::newRow("wrapped failure") << 1 << "Error saving file '/tmp/a.kvf'."
                                         << "I/O error 28: No space left";
        QTest::newRow("notice") << 2 << "You cannot drag and drop folders."
                                << "";
        QTest::newRow("notice with details") << 2 << "There is already an account named 'Bank'."
                                             << "Please provide a different name for this account.";
    }
    void warningAndInformationShowTheBoxAndGoOn() {
        QFETCH(int, kind);
        QFETCH(QString, message);
        QFETCH(QString, details);
        SeenBox seen;
        answerBox(seen);
        const EQsException e(message, details, quint8(kind));
        QsShowException(&e); // returns: the program goes on
        QCOMPARE(QsAnswers::Pending(), 0);
        QCOMPARE(seen.text, message);
        QCOMPARE(seen.details, details);
        QCOMPARE(seen.type, kind);
        QCOMPARE(seen.caption, QString("Keyvane Test"));
        QCOMPARE(seen.detailsButton, !details.isEmpty());
    }

    void otherKindsShowNothing_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("3") << 3;
        QTest::newRow("255") << 255;
    }
    void otherKindsShowNothing() {
        QFETCH(int, kind);
        SeenBox seen;
        answerBox(seen);
        const EQsException e("Not shown", "", quint8(kind));
        QsShowException(&e);
        QCOMPARE(QsAnswers::Pending(), 1); // the box was never asked for
    }

    void guardReachesTheBox() {
        QsInstallErrorHandler();
        SeenBox seen;
        answerBox(seen);
        QVERIFY(!QsGuard([] { throw EQsException("The passwords you entered do not match.", {}, 1); }));
        QCOMPARE(seen.text, QString("The passwords you entered do not match."));
        QCOMPARE(seen.type, 1);
        QsSetExceptionHandler({});
    }

    void mainWindowIsBroughtToFront() {
        QMainWindow main;
        main.show();
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        other.hide();
        QsAnswers::Push("QsMessageDetails", 0);
        const EQsException e("Wrong password.", {}, 1);
        QsShowException(&e);
        QTRY_COMPARE(QApplication::activeWindow(), &main);
    }

    // Fatal errors end the process, so each runs in a child copy of this program.
    void fatalErrorsEndTheProcess_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("details");
        QTest::newRow("kind 0") << "kind0"
                                << "Disk gone."
                                << "I/O error 5";
        QTest::newRow("other exception") << "runtime"
                                         << "Unexpected error."
                                         << "access fault";
        QTest::newRow("argument error of a box") << "badbox"
                                                 << "Unexpected error."
                                                 << "Invalid language id. in call to QsMessage.";
        QTest::newRow("unknown exception") << "unknown"
                                           << "Unexpected error."
                                           << "";
    }
    void fatalErrorsEndTheProcess() {
        QFETCH(QString, fault);
        QFETCH(QString, text);
        QFETCH(QString, details);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(ChildVar, fault);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {"childRaises"});
        QVERIFY(child.waitForFinished(60000));
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        // Ended by a fault, not in order: whoever started the program must be able to tell.
        QCOMPARE(child.exitCode(), QsFatalErrorExit);
        QVERIFY(QsFatalErrorExit != 0);
        QVERIFY2(out.contains("BOX type=0 text=[" + text + "] details=[" + details + "]"), qPrintable(out));
        QVERIFY2(!out.contains("RETURNED"), qPrintable(out));
        QVERIFY2(!out.contains("Totals:"), qPrintable(out)); // ended at once, nothing ran after the box
    }

    // The child's half of fatalErrorsEndTheProcess.
    void childRaises() {
        const QString fault = qEnvironmentVariable(ChildVar);
        if (fault.isEmpty())
            QSKIP("runs only as the child of fatalErrorsEndTheProcess");
        QsInstallErrorHandler();
        QsAnswers::PushHandler("QsMessageDetails", [](QObject* dlg) {
            auto* box = qobject_cast<TQsMessageDetails*>(dlg);
            std::printf("BOX type=%d text=[%s] details=[%s]\n", int(box->MessageType),
                        qPrintable(box->lblErrorMsg->text()), qPrintable(box->txtErrorDetails->toPlainText()));
            return QVariant(0);
        });
        QsGuard([&fault] {
            if (fault == "kind0")
                throw EQsException("Disk gone.", "I/O error 5", 0);
            if (fault == "runtime")
                throw std::runtime_error("access fault");
            if (fault == "badbox")
                QsMessage("Text", "", 0, 0, 1, 2, QString());
            throw 42;
        });
        std::printf("RETURNED\n");
    }
};

KYVN_TEST_MAIN(TestErrorHandler)
#include "tst_errorhandler.moc"
