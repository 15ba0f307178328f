// The file commands of the main window, end to end through the answer seam.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsFileUtils.h"
#include "QsMsgFrm.h"
#include "QsRegUtils.h"
#include "QsReplaceFile.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmMain.h"
#include "uOptions.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QTreeView>
#include <memory>
#include <sys/stat.h>

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

struct TAcc {
    QString Name, Login, Email;
    QDate Created;
};
} // namespace

class TestMainFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors; // "kind: message" of every failure the window reported
    QStringList details;

    QString makeFile(const QString& name, const QString& password, const QList<TAcc>& accounts = {}) {
        const QString path = name.startsWith('/') ? name : dir.filePath(name);
        TKYVNFile f;
        f.FileName = path;
        f.Password = password;
        for (const TAcc& a : accounts) {
            auto* acc = new TKYVNAccount;
            acc->AccountName = a.Name;
            acc->Login = a.Login;
            acc->Email = a.Email;
            acc->Password = "pw-" + a.Name;
            if (a.Created.isValid())
                acc->Created = a.Created;
            f.AddAccount(acc);
        }
        f.Save(false);
        return path;
    }
    QList<TAcc> three() {
        return {{"Bank", "bob", "c@x.org", QDate(2004, 3, 2)},
                {"mail", "alice", "a@x.org", QDate(2003, 9, 1)},
                {"Shop", "carol", "b@x.org", QDate(2003, 1, 15)}};
    }
    void open(const QString& path, const QString& password) {
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", password);
        QVERIFY(w->RunCommand(w->actFileOpen));
    }
    QStringList column(int c) const {
        QStringList texts;
        for (int i = 0; i < w->RowCount(); ++i)
            texts << w->CellText(i, c);
        return texts;
    }

private slots:
    void initTestCase() {
        // New files are protected: the cheapest key the format allows keeps the runs short.
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
        // the collation of a real language, whatever the test machine's locale
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        AppInfo->RegistryRoot = TQsRegRoot::LocalMachine;
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        ListLayout = new TKYVNList;
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
        WriteRegValueNames(TQsRegRoot::LocalMachine, kProductKey + "\\Storage", "MRU", {});
        w = std::make_unique<TKYVNMain>();
        errors.clear();
        details.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? QString::number(q->Kind) + ": " + q->Message : QString("?: ") + (e ? e->what() : ""));
            details << (q ? q->Details : QString());
        });
    }
    void cleanup() {
        w->ExitRequested = true;
        w.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    void newCreatesAFileTheStoreReads() {
        const QString path = dir.filePath("new.kvf");
        QsAnswers::Push("SaveFile", path);
        QsAnswers::Push("TPassEdit", "secret1");
        QVERIFY(w->RunCommand(w->actFileNew));
        QCOMPARE(errors, QStringList());
        QVERIFY(w->FileOpen);
        QCOMPARE(w->OpenFilePath, path);
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: new.kvf"));
        QCOMPARE(w->RecentFiles.value(0), path);
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(f.LoadWithPassword("secret1"));
        QCOMPARE(f.Password, QString("secret1"));
        QCOMPARE(f.AccountCount(), 0);
        // a passwords file is for its owner only
        QCOMPARE(modeOf(path) & 077, mode_t(0));
    }
    void cancelledDialogsChangeNothing() {
        QsAnswers::Push("SaveFile", QString());
        QVERIFY(w->RunCommand(w->actFileNew));
        QsAnswers::Push("OpenFile", QString());
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(!w->FileOpen);
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane"));
    }
    void commandsRunOnlyWhileEnabled() {
        // no file: Close, Save As and File Password are disabled and do nothing
        QVERIFY(!w->RunCommand(w->actFileClose));
        QVERIFY(!w->RunCommand(w->actFileSaveAs));
        QVERIFY(!w->RunCommand(w->actFilePassword));
        QVERIFY(!w->actFileClose->isEnabled());
        QVERIFY(w->actFileNew->isEnabled());
        QVERIFY(!w->actRecentFiles->isEnabled());
    }

    void openWithWrongThenRightPassword() {
        const QString path = makeFile("three.kvf", "right", three());
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", "wrong");
        QVERIFY(w->RunCommand(w->actFileOpen));
        QVERIFY(!w->FileOpen);
        QCOMPARE(w->RowCount(), 0);

        open(path, "right");
        QVERIFY(w->FileOpen);
        QVERIFY(!w->ReadOnly);
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: three.kvf"));
        QCOMPARE(w->ShownHeadings(), QStringList({"Account Name", "Login", "Email", "Web", "Created", "Modified"}));
        // sorted by the locale's collation (mail between Bank and Shop), first row selected
        QCOMPARE(column(0), QStringList({"Bank", "mail", "Shop"}));
        QCOMPARE(w->SelectedRow(), 0);
        w->alMainUpdate();
        QVERIFY(w->actFileClose->isEnabled());
        QCOMPARE(w->findChild<QLabel*>("sbPanel2")->text(), QString("Accounts: 3"));
    }
    void openFailures() {
        // a missing path
        const QString missing = dir.filePath("nothing.kvf");
        QsAnswers::Push("OpenFile", missing);
        w->RunCommand(w->actFileOpen);
        // not a passwords file
        const QString junk = dir.filePath("junk.kvf");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not enciphered");
        f.close();
        QsAnswers::Push("OpenFile", junk);
        w->RunCommand(w->actFileOpen);
        QCOMPARE(errors, QStringList({"1: File '" + missing + "' not found.", "1: Error loading file 'junk.kvf'."}));
        QVERIFY(!details.last().isEmpty());
        QVERIFY(!w->FileOpen);
    }
    void reopeningTheOpenFileRebuildsTheList() {
        const QString path = makeFile("again.kvf", "pw12", three());
        open(path, "pw12");
        w->SelectRow(2);
        open(path, "pw12");
        QCOMPARE(w->RowCount(), 3);
        QCOMPARE(w->SelectedRow(), 0);
    }
    void closeLeavesNoColumns() {
        open(makeFile("close.kvf", "pw12", three()), "pw12");
        QVERIFY(w->RunCommand(w->actFileClose));
        QVERIFY(!w->FileOpen);
        QVERIFY(w->OpenFilePath.isEmpty());
        QCOMPARE(w->RowCount(), 0);
        QCOMPARE(w->ShownHeadings(), QStringList());
        QVERIFY(w->lvAccounts->header()->isHidden());
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane"));
    }

    void recentFilesKeepTenDistinctPaths() {
        QStringList paths;
        for (int i = 0; i < 11; ++i)
            paths << makeFile(QString("r%1.kvf").arg(i), "pw12");
        for (const QString& p : paths)
            open(p, "pw12");
        QCOMPARE(w->RecentFiles.size(), 10);
        QCOMPARE(w->RecentFiles.first(), paths.last());
        QVERIFY(!w->RecentFiles.contains(paths.first()));
        const QList<QAction*> items = w->mnuRecent->actions();
        QCOMPARE(items.size(), 10);
        QCOMPARE(items[0]->text(), "&1 " + paths[10]);
        QCOMPARE(items[9]->text(), "&A " + paths[1]);

        // reopening moves an entry to the top
        open(paths[3], "pw12");
        QCOMPARE(w->RecentFiles.first(), paths[3]);
        QCOMPARE(w->RecentFiles.size(), 10);

        // names differing only in letter case are different files here
        const QString lower = makeFile("case.kvf", "pw12");
        const QString upper = makeFile("CASE.kvf", "pw12");
        open(lower, "pw12");
        open(upper, "pw12");
        QCOMPARE(w->RecentFiles.mid(0, 2), QStringList({upper, lower}));

        // the stored order is the list's order
        w->SaveRecentFiles();
        QCOMPARE(ReadRegValueNames(TQsRegRoot::LocalMachine, kProductKey + "\\Storage", "MRU", {}), w->RecentFiles);
        TKYVNMain other;
        QCOMPARE(other.RecentFiles, w->RecentFiles);
    }
    void deletedRecentFileIsReportedAndDropped() {
        const QString a = makeFile("gone.kvf", "pw12");
        const QString b = makeFile("stays.kvf", "pw12");
        open(a, "pw12");
        open(b, "pw12");
        QVERIFY(QFile::remove(a));
        // choosing it from the menu
        QAction* item = w->mnuRecent->actions().at(1);
        QCOMPARE(item->text(), "&2 " + a);
        w->alMainUpdate();
        item->trigger();
        QCOMPARE(errors, QStringList({"1: File '" + a + "' not found."}));
        QCOMPARE(w->RecentFiles.first(), b);
        QVERIFY(!w->RecentFiles.contains(a));
        QCOMPARE(w->OpenFilePath, b); // the open file stays
        w->SaveRecentFiles();
        QVERIFY(!ReadRegValueNames(TQsRegRoot::LocalMachine, kProductKey + "\\Storage", "MRU", {}).contains(a));
    }
    void recentFileThatFailsToLoadIsDropped() {
        const QString p = makeFile("bad.kvf", "pw12");
        open(p, "pw12");
        w->RunCommand(w->actFileClose);
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("garbage");
        f.close();
        QsGuard([&] { w->MRUListClick(p); });
        QCOMPARE(errors, QStringList({"1: Error loading file 'bad.kvf'."}));
        QVERIFY(!w->RecentFiles.contains(p));
        QVERIFY(!w->FileOpen);
    }

    void readOnlyFileOpensReadOnlyAndIsNeverWritten() {
        const QString path = makeFile("ro.kvf", "pw12", three());
        QVERIFY(SetAttributes(path, faReadOnly | faArchive, true));
        const QByteArray before = bytesOf(path);
        open(path, "pw12");
        QVERIFY(w->ReadOnly);
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: ro.kvf [Read-only]"));
        w->alMainUpdate();
        QVERIFY(w->actAccountReadOnly->isChecked());
        QVERIFY(!w->actFilePassword->isEnabled());
        QVERIFY(!w->actFileMerge->isEnabled());
        QVERIFY(!w->actAccountAdd->isEnabled());
        // root could write the file anyway: the window must not try
        CurrentFile->Password = "changed";
        w->WriteBack();
        w->RunCommand(w->actFileClose);
        QCOMPARE(bytesOf(path), before);
        QCOMPARE(errors, QStringList());
    }
    void readOnlySwitchSetsAndClearsTheAttribute() {
        const QString path = makeFile("switch.kvf", "pw12", three());
        ::chmod(QFile::encodeName(path).constData(), 0600);
        open(path, "pw12");
        QVERIFY(w->RunCommand(w->actAccountReadOnly));
        QVERIFY(w->ReadOnly);
        QCOMPARE(modeOf(path), mode_t(0400));
        QVERIFY(w->actAccountReadOnly->isChecked());
        QVERIFY(w->windowTitle().endsWith(" [Read-only]"));
        QVERIFY(w->RunCommand(w->actAccountReadOnly));
        QVERIFY(!w->ReadOnly);
        QCOMPARE(modeOf(path), mode_t(0600));
        QVERIFY(!w->actAccountReadOnly->isChecked());
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: switch.kvf"));
    }
    void saveAsInReadOnlyModeWritesAndLeavesIt() {
        const QString path = makeFile("src.kvf", "pw12", three());
        QVERIFY(SetAttributes(path, faReadOnly | faArchive, true));
        open(path, "pw12");
        const QString target = dir.filePath("saved-as.kvf");
        QsAnswers::Push("SaveFile", target);
        QVERIFY(w->RunCommand(w->actFileSaveAs));
        QCOMPARE(errors, QStringList());
        QVERIFY(!w->ReadOnly);
        QCOMPARE(w->OpenFilePath, target);
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: saved-as.kvf"));
        QVERIFY(HasAttributes(path, faReadOnly));
        TKYVNFile f;
        f.FileName = target;
        QVERIFY(f.LoadWithPassword("pw12"));
        QVERIFY(f.IsProtected()); // the default type of Save As
        QCOMPARE(f.AccountCount(), 3);
    }
    void saveAsThatFailsKeepsWritingTheOpenFile() {
        const QString path = makeFile("keep.kvf", "pw12", three());
        open(path, "pw12");
        const QString blocker = makeFile("plainfile", "x");
        QsAnswers::Push("SaveFile", blocker + "/under.kvf");
        w->RunCommand(w->actFileSaveAs);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith("1: Error saving file '"));
        QCOMPARE(w->OpenFilePath, path);
        QCOMPARE(CurrentFile->FileName, path);
        CurrentFile->Password = "newpw";
        w->WriteBack();
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(f.LoadWithPassword("newpw"));
        QCOMPARE(f.Password, QString("newpw"));
    }
    void saveCopyAs() {
        const QString path = makeFile("orig.kvf", "pw12", three());
        open(path, "pw12");
        const QByteArray stored = bytesOf(path);
        const QString copy = dir.filePath("copy.kvf");
        // the older type: the same bytes as the open file of that form
        QsAnswers::Push("SaveFile", QStringList{copy, "Keyvane 1.3 Files, not protected (*.kvf)"});
        QVERIFY(w->RunCommand(w->actFileSaveCopy));
        QCOMPARE(bytesOf(copy), stored);
        QCOMPARE(w->OpenFilePath, path);
        // a copy onto the open file itself leaves it whole
        QsAnswers::Push("SaveFile", path);
        QVERIFY(w->RunCommand(w->actFileSaveCopy));
        QCOMPARE(bytesOf(path), stored);
        QCOMPARE(errors, QStringList());
    }
    // A copy that cannot be made is reported as every other file command reports a failure, and a file
    // already under the chosen name stays as it was.
    void saveCopyAsThatFailsIsReported_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder is a file") << "under a file"
                                          << "Invalid filename";
        QTest::newRow("folder missing") << "missing folder"
                                        << "File not found";
        QTest::newRow("name is a folder") << "folder"
                                          << "Invalid filename";
        QTest::newRow("open file vanished") << "vanished"
                                            << "File not found";
    }
    void saveCopyAsThatFailsIsReported() {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        const QString path = makeFile("copied.kvf", "pw12", three());
        open(path, "pw12");
        QString target = dir.filePath("existing copy.kvf");
        KyvnTest::writeAll(target, "the copy made last week");
        if (fault == "under a file")
            target = path + "/copy.kvf";
        else if (fault == "missing folder")
            target = dir.filePath("no such folder/copy.kvf");
        else if (fault == "folder")
            QVERIFY(QDir(dir.path()).mkpath(target = dir.filePath("a folder")));
        else
            QVERIFY(QFile::rename(path, dir.filePath("moved away.kvf")));
        QsAnswers::Push("SaveFile", target);
        w->RunCommand(w->actFileSaveCopy);
        QCOMPARE(errors, QStringList{"1: Error saving file '" + target + "'."});
        QVERIFY2(details.first().startsWith(reason), qPrintable(details.first()));
        QCOMPARE(bytesOf(dir.filePath("existing copy.kvf")), QByteArray("the copy made last week"));
        QCOMPARE(w->OpenFilePath, path);
        // nothing half-made is left beside the copy
        QCOMPARE(QDir(dir.path()).entryList(QDir::Hidden | QDir::Files).filter(".keyvane-"), QStringList());
        QFile::remove(path);
        QFile::remove(dir.filePath("moved away.kvf"));
        QFile::remove(dir.filePath("existing copy.kvf"));
        QDir(dir.filePath("a folder")).removeRecursively();
    }

    // The copy's name is decided when it is written: a link to the open file planted after the question
    // makes the copy fail, and the open file stays as it was.
    void saveCopyAsNeverLandsOnTheOpenFile() {
        const QString path = makeFile("orig.kvf", "pw12", three());
        open(path, "pw12");
        const QByteArray stored = bytesOf(path);
        const QString copy = dir.filePath("late-link.kvf");
        QFile::remove(copy);
        QsBeforeReplaceHook() = [&](const QString&) { QFile::link(path, copy); };
        QsAnswers::Push("SaveFile", copy);
        w->RunCommand(w->actFileSaveCopy);
        QsBeforeReplaceHook() = nullptr;
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith("1: Error saving file '"));
        QCOMPARE(bytesOf(path), stored);
        QVERIFY(QFileInfo(copy).isSymLink());
        errors.clear();
    }
    void filePasswordIsWrittenBack() {
        const QString path = makeFile("pw.kvf", "oldpw", three());
        open(path, "oldpw");
        QsAnswers::Push("TPassEdit", QStringList({"oldpw", "newpw1", "newpw1"}));
        QVERIFY(w->RunCommand(w->actFilePassword));
        QCOMPARE(errors, QStringList());
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(f.LoadWithPassword("newpw1"));
        QCOMPARE(f.Password, QString("newpw1"));
    }

    void failedWriteBackKeepsTheChangeAndTheWindowOpen() {
        QTemporaryDir sub;
        const QString folder = sub.filePath("box");
        QVERIFY(QDir().mkpath(folder));
        const QString path = makeFile(folder + "/wb.kvf", "pw12", three());
        open(path, "pw12");
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        // the folder turns into a file: nothing can be written there any more
        QVERIFY(QDir(folder).removeRecursively());
        QFile block(folder);
        QVERIFY(block.open(QIODevice::WriteOnly));
        block.close();
        CurrentFile->Password = "changed";
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first(), "1: Error saving file '" + path + "'.");
        QCOMPARE(CurrentFile->Password, QString("changed"));
        QCOMPARE(w->RowCount(), 3);
        // once the folder is back, the next write-back stores the change
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(w->close());
        TKYVNFile f;
        f.FileName = path;
        QVERIFY(f.LoadWithPassword("changed"));
        QCOMPARE(f.Password, QString("changed"));
    }
    // When the open file can no longer be written (its folder is gone), Save As still stores the
    // accounts elsewhere: the failed write-back is reported, not a reason to lose them.
    void saveAsRescuesAFileThatCannotBeWritten() {
        QTemporaryDir sub;
        const QString folder = sub.filePath("gone");
        QVERIFY(QDir().mkpath(folder));
        const QString path = makeFile(folder + "/wb.kvf", "pw12", three());
        open(path, "pw12");
        QVERIFY(QDir(folder).removeRecursively());
        CurrentFile->Password = "changed";
        const QString rescue = sub.filePath("rescue.kvf");
        QsAnswers::Push("SaveFile", rescue);
        QVERIFY(w->RunCommand(w->actFileSaveAs));
        QCOMPARE(errors, QStringList{"1: Error saving file '" + path + "'."});
        QCOMPARE(w->OpenFilePath, rescue);
        TKYVNFile f;
        f.FileName = rescue;
        QVERIFY(f.LoadWithPassword("changed"));
        QCOMPARE(f.Password, QString("changed"));
        QCOMPARE(f.AccountCount(), 3);
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: rescue.kvf"));
    }
    void newFileThatCannotBeWrittenKeepsThePreviousFile() {
        const QString path = makeFile("prev.kvf", "pw12", three());
        open(path, "pw12");
        const QString blocker = makeFile("notafolder", "x");
        QsAnswers::Push("SaveFile", blocker + "/new.kvf");
        QsAnswers::Push("TPassEdit", "secret1");
        w->RunCommand(w->actFileNew);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().startsWith("1: Error saving file '"));
        QCOMPARE(w->OpenFilePath, path);
        QCOMPARE(CurrentFile->FileName, path);
        QCOMPARE(w->RowCount(), 3);
        QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: prev.kvf"));
    }

    void dropsThroughTheGuard() {
        const QString a = makeFile("drop-a.kvf", "pw12", three());
        const QString b = makeFile("drop-b.kvf", "pw12");
        QsGuard([&] { w->FilesDropped({a, b}); });
        QsGuard([&] { w->FilesDropped({dir.path()}); });
        QsGuard([&] { w->FilesDropped({dir.filePath("no-such.kvf")}); });
        QsGuard([&] { w->FilesDropped({QString()}); }); // not a local file
        QCOMPARE(errors,
                 QStringList({"2: You cannot drag and drop multiple files.", "2: You cannot drag and drop folders."}));
        QVERIFY(!w->FileOpen);
        QsAnswers::Push("TPassEdit", "pw12");
        QsGuard([&] { w->FilesDropped({a}); });
        QCOMPARE(w->OpenFilePath, a);
        QCOMPARE(w->RowCount(), 3);
    }

    void dropEventsCarryLocalPaths() {
        w->show();
        // a path beyond 254 characters is taken whole, not cut to a name of another file
        QString folder = dir.path();
        while (folder.size() < 300)
            folder += "/a-rather-long-folder-name";
        QVERIFY(QDir().mkpath(folder));
        const QString path = makeFile(folder + "/long.kvf", "pw12", three());
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(20, 60), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 60), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QsAnswers::Push("TPassEdit", "pw12");
        QApplication::sendEvent(w.get(), &drop);
        QCOMPARE(errors, QStringList());
        QCOMPARE(w->OpenFilePath, path);
        // two of them: the information message, nothing opened
        const QString other = makeFile("other-drop.kvf", "pw12");
        QMimeData both;
        both.setUrls({QUrl::fromLocalFile(other), QUrl::fromLocalFile(path)});
        QDragEnterEvent enterTwo(QPoint(20, 60), Qt::CopyAction, &both, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &enterTwo);
        QDropEvent two(QPointF(20, 60), Qt::CopyAction, &both, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &two);
        QCOMPARE(errors, QStringList({"2: You cannot drag and drop multiple files."}));
        QCOMPARE(w->OpenFilePath, path);
    }
    void closeBoxMinimisesUnlessExiting() {
        Options->CloseMinimizes = true;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QVERIFY(w->RunCommand(w->actFileExit));
        QVERIFY(w->ExitRequested);
        QVERIFY(!w->isVisible());
        Options->CloseMinimizes = false;
    }
    void endOfSessionClosesWithoutMinimising() {
        Options->CloseMinimizes = true;
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->QueryEndSession();
        QVERIFY(w->close());
        Options->CloseMinimizes = false;
    }
};

KYVN_TEST_MAIN(TestMainFile)
#include "tst_mainfile.moc"
