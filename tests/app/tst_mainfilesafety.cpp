// The main window never makes damage permanent, keeps a version written elsewhere, ends on a
// termination request whatever the disk says, and runs undumpable.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsApp.h"
#include "QsErrorHandler.h"
#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "clsFile.h"
#include "clsList.h"
#include "frmAccount.h"
#include "frmMain.h"
#include "frmMerge.h"
#include "uMain.h"
#include "uOptions.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <memory>

#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using KyvnTest::readAll;
using KyvnTest::writeAll;

namespace {
const QString kProductKey = QStringLiteral("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane");
const QString kProgram = QStringLiteral(KEYVANE_BINARY_DIR "/src/app/keyvane");
const QString kCli = QStringLiteral(KEYVANE_BINARY_DIR "/src/cli/keyvane-cli");

struct TStamp {
    QByteArray bytes;
    ino_t inode = 0;
    qint64 mtimeNs = 0;
    mode_t mode = 0;
    bool operator==(const TStamp& o) const {
        return bytes == o.bytes && inode == o.inode && mtimeNs == o.mtimeNs && mode == o.mode;
    }
};
TStamp stamp(const QString& path) {
    TStamp s;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        s.inode = st.st_ino;
        s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        s.mode = st.st_mode;
    }
    s.bytes = readAll(path);
    return s;
}

QStringList accountNames(const QString& path) {
    TKYVNFile f;
    f.FileName = path;
    f.LoadWithPassword("pw1234"); // Save As writes the protected form
    QStringList names;
    for (const TKYVNAccount* a : f.Accounts)
        names << a->AccountName;
    return names;
}

// A small tmpfs, made read-only on request. Needs root; the tests skip otherwise.
class TScratchMount {
public:
    explicit TScratchMount(const QString& path) : path_(path) {
        QDir().mkpath(path);
        mounted_ = ::geteuid() == 0 &&
                   ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, "size=1m,mode=0755") == 0;
    }
    ~TScratchMount() {
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool remountReadOnly() {
        return ::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QString path_;
    bool mounted_ = false;
};

// Fills the account editor with a name and presses OK.
QsAnswers::Handler newAccount(const QString& name) {
    return [name](QObject* object) {
        qobject_cast<TAccountEdit*>(object)->txtAccountName->setText(name);
        return QVariant(true);
    };
}
} // namespace

class TestMainFileSafety : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNMain> w;
    QStringList errors; // "kind: message" of every failure or notice the window reported
    QStringList details;

    QString makeFile(const QString& path, int accounts) {
        TKYVNFile f;
        f.FileName = path;
        f.Password = "pw1234";
        for (int i = 0; i < accounts; ++i) {
            auto* a = new TKYVNAccount;
            a->AccountName = QString("Account %1").arg(i, 2, 10, QChar('0'));
            a->Login = QString("löschen%1").arg(i);
            a->Created = a->Modified = QDate(2020, 5, 6);
            f.AddAccount(a);
        }
        f.Save(false);
        return path;
    }
    void open(const QString& path) {
        QsAnswers::Push("OpenFile", path);
        QsAnswers::Push("TPassEdit", "pw1234");
        QVERIFY(w->RunCommand(w->actFileOpen));
    }
    QProcessEnvironment programEnvironment(const QString& home) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home + "/config");
        env.insert("XDG_RUNTIME_DIR", home + "/runtime");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KEYVANE_SPLASH_MS", "0");
        env.insert("KEYVANE_TEST_AUTOANSWER", "1");
        env.insert("KEYVANE_TEST_ANSWERS", "TPassEdit=pw1234\n");
        env.insert("KEYVANE_TEST_STATE", home + "/state");
        return env;
    }
    QString programHome(const QString& name) const {
        const QString home = dir.filePath(name);
        for (const char* sub : {"config", "runtime"})
            QDir().mkpath(home + "/" + sub);
        ::chmod(QFile::encodeName(home + "/runtime").constData(), 0700);
        return home;
    }

private slots:
    void initTestCase() {
        // Save As writes protected files: the cheapest key the format allows keeps the runs short.
        TKYVNProtectedForm::SetCostOfNewKeys({1, 8192});
        AppInfo = new TQsApplication;
        AppInfo->Title = "Tessivo Keyvane";
        AppInfo->ProductKey = kProductKey;
        AppInfo->RegistryRoot = TQsRegRoot::LocalMachine;
        Options = new TKYVNOptions;
        Options->CloseMinimizes = false;
        Options->AutoOpenLastFile = false;
        Options->BackupFiles = true;
        ListLayout = new TKYVNList;
    }
    void init() {
        QsAnswers::Clear();
        ListLayout->Clear();
        ListLayout->SetDefaults();
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
        QVERIFY2(QsAnswers::Pending() == 0, qPrintable(QsAnswers::Log().join(" / ")));
    }

    // Two view-only sessions used to leave file and backup with what the first could read.
    void aDamagedFileOpensReadOnlyAndStaysOnDisk() {
        const QString path = makeFile(dir.filePath("damaged.kvf"), 12);
        QByteArray bytes = readAll(path);
        writeAll(path, bytes.left(bytes.size() / 3 / 8 * 8));
        const TStamp before = stamp(path);
        for (int session = 0; session < 2; ++session) {
            errors.clear();
            open(path);
            QCOMPARE(errors.size(), 1);
            QVERIFY2(errors[0].startsWith("1: Only "), qPrintable(errors[0]));
            QVERIFY(errors[0].contains(" bytes after them were left out. The file is opened read-only so that "
                                       "nothing overwrites it; use Save As to keep what was read."));
            QVERIFY(w->ReadOnly);
            QCOMPARE(w->RecentFiles.value(0), path); // the open went through: the file stays recent
            QCOMPARE(w->windowTitle(), QString("Tessivo Keyvane: damaged.kvf [Read-only]"));
            QVERIFY(w->RowCount() > 0 && w->RowCount() < 12);
            // the read-only mode cannot be switched off for it
            errors.clear();
            w->RunCommand(w->actAccountReadOnly);
            QCOMPARE(errors.size(), 1);
            QVERIFY(errors[0].startsWith("2: This file could be read only in part"));
            QVERIFY(w->ReadOnly);
            QVERIFY(w->RunCommand(w->actFileClose));
            QVERIFY(stamp(path) == before);
            QVERIFY(!QFileInfo::exists(BackupFileName(path)));
        }

        // Save As keeps what was read in a sound, writable file.
        open(path);
        const int read = w->RowCount();
        const QString rescued = dir.filePath("rescued.kvf");
        QsAnswers::Push("SaveFile", rescued);
        QVERIFY(w->RunCommand(w->actFileSaveAs));
        QVERIFY(!w->ReadOnly);
        QCOMPARE(accountNames(rescued).size(), read);
        QsAnswers::PushHandler("TAccountEdit", newAccount("Added later"));
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QCOMPARE(accountNames(rescued).size(), read + 1);
        QVERIFY(stamp(path) == before);
    }

    // Each kind of damage: the window lists what could be read, warns where the file shows damage, and
    // open and close leave file and backup as they were.
    void damagedFilesOpenAndCloseUntouched_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("warned");
        QTest::newRow("one flipped bit") << "flip" << 12 << false;
        QTest::newRow("a NUL inside the text") << "nul" << 6 << true;
        QTest::newRow("truncated") << "truncate" << 6 << true;
        QTest::newRow("length not a multiple of 8") << "odd" << 6 << true;
        QTest::newRow("a trailing partial group") << "partial" << 12 << true;
    }
    void damagedFilesOpenAndCloseUntouched() {
        QFETCH(QString, damage);
        QFETCH(int, rows);
        QFETCH(bool, warned);
        const QString path = dir.filePath("kind.kvf");
        QFile::remove(path);
        QFile::remove(BackupFileName(path));
        makeFile(path, 12);
        TKYVNFile sound;
        sound.FileName = path;
        sound.Load();
        QByteArray plain = sound.PlainText();
        const qsizetype seventh = plain.indexOf("#Account 06\r\n");
        QByteArray bytes = TKYVNFile::Encipher(plain);
        if (damage == "flip") {
            const qsizetype at = plain.indexOf("schen3");
            bytes[at] = char(bytes[at] ^ 0x04);
        } else if (damage == "nul") {
            plain[seventh + 2] = '\0';
            bytes = TKYVNFile::Encipher(plain);
        } else if (damage == "truncate") {
            bytes = bytes.left((seventh + 16) / 8 * 8);
        } else if (damage == "odd") {
            bytes = bytes.left((seventh + 16) / 8 * 8 + 5);
        } else {
            bytes = TKYVNFile::Encipher(plain + "#Account 12\r\n#login\r\n");
        }
        writeAll(path, bytes);
        const TStamp before = stamp(path);
        open(path);
        QCOMPARE(w->RowCount(), rows);
        QCOMPARE(w->ReadOnly, warned);
        QCOMPARE(errors.size(), warned ? 1 : 0);
        QVERIFY(w->RunCommand(w->actFileClose));
        QVERIFY(stamp(path) == before);
        QVERIFY(!QFileInfo::exists(BackupFileName(path)));
    }

    void viewOnlySessionsWriteNothing() {
        const QString path = makeFile(dir.filePath("viewed.kvf"), 12);
        const TStamp before = stamp(path);
        for (int session = 0; session < 2; ++session) {
            open(path);
            QCOMPARE(errors, QStringList());
            QCOMPARE(w->RowCount(), 12);
            QVERIFY(w->RunCommand(w->actFileClose));
        }
        open(path);
        w->close(); // the window's end writes back too
        QVERIFY(stamp(path) == before);
        QVERIFY(!QFileInfo::exists(BackupFileName(path)));
    }

    // The program has a file open, keyvane-cli adds an account, the program adds another: both versions
    // are on disk afterwards, and the user is told once where the other one is.
    void aChangeByTheCommandLineToolIsKept() {
        QTemporaryDir folder;
        const QString path = makeFile(folder.filePath("Shared.kvf"), 3);
        open(path);
        QCOMPARE(w->RowCount(), 3);

        QProcess cli;
        cli.start(kCli, {"add", path, "From the tool"});
        cli.write("pw1234\n");
        cli.closeWriteChannel();
        QVERIFY(cli.waitForFinished(-1));
        QCOMPARE(cli.exitCode(), 0);
        const QByteArray toolVersion = readAll(path);

        QsAnswers::PushHandler("TAccountEdit", newAccount("From the program"));
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].startsWith("2: 'Shared.kvf' was changed elsewhere"), qPrintable(errors[0]));
        QVERIFY(errors[0].contains("File > Merge... brings its accounts into this file."));
        const QStringList kept = QDir(folder.path()).entryList({"Shared (changed elsewhere *).kvf"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QVERIFY(errors[0].contains("'" + kept[0] + "'"));
        QCOMPARE(details[0], folder.filePath(kept[0]));
        QCOMPARE(readAll(folder.filePath(kept[0])), toolVersion);
        QCOMPARE(accountNames(folder.filePath(kept[0])),
                 (QStringList{"Account 00", "Account 01", "Account 02", "From the tool"}));
        QCOMPARE(accountNames(path), (QStringList{"Account 00", "Account 01", "Account 02", "From the program"}));

        // Told once: the next change finds the program's own version.
        QsAnswers::PushHandler("TAccountEdit", newAccount("Another"));
        QVERIFY(w->RunCommand(w->actAccountAdd));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(QDir(folder.path()).entryList({"Shared (changed elsewhere *).kvf"}, QDir::Files).size(), 1);

        // File > Merge... on the kept version, as the message says: the tool's account joins the open
        // file, the names both hold keep the program's accounts, and the kept version is only read.
        const QString keptPath = folder.filePath(kept[0]);
        const QByteArray keptBefore = readAll(keptPath);
        QStringList repeated;
        QsAnswers::Push("OpenFile", keptPath);
        QsAnswers::Push("TPassEdit", "pw1234");
        QsAnswers::PushHandler("TMergeWzd", [&repeated](QObject* o) {
            auto* m = qobject_cast<TMergeWzd*>(o);
            m->cmdNext->click(); // welcome
            m->cmdNext->click(); // analysis
            repeated = m->lvModel->Names();
            if (m->Step == TMergeWzd::StepInconsistencies)
                m->cmdNext->click(); // nothing checked: the open file's accounts stay
            m->cmdNext->click();     // import
            return QVariant(m->Step);
        });
        QVERIFY(w->RunCommand(w->actFileMerge));
        QCOMPARE(errors.size(), 1);
        QCOMPARE(QsAnswers::Pending(), 0);
        QCOMPARE(repeated, (QStringList{"Account 00", "Account 01", "Account 02"}));
        QCOMPARE(w->RowCount(), 6);

        const QStringList all{"Account 00", "Account 01", "Account 02", "From the program", "Another", "From the tool"};
        QCOMPARE(accountNames(path), all);
        QCOMPARE(readAll(keptPath), keptBefore);
        // the earlier accounts come back whole, not only by name
        {
            TKYVNFile back;
            back.FileName = path;
            back.Load();
            QCOMPARE(back.Password, QStringLiteral("pw1234"));
            for (int i = 0; i < 3; ++i)
                QCOMPARE(back.Accounts[i]->Login, QString("löschen%1").arg(i));
        }
        // and an independent reader agrees
        QProcess ls;
        ls.start(kCli, {"ls", path});
        ls.write("pw1234\n");
        ls.closeWriteChannel();
        QVERIFY(ls.waitForFinished(-1));
        QCOMPARE(ls.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(ls.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts), all);
    }

    // A termination request ends the window even when its last write-back cannot be written.
    void theSessionEndsOnAReadOnlyMount() {
        TScratchMount mount(dir.filePath("ro-window"));
        if (!mount.mounted())
            QSKIP("needs root to mount a tmpfs");
        const QString path = makeFile(dir.filePath("ro-window/file.kvf"), 4);
        QVERIFY(mount.remountReadOnly());
        const TStamp before = stamp(path);
        for (const bool changed : {false, true}) {
            if (changed) {
                w.reset();
                init();
            }
            w->show();
            open(path);
            QCOMPARE(w->RowCount(), 4);
            if (changed) {
                // a change the mount refused: it is still in memory when the end comes
                QsAnswers::PushHandler("TAccountEdit", newAccount("Unsaved"));
                errors.clear();
                w->RunCommand(w->actAccountAdd);
                QCOMPARE(errors.size(), 1);
                QVERIFY(errors[0].startsWith("1: Error saving file"));
            }
            errors.clear();
            RequestExit(); // what SIGTERM, SIGHUP, SIGINT and the session manager do
            QTRY_VERIFY(!w->isVisible());
            QCOMPARE(errors, QStringList()); // nothing waits on a box
            QVERIFY(stamp(path) == before);
        }
    }

    // The real program under SIGTERM, on a read-only mount, with nothing changed.
    void theProgramEndsOnSigtermOnAReadOnlyMount() {
        TScratchMount mount(dir.filePath("ro-program"));
        if (!mount.mounted())
            QSKIP("needs root to mount a tmpfs");
        const QString path = makeFile(dir.filePath("ro-program/file.kvf"), 4);
        QVERIFY(mount.remountReadOnly());
        const TStamp before = stamp(path);
        const QString home = programHome("sigterm-home");
        QProcess program;
        program.setProcessEnvironment(programEnvironment(home));
        program.start(kProgram, {"/F:" + path});
        QVERIFY(program.waitForStarted(-1));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(home + "/state"), 60000);
        QVERIFY(readAll(home + "/state").startsWith("Tessivo Keyvane: file.kvf"));
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY(stamp(path) == before);
    }

    // Neither the program nor keyvane-cli can be dumped: a core-file limit of 0, and not dumpable. The
    // kernel shows the second as the owner of /proc/PID/status: root, not the process's own user, for a
    // process that cannot be dumped (seen on instances running as another user).
    void runningInstancesCannotBeDumped() {
        if (::geteuid() != 0)
            QSKIP("needs root to run the instances as another user");
        const uid_t nobody = 65534;
        ::chmod(QFile::encodeName(dir.path()).constData(), 0755); // the other user reaches its folder
        const QString home = programHome("dump-home");
        for (const char* sub : {"", "/config", "/runtime"})
            QVERIFY(::chown(QFile::encodeName(home + sub).constData(), nobody, nobody) == 0);
        const QString path = makeFile(home + "/file.kvf", 2);
        QVERIFY(::chown(QFile::encodeName(path).constData(), nobody, nobody) == 0);

        auto asNobody = [](QProcess& p) {
            p.setChildProcessModifier([] {
                if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
        };
        auto ownerOfProc = [](qint64 pid) {
            struct stat st;
            return ::stat(QByteArray("/proc/" + QByteArray::number(pid) + "/status").constData(), &st) == 0 ? st.st_uid
                                                                                                            : uid_t(-1);
        };
        auto coreLimit = [](qint64 pid) {
            for (const QByteArray& line : readAll("/proc/" + QString::number(pid) + "/limits").split('\n'))
                if (line.startsWith("Max core file size"))
                    return line.simplified();
            return QByteArray();
        };

        // The check itself: an ordinary process of that user is dumpable and owns its /proc entry.
        QProcess control;
        asNobody(control);
        control.start("/bin/sleep", {"60"});
        QVERIFY(control.waitForStarted(-1));
        QTRY_COMPARE(ownerOfProc(control.processId()), nobody);
        control.kill();
        control.waitForFinished(-1);

        QProcess program;
        program.setProcessEnvironment(programEnvironment(home));
        asNobody(program);
        program.start(kProgram, {"/F:" + path});
        QVERIFY(program.waitForStarted(-1));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(home + "/state"), 60000); // the file is open
        QCOMPARE(coreLimit(program.processId()), QByteArray("Max core file size 0 0 bytes"));
        QCOMPARE(ownerOfProc(program.processId()), uid_t(0));
        QCOMPARE(readAll("/proc/" + QString::number(program.processId()) + "/status").contains("Uid:\t65534"), true);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(60000));

        // keyvane-cli, waiting for the password
        QProcess cli;
        asNobody(cli);
        cli.start(kCli, {"ls", path});
        QVERIFY(cli.waitForStarted(-1));
        QTRY_COMPARE(ownerOfProc(cli.processId()), uid_t(0));
        QCOMPARE(coreLimit(cli.processId()), QByteArray("Max core file size 0 0 bytes"));
        cli.write("pw1234\n");
        cli.closeWriteChannel();
        QVERIFY(cli.waitForFinished(-1));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray("Account 00\nAccount 01\n"));
    }

    // Pictures of the warnings as the user sees them, when KEYVANE_SHOTS names a folder.
    void screenshots() {
        const QString shots = qEnvironmentVariable("KEYVANE_SHOTS");
        if (shots.isEmpty())
            QSKIP("set KEYVANE_SHOTS to a folder to get pictures of the warnings");
        QsSetExceptionHandler(&QsShowException);
        auto shootBox = [shots](const QString& name) {
            QsAnswers::PushHandler("QsMessageDetails", [shots, name](QObject* object) {
                auto* box = qobject_cast<QWidget*>(object);
                box->show();
                if (QTest::qWaitForWindowExposed(box))
                    box->grab().save(shots + "/" + name + ".png");
                box->hide();
                return QVariant(1);
            });
        };
        w->resize(700, 400);
        w->show();
        const QString path = makeFile(dir.filePath("Damaged shot.kvf"), 12);
        const QByteArray bytes = readAll(path);
        writeAll(path, bytes.left(bytes.size() / 2 / 8 * 8));
        shootBox("damaged_warning");
        open(path);
        w->grab().save(shots + "/damaged_window.png");

        QTemporaryDir folder;
        const QString shared = makeFile(folder.filePath("Shared.kvf"), 2);
        open(shared);
        TKYVNFile other;
        other.FileName = shared;
        other.Load();
        other.Password = "changed";
        other.Save(false);
        shootBox("changed_elsewhere_info");
        QsAnswers::PushHandler("TAccountEdit", newAccount("From the program"));
        QVERIFY(w->RunCommand(w->actAccountAdd));
    }
};

KYVN_TEST_MAIN(TestMainFileSafety)
#include "tst_mainfilesafety.moc"
