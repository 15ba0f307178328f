// A save killed at any moment: a child process saves again and again and is killed at many moments
// spread over its saves. The name always holds one complete version, the backup a complete earlier
// one, no plain text reaches the folder, and the next save leaves no stray file.
#include "KyvnTest.h"

#include "clsFile.h"

#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using KyvnTest::readAll;

namespace {

constexpr int kAccounts = 4000;

// Version v of the file: the version number sits in the first account's notes.
void fillVersion(TKYVNFile& file, int version) {
    file.ClearAccounts();
    file.Password = "secret";
    for (int i = 0; i < kAccounts; ++i) {
        auto* a = new TKYVNAccount;
        a->AccountName = QString("Plainname%1").arg(i);
        a->Login = "login";
        a->Password = QString("pw%1-%2").arg(i).arg(version);
        a->Notes = i == 0 ? QString("version %1").arg(version) : QString("notes");
        a->Created = a->Modified = QDate(2020, 1, 1);
        file.AddAccount(a);
    }
}

// The version a complete file holds, or -1 when the file is not exactly one of the versions.
int versionOf(const QString& path) {
    TKYVNFile file;
    file.FileName = path;
    try {
        file.Load();
    } catch (const std::exception&) {
        return -1;
    }
    if (file.Damaged() || file.AccountCount() != kAccounts)
        return -1;
    bool ok = false;
    const int version = file.GetAccount(0)->Notes.mid(8).toInt(&ok);
    if (!ok)
        return -1;
    TKYVNFile expected;
    fillVersion(expected, version);
    return expected.PlainText() == file.PlainText() ? version : -1;
}

[[noreturn]] void saveForever(const QString& path, int firstVersion) {
    TKYVNFile file;
    file.FileName = path;
    for (int v = firstVersion;; ++v) {
        fillVersion(file, v);
        try {
            file.Save(true);
        } catch (...) {
            ::_exit(3);
        }
    }
}

} // namespace

class TestSaveKill : public QObject {
    Q_OBJECT

private slots:
    void killedSavesLoseNothing() {
        QTemporaryDir folder;
        const QString name = folder.filePath("Kill.kvf");
        const QString backup = BackupFileName(name);
        {
            TKYVNFile file;
            file.FileName = name;
            fillVersion(file, 0);
            file.Save(true);
        }
        QElapsedTimer clock;
        clock.start();
        {
            TKYVNFile probe;
            probe.FileName = name;
            fillVersion(probe, 0);
            probe.Save(true);
        }
        // one save's length, so that the kills fall over several saves at every phase
        const qint64 saveUs = std::max<qint64>(1000, clock.nsecsElapsed() / 1000);

        constexpr int kKills = 120;
        int version = 1, strayMoments = 0, newer = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            const int before = versionOf(name);
            QVERIFY(before >= 0);
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0)
                saveForever(name, version);
            // from a moment before the first save has written anything to a few saves in
            ::usleep(useconds_t((kill * 7919) % kKills * saveUs * 3 / kKills));
            ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY2(WIFSIGNALED(status), "the saving child ended on its own");

            const int after = versionOf(name);
            QVERIFY2(after == before || (after >= version && after < version + 1000),
                     qPrintable(QString("kill %1: file holds %2").arg(kill).arg(after)));
            newer += after != before;
            const int saved = versionOf(backup);
            QVERIFY2(saved >= 0 && saved <= std::max(after, before), qPrintable(QString("kill %1: backup").arg(kill)));

            const QStringList files = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
            for (const QString& f : files) {
                const QByteArray bytes = readAll(folder.filePath(f));
                QVERIFY2(!bytes.contains("ZKYVN") && !bytes.contains("Plainname"), qPrintable("plain text in " + f));
            }
            strayMoments += QDir(folder.path()).entryList({".keyvane-*"}, QDir::Files | QDir::Hidden).size() > 0;
            version += 1000;

            // The next save clears what the killed one left.
            if (kill % 10 == 9) {
                TKYVNFile file;
                file.FileName = name;
                fillVersion(file, after);
                file.Save(true);
                QCOMPARE(QDir(folder.path()).entryList({".keyvane-*"}, QDir::Files | QDir::Hidden), QStringList());
            }
        }
        qInfo("%d kills during saves; %d found a newer file, %d left files of a save behind", kKills, newer,
              strayMoments);
        QVERIFY(newer > 0);
    }
};

KYVN_TEST_CORE_MAIN(TestSaveKill)
#include "tst_savekill.moc"
