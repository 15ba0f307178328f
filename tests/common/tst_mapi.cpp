// The mail hand-over with a stand-in xdg-email on PATH: the arguments it receives, the three outcomes
// and that the caller is never kept waiting for the mail program.
#include "KyvnTest.h"

#include "QsMapi.h"

#include <memory>

class TestMapi : public QObject {
    Q_OBJECT
    QTemporaryDir bin;
    QByteArray savedPath;
    QString outcome;

    // A stand-in that records its arguments one a line, waits for the file "go" when asked to, and
    // ends with the given code.
    void standIn(int exitCode, bool wait = false) {
        const QString script =
            QStringLiteral("#!/bin/sh\n"
                           "%3"
                           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '%1/args.part'\n"
                           "mv '%1/args.part' '%1/args.txt'\n"
                           "exit %2\n")
                .arg(bin.path())
                .arg(exitCode)
                .arg(wait ? QStringLiteral("while [ ! -e '%1/go' ]; do sleep 0.02; done\n").arg(bin.path())
                          : QString());
        const QString tool = bin.filePath(QStringLiteral("xdg-email"));
        KyvnTest::writeAll(tool, script.toUtf8());
        QFile::setPermissions(tool, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (const char* name : {"args.txt", "go"})
            QFile::remove(bin.filePath(QLatin1String(name)));
    }
    QStringList recorded() const {
        const QString text = QString::fromUtf8(KyvnTest::readAll(bin.filePath(QStringLiteral("args.txt"))));
        return text.split(u'\n', Qt::SkipEmptyParts);
    }
    void watch(TQsMapi& mail) {
        mail.OnSuccess = [this](QObject*) { outcome = QStringLiteral("sent"); };
        mail.OnUserAbort = [this](QObject*) { outcome = QStringLiteral("abort"); };
        mail.OnMapiError = [this](QObject*, int code) { outcome = QStringLiteral("error %1").arg(code); };
    }

private slots:
    void initTestCase() {
        savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ':' + savedPath);
    }
    void cleanupTestCase() { qputenv("PATH", savedPath); }
    void init() { outcome.clear(); }

    void recipientsInClassOrderThenSubjectBodyAndAttachments() {
        standIn(0);
        TQsMapi mail;
        QVERIFY(!mail.ShowDialog);
        QVERIFY(!mail.UseAppHandle);
        watch(mail);
        mail.Recipients = QStringList{"a@x.example", "b@x.example"};
        mail.CopyTo = QStringList{"c@x.example"};
        mail.BlindCopyTo = QStringList{"d@x.example"};
        mail.Subject = QStringLiteral("Grüße & more");
        mail.Body = QStringLiteral("line 1");
        mail.AttachedFiles = QStringList{"/data/list.txt", "/tmp/b c.kvf"};
        mail.Send();
        QCOMPARE(mail.DisplayFileName, (QStringList{"list.txt", "b c.kvf"}));
        QTRY_COMPARE(outcome, QStringLiteral("sent"));
        QCOMPARE(recorded(), (QStringList{"--utf8", "--to", "a@x.example", "--to", "b@x.example", "--cc", "c@x.example",
                                          "--bcc", "d@x.example", "--subject", "Grüße & more", "--body", "line 1",
                                          "--attach", "/data/list.txt", "--attach", "/tmp/b c.kvf"}));
    }

    void noRecipientsLeavesThemToTheComposeWindow() {
        TQsMapi mail;
        mail.Subject = QStringLiteral("s");
        QCOMPARE(mail.Arguments(), (QStringList{"--utf8", "--subject", "s", "--body", ""}));
        QVERIFY(mail.DisplayFileName.isEmpty());
    }

    void outcomesByExitCode_data() {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("sent") << 0 << "sent";
        QTest::newRow("refused arguments") << 1 << "abort";
        QTest::newRow("no mail program") << 3 << "abort";
        QTest::newRow("file missing") << 2 << "error 2";
        QTest::newRow("no permission") << 5 << "error 5";
    }
    void outcomesByExitCode() {
        QFETCH(int, exitCode);
        QFETCH(QString, expected);
        standIn(exitCode);
        TQsMapi mail;
        watch(mail);
        mail.Send();
        QTRY_COMPARE(outcome, expected);
    }

    void aMissingMailToolIsAnAbort() {
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        TQsMapi mail;
        watch(mail);
        mail.Send();
        qputenv("PATH", path);
        QCOMPARE(outcome, QStringLiteral("abort"));
    }

    void eventsWithoutHandlersDoNothing() {
        standIn(5);
        TQsMapi mail;
        mail.Send();
        QTRY_VERIFY(QFile::exists(bin.filePath(QStringLiteral("args.txt"))));
    }

    void theCallerIsNotKeptWaiting() {
        standIn(0, true);
        TQsMapi mail;
        watch(mail);
        mail.Send(); // returns while the mail program still runs
        QVERIFY(outcome.isEmpty());
        KyvnTest::writeAll(bin.filePath(QStringLiteral("go")), "1");
        QTRY_COMPARE(outcome, QStringLiteral("sent"));
    }

    void freeingTheComponentLeavesTheMailProgramRunning() {
        standIn(0, true);
        auto mail = std::make_unique<TQsMapi>();
        watch(*mail);
        mail->Recipients = QStringList{"s@x.example"};
        mail->Send();
        mail.reset();
        KyvnTest::writeAll(bin.filePath(QStringLiteral("go")), "1");
        QTRY_VERIFY(QFile::exists(bin.filePath(QStringLiteral("args.txt"))));
        QCOMPARE(recorded().mid(0, 3), (QStringList{"--utf8", "--to", "s@x.example"}));
        QVERIFY(outcome.isEmpty());
    }
};

KYVN_TEST_CORE_MAIN(TestMapi)
#include "tst_mapi.moc"
