// The settings store lives in one SQLite database. Keys are rows of their own (so an empty key still
// exists, as in the registry); values remember the order in which they were first written through their
// row id, which an overwrite keeps. Key paths and value names are compared exactly, as Linux names are:
// recent-file paths are value names, and two paths that differ in case are two files.
//
// One connection per process, opened on first use. Every write is one IMMEDIATE transaction and the
// connection waits a little for a busy database, so two processes writing at once lose nothing. Another
// process that holds its lock for long costs a read at most a short wait (the default is given then),
// and only the first operation of a while waits at all. A termination request ends every wait at once.
//
// What the store keeps (recent paths, what was typed into Find) is for its owner only: the folder is
// 0700, the database and its journal files 0600, tightened when they are found wider.
#include "QsRegUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>
#include <QVariant>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

const QString kConnection = QStringLiteral("QsRegUtils");
constexpr int kTypeString = 1;  // REG_SZ
constexpr int kTypeInteger = 4; // REG_DWORD
// How long an operation waits for another connection's lock.
constexpr int kReadWaitMs = 250;
constexpr int kWriteWaitMs = 1000;
// After a wait ran out, the operations of this while try once and do not wait.
constexpr int kBusySpellMs = 2000;

using TClock = std::chrono::steady_clock;

volatile std::sig_atomic_t waitsAbandoned = 0;

struct TWaitState {
    TClock::time_point deadline;  // the current operation's wait ends here
    TClock::time_point busyUntil; // a wait ran out: no waiting until then
    bool gaveUp = false;          // the current operation found the database locked and gave up
};

TWaitState& waitState() {
    static TWaitState w;
    return w;
}

// SQLite asks this before each retry of a busy database: sleep a little and retry, or give up.
int onBusy(void*, int) {
    TWaitState& w = waitState();
    const auto now = TClock::now();
    if (waitsAbandoned || now >= w.deadline) {
        w.gaveUp = true;
        if (now >= w.deadline && now >= w.busyUntil)
            w.busyUntil = now + std::chrono::milliseconds(kBusySpellMs);
        return 0;
    }
    // Short naps, so that a termination request is noticed at once.
    const auto nap = std::min<TClock::duration>(w.deadline - now, std::chrono::milliseconds(5));
    const timespec ts{0, long(std::chrono::duration_cast<std::chrono::nanoseconds>(nap).count())};
    ::nanosleep(&ts, nullptr);
    return 1;
}

// Sets the wait of the operation that follows.
void beginWait(int ms) {
    TWaitState& w = waitState();
    const auto now = TClock::now();
    w.deadline = now < w.busyUntil ? now : now + std::chrono::milliseconds(ms);
    w.gaveUp = false;
}

bool inBusySpell() {
    return TClock::now() < waitState().busyUntil;
}

void useOwnBusyHandler(QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        if (sqlite3* raw = *static_cast<sqlite3* const*>(handle.constData()))
            sqlite3_busy_handler(raw, &onBusy, nullptr);
}

// Owner-only, for a regular file or folder of ours that is found wider; never through a link.
void tighten(const QString& path, mode_t mode) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) &&
        (st.st_mode & 07777 & ~mode) != 0)
        ::fchmod(fd, st.st_mode & mode);
    ::close(fd);
}

// The folder and the database exist owner-only before SQLite opens them; SQLite gives its journal
// files the database's mode.
void keepPrivate(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        QDir().mkpath(QFileInfo(folder).absolutePath());
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    }
    tighten(folder, 0700);
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0)
        ::close(fd);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        tighten(path + QLatin1String(suffix), 0600);
}

struct TStoreState {
    QString path;        // the database the connection belongs to
    bool open = false;   // the connection exists and the schema is in place
    bool broken = false; // the database at `path` cannot be used; reads give the defaults
    bool busy = false;   // the last try to open found the database locked by another connection
};

TStoreState& state() {
    static TStoreState s;
    return s;
}

void closeConnection() {
    TStoreState& s = state();
    if (QSqlDatabase::contains(kConnection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(kConnection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(kConnection);
    }
    s = TStoreState();
}

bool exec(QSqlQuery& q, const QString& sql) {
    return q.exec(sql);
}

bool createSchema(QSqlDatabase& db) {
    QSqlQuery q(db);
    // The first statement that touches the file tells a corrupt or foreign file apart.
    if (!exec(q, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN ('reg_keys', 'reg_values')")) ||
        !q.next())
        return false;
    const bool made = q.value(0).toInt() == 2;
    q.finish();
    // The write-ahead log lets readers and a writer work side by side and makes a write cheap.
    // Where the file system cannot hold it, the classic journal stays and everything still works.
    exec(q, QStringLiteral("PRAGMA journal_mode = WAL"));
    exec(q, QStringLiteral("PRAGMA synchronous = NORMAL"));
    q.finish();
    if (made) // nothing to write: a lock another process holds does not matter here
        return true;
    if (!exec(q, QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    const bool ok =
        exec(q, QStringLiteral("CREATE TABLE IF NOT EXISTS reg_keys (root INTEGER NOT NULL, path TEXT NOT NULL, "
                               "PRIMARY KEY (root, path)) WITHOUT ROWID")) &&
        exec(q, QStringLiteral("CREATE TABLE IF NOT EXISTS reg_values (id INTEGER PRIMARY KEY, root INTEGER NOT NULL, "
                               "path TEXT NOT NULL, name TEXT NOT NULL, type INTEGER NOT NULL, data, "
                               "UNIQUE (root, path, name))"));
    if (!ok) {
        exec(q, QStringLiteral("ROLLBACK"));
        return false;
    }
    return exec(q, QStringLiteral("COMMIT"));
}

// The connection to the current database, or nothing when the store cannot be used.
std::optional<QSqlDatabase> database() {
    TStoreState& s = state();
    const QString path = QsRegDatabasePath();
    if (path != s.path)
        closeConnection();
    if (s.broken)
        return std::nullopt;
    if (s.open)
        return QSqlDatabase::database(kConnection, false);
    // Locked a moment ago: the defaults now, another try after the spell.
    if (s.busy && inBusySpell())
        return std::nullopt;

    s.path = path;
    keepPrivate(path);
    bool busy = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
        db.setDatabaseName(path);
        if (db.open()) {
            useOwnBusyHandler(db);
            beginWait(kReadWaitMs);
            if (createSchema(db)) {
                s.open = true;
                s.busy = false;
                return db;
            }
            busy = waitState().gaveUp;
        }
    }
    closeConnection();
    if (busy) {
        TStoreState& again = state(); // closeConnection reset it
        again.path = path;
        again.busy = true;
        return std::nullopt;
    }
    // A database that can be read but not written (a read-only mount) still gives what it holds; the
    // writes then fail and are lost, as any failed write is.
    if (QFileInfo(path).isFile()) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kConnection);
            db.setDatabaseName(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1"));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(QStringLiteral("SELECT count(*) FROM reg_keys, reg_values WHERE 0"))) {
                    q.finish();
                    s.path = path;
                    s.open = true;
                    return db;
                }
            }
        }
        closeConnection();
    }
    // Keep the path but drop the connection: every later call gives the defaults at once.
    s.path = path;
    s.broken = true;
    return std::nullopt;
}

// Outer and doubled separators do not count (\Software\\Tessivo\ is Software\Tessivo); letter case does.
QString normalKey(const QString& key) {
    const QStringList parts = key.split(u'\\', Qt::SkipEmptyParts);
    return parts.join(u'\\');
}

QString joinKey(const QString& key, const QString& subkey) {
    const QString k = normalKey(key);
    const QString s = normalKey(subkey);
    if (k.isEmpty())
        return s;
    if (s.isEmpty())
        return k;
    return k + u'\\' + s;
}

int rootId(TQsRegRoot root) {
    return static_cast<int>(root);
}

struct TStoredValue {
    int type = 0;
    QVariant data;
};

std::optional<TStoredValue> readValue(TQsRegRoot root, const QString& key, const QString& name) {
    beginWait(kReadWaitMs);
    auto db = database();
    if (!db)
        return std::nullopt;
    QSqlQuery q(*db);
    q.prepare(QStringLiteral("SELECT type, data FROM reg_values WHERE root = ? AND path = ? AND name = ?"));
    q.addBindValue(rootId(root));
    q.addBindValue(normalKey(key));
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return std::nullopt;
    return TStoredValue{q.value(0).toInt(), q.value(1)};
}

bool keyExists(QSqlDatabase& db, int root, const QString& path) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT 1 FROM reg_keys WHERE root = ? AND path = ?"));
    q.addBindValue(root);
    q.addBindValue(path);
    return q.exec() && q.next();
}

// Runs body inside one write transaction; a failure anywhere leaves the database as it was.
template <typename Body> void writeTransaction(Body body) {
    auto db = database();
    if (!db)
        return;
    beginWait(kWriteWaitMs);
    QSqlQuery q(*db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return;
    if (body(*db))
        if (q.exec(QStringLiteral("COMMIT")))
            return;
    q.exec(QStringLiteral("ROLLBACK"));
}

// Creates the key and every key above it, as creating a registry key does.
bool ensureKey(QSqlDatabase& db, int root, const QString& path) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO reg_keys (root, path) VALUES (?, ?)"));
    QString prefix;
    const QStringList parts = path.split(u'\\', Qt::SkipEmptyParts);
    for (int i = -1; i < parts.size(); ++i) {
        if (i >= 0)
            prefix = prefix.isEmpty() ? parts[i] : prefix + u'\\' + parts[i];
        q.addBindValue(root);
        q.addBindValue(prefix);
        if (!q.exec())
            return false;
    }
    return true;
}

bool putValue(QSqlDatabase& db, int root, const QString& path, const QString& name, int type, const QVariant& data) {
    QSqlQuery q(db);
    // An overwrite updates the row in place, so the name keeps its place in the order.
    q.prepare(QStringLiteral("INSERT INTO reg_values (root, path, name, type, data) VALUES (?, ?, ?, ?, ?) "
                             "ON CONFLICT (root, path, name) DO UPDATE SET type = excluded.type, "
                             "data = excluded.data"));
    q.addBindValue(root);
    q.addBindValue(path);
    q.addBindValue(name);
    q.addBindValue(type);
    q.addBindValue(data);
    return q.exec();
}

void writeValue(TQsRegRoot root, const QString& key, const QString& name, int type, const QVariant& data) {
    const QString path = normalKey(key);
    writeTransaction([&](QSqlDatabase& db) {
        return ensureKey(db, rootId(root), path) && putValue(db, rootId(root), path, name, type, data);
    });
}

// The key and everything below it; for the root itself, everything of that root.
bool deleteTree(QSqlDatabase& db, int root, const QString& path) {
    const QString below = path.isEmpty() ? QString() : path + u'\\';
    for (const char* table : {"reg_values", "reg_keys"}) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM %1 WHERE root = ? AND (path = ? OR substr(path, 1, ?) = ?)")
                      .arg(QLatin1String(table)));
        q.addBindValue(root);
        q.addBindValue(path);
        q.addBindValue(below.size());
        q.addBindValue(below);
        if (!q.exec())
            return false;
    }
    return true;
}

} // namespace

QString QsRegDatabasePath() {
    QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Tessivo/settings.db");
}

void QsRegClose() {
    closeConnection();
    waitState() = TWaitState(); // a fresh start tries the database again
}

void QsRegAbandonWaits() {
    waitsAbandoned = 1;
}

QString ReadRegString(TQsRegRoot root, const QString& key, const QString& name, const QString& def) {
    const auto v = readValue(root, key, name);
    if (!v || v->type != kTypeString)
        return def;
    return v->data.isNull() ? QString() : v->data.toString();
}

bool ReadRegBool(TQsRegRoot root, const QString& key, const QString& name, bool def) {
    const auto v = readValue(root, key, name);
    if (!v || v->type != kTypeInteger)
        return def;
    return v->data.toLongLong() != 0;
}

qint32 ReadRegInteger(TQsRegRoot root, const QString& key, const QString& name, qint32 def) {
    const auto v = readValue(root, key, name);
    if (!v || v->type != kTypeInteger)
        return def;
    return static_cast<qint32>(v->data.toLongLong());
}

QStringList ReadRegValueNames(TQsRegRoot root, const QString& key, const QString& subkey, const QStringList& def) {
    beginWait(kReadWaitMs);
    auto db = database();
    if (!db)
        return def;
    const QString path = joinKey(key, subkey);
    if (!keyExists(*db, rootId(root), path))
        return def;
    QSqlQuery q(*db);
    q.prepare(QStringLiteral("SELECT name FROM reg_values WHERE root = ? AND path = ? ORDER BY id"));
    q.addBindValue(rootId(root));
    q.addBindValue(path);
    if (!q.exec())
        return def;
    QStringList names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}

void WriteRegString(TQsRegRoot root, const QString& key, const QString& name, const QString& value) {
    // A null QString would be stored as SQL NULL; the registry knows only empty strings.
    writeValue(root, key, name, kTypeString, value.isNull() ? QStringLiteral("") : value);
}

void WriteRegBool(TQsRegRoot root, const QString& key, const QString& name, bool value) {
    writeValue(root, key, name, kTypeInteger, value ? 1 : 0);
}

void WriteRegInteger(TQsRegRoot root, const QString& key, const QString& name, qint32 value) {
    writeValue(root, key, name, kTypeInteger, value);
}

void WriteRegValueNames(TQsRegRoot root, const QString& key, const QString& subkey, const QStringList& names) {
    const QString path = joinKey(key, subkey);
    writeTransaction([&](QSqlDatabase& db) {
        if (!deleteTree(db, rootId(root), path) || !ensureKey(db, rootId(root), path))
            return false;
        for (const QString& name : names)
            if (!putValue(db, rootId(root), path, name, kTypeString, QStringLiteral("")))
                return false;
        return true;
    });
}

bool RegValueExists(TQsRegRoot root, const QString& key, const QString& name) {
    return readValue(root, key, name).has_value();
}

void DeleteRegValue(TQsRegRoot root, const QString& key, const QString& name) {
    const QString path = normalKey(key);
    writeTransaction([&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM reg_values WHERE root = ? AND path = ? AND name = ?"));
        q.addBindValue(rootId(root));
        q.addBindValue(path);
        q.addBindValue(name);
        return q.exec();
    });
}

void DeleteRegValues(TQsRegRoot root, const QString& key) {
    const QString path = normalKey(key);
    writeTransaction([&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM reg_values WHERE root = ? AND path = ?"));
        q.addBindValue(rootId(root));
        q.addBindValue(path);
        return q.exec();
    });
}
