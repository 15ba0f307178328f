#include "KyvnTest.h"
#include "QsExceptions.h"
#include "QsShellUtils.h"

#include <QFile>

class TestShellUtils : public QObject {
    Q_OBJECT
    QStringList opened;

private slots:
    void init() {
        opened.clear();
        QsSetUrlOpener([this](const QUrl& url) {
            opened << url.toString();
            return true;
        });
    }
    void cleanupTestCase() { QsSetUrlOpener({}); }

    void webAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("url");
        QTest::newRow("bare") << "www.example.com"
                              << "http://www.example.com";
        QTest::newRow("http") << "http://example.com/a"
                              << "http://example.com/a";
        QTest::newRow("upper-case http") << "HTTP://example.com"
                                         << "HTTP://example.com";
        QTest::newRow("https stays secure") << "https://example.com/x"
                                            << "https://example.com/x";
        QTest::newRow("mixed-case https") << "HttpS://example.com"
                                          << "HttpS://example.com";
        QTest::newRow("ftp gets http") << "ftp.example.com"
                                       << "http://ftp.example.com";
    }
    void webAddresses() {
        QFETCH(QString, text);
        QFETCH(QString, url);
        OpenWebAddress(text);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(QUrl(opened.first()), QUrl(url, QUrl::TolerantMode));
        QCOMPARE(QUrl(opened.first()).scheme(), QUrl(url).scheme());
    }
    void emptyWebAddressOpensNothing() {
        OpenWebAddress(QString());
        QVERIFY(opened.isEmpty());
    }
    void mailAddresses() {
        OpenMailAddress("someone@example.com");
        OpenMailAddress("mailto:other@example.com");
        OpenMailAddress("MAILTO:third@example.com");
        QCOMPARE(opened,
                 QStringList({"mailto:someone@example.com", "mailto:other@example.com", "mailto:third@example.com"}));
    }

    void systemInfoWithoutAToolExplainsWhy() {
        const QByteArray savedPath = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", QFile::encodeName(empty.path()));
        try {
            RunSystemInfo();
            QFAIL("no tool, yet no failure");
        } catch (const EQsException& e) {
            QCOMPARE(e.Message, QString("Unable to run System Info at this time."));
            QCOMPARE(e.Details,
                     QString("The Operating System registry contains an empty path definition for System Info."));
            QCOMPARE(int(e.Kind), 1);
        }
        qputenv("PATH", savedPath);
    }
    void systemInfoStartsTheFirstToolFound() {
        const QByteArray savedPath = qgetenv("PATH");
        QTemporaryDir bin;
        const QString marker = bin.filePath("ran");
        const QString tool = bin.filePath(QsSystemInfoTools().at(2));
        QFile script(tool);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n/usr/bin/touch '" + QFile::encodeName(marker) + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin.path()));
        RunSystemInfo();
        qputenv("PATH", savedPath);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 60000); // a loaded machine may start the tool late
    }
    void systemInfoThatCannotStart() {
        const QByteArray savedPath = qgetenv("PATH");
        QTemporaryDir bin;
        // executable bit set, but no interpreter the system can run
        QFile script(bin.filePath(QsSystemInfoTools().first()));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/nonexistent/interpreter\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(bin.path()));
        bool raised = false;
        try {
            RunSystemInfo();
        } catch (const EQsException& e) {
            raised = true;
            QCOMPARE(e.Message, QString("Unable to run System Info at this time."));
            QCOMPARE(e.Details, QString("An error was raised by the Operating System while running System Info."));
        }
        qputenv("PATH", savedPath);
        QVERIFY(raised);
    }
};

KYVN_TEST_MAIN(TestShellUtils)
#include "tst_shellutils.moc"
