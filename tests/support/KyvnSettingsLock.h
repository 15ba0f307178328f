// Another process that holds a lock on the settings database until it is let go: a second Python
// program with its own SQLite connection, as another Keyvane or a backup tool would hold it.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace KyvnTest {

class TSettingsLockHolder {
public:
    // "exclusive" keeps readers out as well; "immediate" is a writer inside its transaction.
    enum TKind { Immediate, Exclusive };

    TSettingsLockHolder(const QString& database, TKind kind) {
        holder_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        holder_.start(QStringLiteral("python3"),
                      {QStringLiteral("-c"),
                       QStringLiteral("import sqlite3, sys\n"
                                      "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                      "if sys.argv[2] == 'exclusive':\n"
                                      "    c.execute('PRAGMA locking_mode = EXCLUSIVE')\n"
                                      "c.execute('BEGIN ' + sys.argv[2].upper())\n"
                                      "c.execute('CREATE TABLE IF NOT EXISTS held (x)')\n"
                                      "print('locked', flush=True)\n"
                                      "sys.stdin.read()\n"),
                       database, kind == Exclusive ? QStringLiteral("exclusive") : QStringLiteral("immediate")});
        holder_.waitForStarted();
        while (!holder_.canReadLine() && holder_.state() == QProcess::Running)
            holder_.waitForReadyRead(1000);
        locked_ = holder_.readLine().trimmed() == "locked";
    }
    ~TSettingsLockHolder() { Release(); }
    TSettingsLockHolder(const TSettingsLockHolder&) = delete;
    TSettingsLockHolder& operator=(const TSettingsLockHolder&) = delete;

    bool Locked() const { return locked_; }
    bool StillHolding() const { return locked_ && holder_.state() == QProcess::Running; }
    // Ends the holder; its transaction is rolled back.
    void Release() {
        if (holder_.state() == QProcess::NotRunning)
            return;
        holder_.closeWriteChannel();
        if (!holder_.waitForFinished(30000))
            holder_.kill();
        holder_.waitForFinished();
    }

private:
    QProcess holder_;
    bool locked_ = false;
};

} // namespace KyvnTest
