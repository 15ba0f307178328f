#include "KyvnTest.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"

#include <QDialog>
#include <QTextBrowser>

namespace {
QString shownPage() {
    QTextBrowser* browser = QsHelpBrowser();
    return browser ? QFileInfo(browser->source().toLocalFile()).fileName() : QString();
}
} // namespace

class TestHelp : public QObject {
    Q_OBJECT
    TQsApplication app_;

private slots:
    void initTestCase() {
        app_.Title = "Tessivo Keyvane";
        app_.HelpFile = QsLocateHelpFile(QCoreApplication::applicationFilePath());
    }

    // Runs first: no help window exists yet.
    void noHelpFileDoesNothing_data() {
        QTest::addColumn<QString>("helpFile");
        QTest::newRow("empty") << "";
        QTest::newRow("missing") << "/nonexistent/help/index.html";
        QTest::newRow("directory") << "/tmp";
    }
    void noHelpFileDoesNothing() {
        QFETCH(QString, helpFile);
        TQsApplication app = app_;
        app.HelpFile = helpFile;
        ShowHelp(&app, 500);
        ShowHelp(nullptr, 500);
        QDialog dialog;
        DialogKeyUp(Qt::Key_F1, &dialog, &app, 510);
        QVERIFY(QsHelpWindow() == nullptr);
    }

    void buildTreeFindsTheSourcePages() {
        QVERIFY(!app_.HelpFile.isEmpty());
        QVERIFY(QFileInfo(app_.HelpFile).isFile());
        QCOMPARE(QFileInfo(app_.HelpFile).fileName(), QString("index.html"));
    }

    void installedPagesBesideThePrefix() {
        QTemporaryDir prefix;
        QVERIFY(QDir(prefix.path()).mkpath("bin"));
        const QString exe = prefix.filePath("bin/keyvane");
        QCOMPARE(QsLocateHelpFile(exe), QString()); // outside the build tree, nothing installed
        QVERIFY(QDir(prefix.path()).mkpath("share/keyvane/help"));
        QFile index(prefix.filePath("share/keyvane/help/index.html"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.close();
        QCOMPARE(QsLocateHelpFile(exe), prefix.filePath("share/keyvane/help/index.html"));
    }

    void everyContextHasItsPage_data() {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("page");
        QTest::newRow("contents") << 0 << "index.html";
        QTest::newRow("preferences") << 500 << "options.html";
        QTest::newRow("export") << 510 << "export.html";
        QTest::newRow("merge") << 520 << "merge.html";
        QTest::newRow("account") << 530 << "account.html";
        QTest::newRow("support") << 60000 << "support.html";
        QTest::newRow("unknown") << 777 << "index.html";
    }
    void everyContextHasItsPage() {
        QFETCH(int, context);
        QFETCH(QString, page);
        QCOMPARE(QsHelpPage(context), page);
        QVERIFY2(QFileInfo(QFileInfo(app_.HelpFile).dir().filePath(page)).isFile(), qPrintable(page));
        ShowHelp(&app_, context);
        QCOMPARE(shownPage(), page);
        QVERIFY(QsHelpWindow()->isVisible());
        QCOMPARE(QsHelpWindow()->windowTitle(), QString("Tessivo Keyvane Help"));
        // The page has real text, not an empty document.
        QVERIFY(QsHelpBrowser()->toPlainText().size() > 200);
    }

    void oneWindowIsReused() {
        ShowHelp(&app_, 0);
        QWidget* first = QsHelpWindow();
        ShowHelp(&app_, 520);
        QCOMPARE(QsHelpWindow(), first);
        QCOMPARE(shownPage(), QString("merge.html"));
        first->close();
        ShowHelp(&app_, 530); // a closed window comes back
        QCOMPARE(QsHelpWindow(), first);
        QVERIFY(first->isVisible());
        first->grab().save(QDir::temp().filePath("keyvane-help.png"));
    }

    void dialogKeys() {
        QDialog dialog;
        dialog.show();
        DialogKeyUp(Qt::Key_F1, &dialog, &app_, 510);
        QCOMPARE(shownPage(), QString("export.html"));
        QVERIFY(dialog.isVisible());
        DialogKeyUp(Qt::Key_F1, &dialog, &app_, 0); // no context of its own: the contents
        QCOMPARE(shownPage(), QString("index.html"));
        DialogKeyUp(Qt::Key_A, &dialog, &app_, 510);
        QVERIFY(dialog.isVisible());
        QCOMPARE(shownPage(), QString("index.html"));
        DialogKeyUp(Qt::Key_Escape, &dialog, &app_, 510);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
};

KYVN_TEST_MAIN(TestHelp)
#include "tst_help.moc"
