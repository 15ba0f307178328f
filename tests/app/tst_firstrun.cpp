// The window without a file: the empty list says what to do with links that run the menu's commands
// and reach the keyboard, and every file dialog starts in a folder that means something to the user.
#include "ExportFile.h"
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsDialogFolder.h"
#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "frmStartPage.h"
#include "uOptions.h"

#include <QCommandLinkButton>
#include <QFileDialog>
#include <QLabel>
#include <QTreeView>
#include <memory>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");

QStringList texts(const QList<QCommandLinkButton*>& links) {
    QStringList out;
    for (const QCommandLinkButton* l : links)
        out << l->text();
    return out;
}
} // namespace

class TestFirstRun : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors;

    QString makeFile(const QString& path, const QString& password) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        TKYVNFile f;
        f.FileName = path;
        f.Password = password;
        auto* a = new TKYVNAccount;
        a->AccountName = "Bank";
        f.AddAccount(a);
        f.Save(false);
        return path;
    }
    void showWindow() {
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }
    // The folder the next file dialog of this command starts in; the dialog is cancelled.
    QString startFolderOf(QAction* command, const QString& question) {
        QString seen;
        QsAnswers::PushHandler(question, [&seen](QObject* dlg) {
            seen = qobject_cast<QFileDialog*>(dlg)->directory().absolutePath();
            return QVariant(QString());
        });
        w->RunCommand(command);
        return seen;
    }

private slots:
    void initTestCase() {
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        AppInfo->RegistryRoot = TQsRegRoot::LocalMachine;
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        ListLayout = new TKYVNList;
        // A home and a working folder of their own, so that the two can be told apart.
        QDir(dir.path()).mkpath("home");
        QDir(dir.path()).mkpath("started here");
        qputenv("HOME", QFile::encodeName(dir.filePath("home")));
        QVERIFY(QDir::setCurrent(dir.filePath("started here")));
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        WriteRegValueNames(TQsRegRoot::LocalMachine, kProductKey + "\\Storage", "MRU", {});
        DeleteRegValue(TQsRegRoot::LocalMachine, kProductKey + "\\Storage", "LastFolder");
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?"));
        });
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    // Tab reaches every link; Enter, Space and a click run the command of the menu.
    void linksRunTheMenuCommands_data() {
        QTest::addColumn<int>("link");
        QTest::addColumn<int>("key");
        QTest::newRow("new by Enter") << 0 << int(Qt::Key_Return);
        QTest::newRow("new by Space") << 0 << int(Qt::Key_Space);
        QTest::newRow("open by Enter") << 1 << int(Qt::Key_Return);
        QTest::newRow("open by click") << 1 << 0;
        QTest::newRow("recent by Space") << 2 << int(Qt::Key_Space);
    }
    void linksRunTheMenuCommands() {
        QFETCH(int, link);
        QFETCH(int, key);
        const QString recent = makeFile(dir.filePath("recent/old.kvf"), "pw12");
        const QString other = makeFile(dir.filePath("other.kvf"), "pw12");
        w->AddRecentFile(recent);
        showWindow();
        TKYVNStartPage* page = w->StartPage;
        QVERIFY(page->isVisible());
        QCOMPARE(texts(page->Links()),
                 QStringList({"Create a new passwords file (Ctrl+N)", "Open a passwords file (Ctrl+O)", "old.kvf"}));
        QCOMPARE(page->Links().last()->description(), dir.filePath("recent"));
        KyvnTest::shoot(w.get(), "firstrun-startpage");

        // The keyboard comes to the list and lands on the first link, then walks them with Tab.
        w->lvAccounts->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), page->lnkNew);
        for (int i = 0; i < link; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page->Links().at(link));

        QString expected = link == 2 ? recent : other;
        if (link == 0) {
            expected = dir.filePath("made.kvf");
            QsAnswers::Push("SaveFile", expected);
            QsAnswers::Push("TPassEdit", QStringList({"secret1", "secret1"}));
        } else if (link == 1) {
            QsAnswers::Push("OpenFile", other);
            QsAnswers::Push("TPassEdit", "pw12");
        } else {
            QsAnswers::Push("TPassEdit", "pw12");
        }
        if (key)
            QTest::keyClick(page->Links().at(link), Qt::Key(key));
        else
            QTest::mouseClick(page->Links().at(link), Qt::LeftButton);
        QTRY_COMPARE(w->OpenFilePath, expected);
        QCOMPARE(errors, QStringList());
        QVERIFY(page->isHidden());
        QCOMPARE(QApplication::focusWidget(), w->lvAccounts);
    }

    // The recent links follow the recent files: a file that is gone is reported and its link goes; a
    // closed file comes back as the first link.
    void recentLinksFollowTheRecentFiles() {
        const QString a = makeFile(dir.filePath("a.kvf"), "pw12");
        const QString b = makeFile(dir.filePath("home/b.kvf"), "pw12");
        w->AddRecentFile(a);
        w->AddRecentFile(b);
        showWindow();
        QCOMPARE(texts(w->StartPage->Links()).mid(2), QStringList({"b.kvf", "a.kvf"}));
        QCOMPARE(w->StartPage->Links().at(2)->description(), QString("~"));
        QVERIFY(w->StartPage->lblRecent->isVisible());

        QFile::remove(a);
        QTest::mouseClick(w->StartPage->Links().at(3), Qt::LeftButton);
        QTRY_COMPARE(errors, QStringList{"1: File '" + a + "' not found."});
        QTRY_COMPARE(texts(w->StartPage->Links()).mid(2), QStringList({"b.kvf"}));

        QsAnswers::Push("TPassEdit", "pw12");
        QTest::mouseClick(w->StartPage->Links().at(2), Qt::LeftButton);
        QTRY_VERIFY(w->FileOpen);
        QVERIFY(w->StartPage->isHidden());
        w->lvAccounts->setFocus();
        QVERIFY(w->RunCommand(w->actFileClose));
        QVERIFY(w->StartPage->isVisible());
        QCOMPARE(QApplication::focusWidget(), w->StartPage->lnkNew);
        QCOMPARE(texts(w->StartPage->Links()).mid(2), QStringList({"b.kvf"}));

        w->RemoveRecentFile(b);
        QCOMPARE(w->StartPage->Links().size(), 2);
        QVERIFY(w->StartPage->lblRecent->isHidden());
    }

    // File dialogs start in the open file's folder, else the last folder used (kept across runs),
    // else the home folder; never the folder the program was started in.
    void dialogsStartInAFolderThatMeansSomething() {
        const QString home = dir.filePath("home");
        QCOMPARE(startFolderOf(w->actFileOpen, "OpenFile"), home);
        QCOMPARE(startFolderOf(w->actFileNew, "SaveFile"), home);
        QCOMPARE(ExportTargetPath("accounts.csv"), home + "/accounts.csv");

        const QString file = makeFile(dir.filePath("safe/mine.kvf"), "pw12");
        QsAnswers::Push("OpenFile", file);
        QsAnswers::Push("TPassEdit", "pw12");
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(w->FileOpen);
        QCOMPARE(startFolderOf(w->actFileSaveAs, "SaveFile"), dir.filePath("safe"));
        QCOMPARE(startFolderOf(w->actFileMerge, "OpenFile"), dir.filePath("safe"));
        QCOMPARE(ExportTargetPath("accounts.csv"), dir.filePath("safe/accounts.csv"));

        // Closed, the file's folder is the last one used, in this window and in the next run.
        QVERIFY(w->RunCommand(w->actFileClose));
        QCOMPARE(startFolderOf(w->actFileOpen, "OpenFile"), dir.filePath("safe"));
        w->ExitRequested = true;
        w = std::make_unique<TKYVNMain>();
        QCOMPARE(startFolderOf(w->actFileOpen, "OpenFile"), dir.filePath("safe"));

        // A folder that is gone is no place to start.
        QVERIFY(QDir(dir.filePath("safe")).removeRecursively());
        QCOMPARE(startFolderOf(w->actFileOpen, "OpenFile"), home);
        QCOMPARE(QsDialogStartFolder(), home);
    }
};

KYVN_TEST_MAIN(TestFirstRun)
#include "tst_firstrun.moc"
