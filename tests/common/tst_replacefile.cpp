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
};

QTEST_GUILESS_MAIN(TestReplaceFile)
#include "tst_replacefile.moc"
