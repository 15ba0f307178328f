#include "KyvnTest.h"
#include "QsReplaceFile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

// What a layer's own raiser throws, to tell it from the default std::system_error.
struct TRaised {
    int Code;
};
[[noreturn]] void raiseOwn(int code) {
    throw TRaised{code};
}
// A faulty raiser that returns: the failure must still not pass as success.
void raiseNothing(int) {}

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// A small file system mounted for one test, taken away again however the test ends.
struct TMount {
    QTemporaryDir Dir;
    bool Mounted = false;
    TMount(unsigned long flags, const char* options) {
        Mounted = ::mount("tmpfs", QFile::encodeName(Dir.path()).constData(), "tmpfs", flags, options) == 0;
    }
    ~TMount() {
        if (Mounted)
            ::umount(QFile::encodeName(Dir.path()).constData());
    }
};

} // namespace

class TestReplaceFile : public QObject {
    Q_OBJECT

private slots:
    void theTargetChangesOnlyWhenCommitted() {
        QTemporaryDir dir;
        const QString target = dir.filePath("data.txt");
        KyvnTest::writeAll(target, "earlier");
        const mode_t saved = ::umask(0);
        {
            TQsReplaceFile fresh(dir.path(), "test");
            ::umask(saved);
            QVERIFY(fresh.FileName().startsWith(dir.filePath(".keyvane-test-")));
            QCOMPARE(modeOf(fresh.FileName()), mode_t(0600));
            fresh.Write("new content");
            QCOMPARE(KyvnTest::readAll(target), QByteArray("earlier"));
            fresh.Commit(target);
        }
        ::umask(saved);
        QCOMPARE(KyvnTest::readAll(target), QByteArray("new content"));
        QCOMPARE(modeOf(target), mode_t(0600));
        QCOMPARE(filesIn(dir.path()), QStringList({"data.txt"}));
    }

    void anUncommittedFileIsRemovedAndTheEarlierOneKept() {
        QTemporaryDir dir;
        const QString target = dir.filePath("data.txt");
        KyvnTest::writeAll(target, "earlier");
        try {
            TQsReplaceFile fresh(dir.path(), "test", TQsReplaceFile::Unlocked, &raiseOwn);
            fresh.Write("half of it");
            throw TRaised{0}; // the writer gives up before the end
        } catch (const TRaised&) {
        }
        QCOMPARE(KyvnTest::readAll(target), QByteArray("earlier"));
        QCOMPARE(filesIn(dir.path()), QStringList({"data.txt"}));
    }

    void dataWrittenByNameIsWhatIsRenamed() {
        // a writer that opens the new file itself (the PDF printer) by its name
        QTemporaryDir dir;
        const QString target = dir.filePath("out.pdf");
        TQsReplaceFile fresh(dir.path(), "print");
        KyvnTest::writeAll(fresh.FileName(), "%PDF by name");
        fresh.Commit(target);
        QCOMPARE(KyvnTest::readAll(target), QByteArray("%PDF by name"));
        QCOMPARE(modeOf(target), mode_t(0600));
        QCOMPARE(filesIn(dir.path()), QStringList({"out.pdf"}));
    }

    void aFolderThatTakesNoFilesRaisesTheSystemsReason() {
        QTemporaryDir dir;
        std::unique_ptr<TMount> readOnly;
        QString folder = dir.filePath("sealed");
        int expected = EACCES;
        if (::geteuid() == 0) {
            // root writes through permissions; a read-only file system stops it
            readOnly = std::make_unique<TMount>(MS_RDONLY, "size=64k");
            if (!readOnly->Mounted)
                QSKIP("no tmpfs mount here");
            folder = readOnly->Dir.path();
            expected = EROFS;
        } else {
            QVERIFY(QDir(dir.path()).mkdir("sealed"));
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0500) == 0);
        }
        try {
            TQsReplaceFile fresh(folder, "test", TQsReplaceFile::Unlocked, &raiseOwn);
            QFAIL("no error");
        } catch (const TRaised& e) {
            QCOMPARE(e.Code, expected);
        }
        QCOMPARE(filesIn(folder), QStringList());
        try {
            TQsReplaceFile fresh(dir.filePath("missing"), "test");
            QFAIL("no error");
        } catch (const std::system_error& e) {
            QCOMPARE(e.code().value(), ENOENT);
        }
        ::chmod(QFile::encodeName(dir.filePath("sealed")).constData(), 0700);
    }

    void aFullDiskFailsAndLeavesNothing() {
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        TMount small(0, "size=64k");
        if (!small.Mounted)
            QSKIP("no tmpfs mount here");
        const QString target = small.Dir.filePath("data.txt");
        KyvnTest::writeAll(target, "earlier");
        try {
            TQsReplaceFile fresh(small.Dir.path(), "test", TQsReplaceFile::Unlocked, &raiseOwn);
            fresh.Write(QByteArray(256 * 1024, 'x'));
            fresh.Commit(target);
            QFAIL("no error");
        } catch (const TRaised& e) {
            QCOMPARE(e.Code, ENOSPC);
        }
        QCOMPARE(KyvnTest::readAll(target), QByteArray("earlier"));
        QCOMPARE(filesIn(small.Dir.path()), QStringList({"data.txt"}));
    }

    void aFailedRenameLeavesNoStrayFile() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("taken/inside"));
        try {
            TQsReplaceFile fresh(dir.path(), "test", TQsReplaceFile::Unlocked, &raiseOwn);
            fresh.Write("content");
            fresh.Commit(dir.filePath("taken"));
            QFAIL("no error");
        } catch (const TRaised& e) {
            QCOMPARE(e.Code, EISDIR);
        }
        QCOMPARE(filesIn(dir.path()), QStringList({"taken"}));
        QVERIFY(QFileInfo(dir.filePath("taken/inside")).isDir());
    }

    void aRaiserThatReturnsStillStopsTheWrite() {
        QTemporaryDir dir;
        try {
            TQsReplaceFile fresh(dir.filePath("missing"), "test", TQsReplaceFile::Unlocked, &raiseNothing);
            QFAIL("no error");
        } catch (const std::system_error& e) {
            QCOMPARE(e.code().value(), ENOENT);
        }
    }

    void aLockedFileIsBusyUntilClosed() {
        QTemporaryDir dir;
        auto lockable = [](const QByteArray& path) {
            const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
            const bool free = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
            if (fd >= 0)
                ::close(fd);
            return free;
        };
        TQsReplaceFile locked(dir.path(), "save", TQsReplaceFile::Locked);
        TQsReplaceFile plain(dir.path(), "export");
        QVERIFY(!lockable(locked.Path()));
        QVERIFY(lockable(plain.Path()));
        locked.SyncAndClose();
        QVERIFY(lockable(locked.Path()));
    }

    void linksToFilesAreFollowed() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("real"));
        const QString file = dir.filePath("real/data.txt");
        KyvnTest::writeAll(file, "x");
        QVERIFY(QFile::link(file, dir.filePath("link.txt")));
        QVERIFY(QFile::link(dir.filePath("real/none.txt"), dir.filePath("dangling.txt")));
        QCOMPARE(QsReplaceTarget(dir.filePath("link.txt")), QFileInfo(file).canonicalFilePath());
        // a link to nothing is replaced itself rather than creating a file wherever it points
        QCOMPARE(QsReplaceTarget(dir.filePath("dangling.txt")), dir.filePath("dangling.txt"));
        QCOMPARE(QsReplaceTarget(file), file);
        QDir::setCurrent(dir.path());
        QCOMPARE(QsReplaceTarget("plain.txt"), dir.filePath("plain.txt"));
        QDir::setCurrent(QDir::rootPath());
    }

    // A name the user chose is decided when the new content replaces it: a link planted at the last
    // moment (here by the hook, after the new file is complete) never leads onto a guarded file, and in
    // a sticky folder everyone may write to, a link that someone else owns is not followed. Links of the
    // user's own go on working, and a dangling one is replaced itself.
    void aChosenNameIsDecidedWhenReplaced_data() {
        QTest::addColumn<QString>("plant");    // what the hook puts at the chosen name
        QTest::addColumn<bool>("sticky");      // the chosen name is in a sticky, world-writable folder
        QTest::addColumn<int>("linkOwner");    // -1 the writer, else the uid the link is given
        QTest::addColumn<int>("refused");      // the reason, 0 for a replacement
        QTest::addColumn<QString>("replaced"); // the file that then holds the new content
        QTest::newRow("link to the open file") << "link:guarded" << false << -1 << EBUSY << "";
        QTest::newRow("link to its backup") << "link:backup" << false << -1 << EBUSY << "";
        QTest::newRow("link to a link to the open file") << "link:chain" << false << -1 << EBUSY << "";
        QTest::newRow("the open file's own name") << "guarded" << false << -1 << EBUSY << "";
        QTest::newRow("hard link of the open file") << "hardlink" << false << -1 << EBUSY << "";
        QTest::newRow("own link to a file") << "link:other" << false << -1 << 0 << "other";
        QTest::newRow("own link in a sticky folder") << "link:other" << true << -1 << 0 << "other";
        QTest::newRow("someone else's link in a sticky folder") << "link:other" << true << 4321 << EACCES << "";
        QTest::newRow("dangling link") << "link:none" << false << -1 << 0 << "chosen";
        QTest::newRow("nothing planted") << "" << false << -1 << 0 << "chosen";
    }
    void aChosenNameIsDecidedWhenReplaced() {
        QFETCH(QString, plant);
        QFETCH(bool, sticky);
        QFETCH(int, linkOwner);
        QFETCH(int, refused);
        QFETCH(QString, replaced);
        if (linkOwner >= 0 && ::geteuid() != 0)
            QSKIP("giving a link to another user needs root");
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("home"));
        QVERIFY(QDir(dir.path()).mkdir("shared"));
        const QString home = dir.filePath("home");
        const QString shared = dir.filePath("shared");
        if (sticky)
            QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
        const QString guarded = home + "/safe.kvf";
        const QString backup = home + "/Backup of safe.kvf";
        const QString other = home + "/notes.txt";
        KyvnTest::writeAll(guarded, "passwords");
        KyvnTest::writeAll(backup, "old passwords");
        KyvnTest::writeAll(other, "notes");
        QsSetGuardedFiles([&] { return QStringList{guarded, backup}; });
        const QString chosen = plant == "guarded" ? guarded : shared + "/export.csv";

        QsBeforeReplaceHook() = [&](const QString& name) {
            QCOMPARE(name, chosen);
            const QByteArray at = QFile::encodeName(chosen);
            const QMap<QString, QString> targets{{"link:guarded", guarded},
                                                 {"link:backup", backup},
                                                 {"link:chain", shared + "/step"},
                                                 {"link:other", other},
                                                 {"link:none", home + "/none.txt"}};
            if (plant == "link:chain")
                QVERIFY(QFile::link(guarded, shared + "/step"));
            if (targets.contains(plant))
                QVERIFY(QFile::link(targets[plant], chosen));
            if (plant == "hardlink")
                QCOMPARE(::link(QFile::encodeName(guarded).constData(), at.constData()), 0);
            if (linkOwner >= 0)
                QCOMPARE(::lchown(at.constData(), uid_t(linkOwner), gid_t(linkOwner)), 0);
        };
        int reason = 0;
        try {
            TQsReplaceFile fresh(home, "export");
            fresh.Write("secret,csv\n");
            fresh.CommitChosen(chosen);
        } catch (const std::system_error& e) {
            reason = e.code().value();
        }
        QsBeforeReplaceHook() = nullptr;
        QsSetGuardedFiles({});
        QCOMPARE(reason, refused);
        QCOMPARE(KyvnTest::readAll(guarded), QByteArray("passwords"));
        QCOMPARE(KyvnTest::readAll(backup), QByteArray("old passwords"));
        if (replaced == "other")
            QCOMPARE(KyvnTest::readAll(other), QByteArray("secret,csv\n"));
        else
            QCOMPARE(KyvnTest::readAll(other), QByteArray("notes"));
        if (replaced == "chosen") {
            QCOMPARE(KyvnTest::readAll(chosen), QByteArray("secret,csv\n"));
            QVERIFY(!QFileInfo(chosen).isSymLink());
            QCOMPARE(modeOf(chosen), mode_t(0600));
        }
        // nothing of the write is left beside the files
        for (const QString& folder : {home, shared})
            for (const QString& name : filesIn(folder))
                QVERIFY2(!name.startsWith(".keyvane-"), qPrintable(name));
    }

    // A copy under a chosen name: the whole source, owner-only, through the same decision.
    void aCopyTakesTheSameDecision() {
        QTemporaryDir dir;
        const QString source = dir.filePath("safe.kvf");
        KyvnTest::writeAll(source, QByteArray(100000, 'k'));
        QsSetGuardedFiles([&] { return QStringList{source}; });
        const QString copy = dir.filePath("copy.kvf");
        QsCopyToChosen(source, copy);
        QCOMPARE(KyvnTest::readAll(copy), QByteArray(100000, 'k'));
        QCOMPARE(modeOf(copy), mode_t(0600));
        QVERIFY(QFile::link(source, dir.filePath("link.kvf")));
        int reason = 0;
        try {
            QsCopyToChosen(copy, dir.filePath("link.kvf"));
        } catch (const std::system_error& e) {
            reason = e.code().value();
        }
        QsSetGuardedFiles({});
        QCOMPARE(reason, EBUSY);
        QCOMPARE(KyvnTest::readAll(source), QByteArray(100000, 'k'));
    }
};

QTEST_GUILESS_MAIN(TestReplaceFile)
#include "tst_replacefile.moc"
