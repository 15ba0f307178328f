#include "clsFile.h"

#include "Ideaunit.h"
#include "QsExceptions.h"
#include "QsReplaceFile.h"
#include "uOptions.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const char signature[] = "ZKYVN";

// Overwrites memory that held plain text before it is given back.
void wipe(QByteArray& bytes) {
    if (!bytes.isEmpty() && bytes.isDetached())
        explicit_bzero(bytes.data(), size_t(bytes.size()));
}

// ---- Text encoding ------------------------------------------------------------------------------

bool validUtf8(const unsigned char* p, size_t n) {
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII go eight bytes at a time.
        while (i + 8 <= n) {
            quint64 w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ull)
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        unsigned int cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (p[i + k] & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += len;
    }
    return true;
}

// Windows-1252: Latin-1 except for 0x80 to 0x9F (the five unassigned codes keep their C1 value).
const char16_t cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Reads one line: as UTF-8 when its bytes are valid UTF-8, as Windows-1252 otherwise, so that one
// damaged byte garbles one value and an 8-bit file keeps its accented letters.
class TTextReader {
public:
    explicit TTextReader(QByteArrayView line)
        : utf8_(validUtf8(reinterpret_cast<const unsigned char*>(line.data()), size_t(line.size()))) {}
    QString text(const char* p, qsizetype n) const {
        if (n <= 0)
            return QString();
        if (utf8_)
            return fromUtf8(p, n);
        QString s(n, Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(s.data());
        for (qsizetype i = 0; i < n; ++i) {
            const unsigned char c = static_cast<unsigned char>(p[i]);
            out[i] = (c >= 0x80 && c < 0xA0) ? cp1252High[c - 0x80] : char16_t(c);
        }
        return s;
    }
    QString text(QByteArrayView v) const { return text(v.data(), v.size()); }
    // The line without its first character, whatever that character is.
    QByteArrayView value(QByteArrayView line) const {
        if (line.isEmpty())
            return line;
        qsizetype skip = 1;
        if (utf8_)
            while (skip < line.size() && (static_cast<unsigned char>(line[skip]) & 0xC0) == 0x80)
                ++skip;
        return line.sliced(skip);
    }

private:
    // The bytes are valid UTF-8 here; every character is kept, a leading U+FEFF included.
    static QString fromUtf8(const char* p, qsizetype n) {
        QString s(n, Qt::Uninitialized);
        char16_t* out = reinterpret_cast<char16_t*>(s.data());
        qsizetype k = 0;
        for (qsizetype i = 0; i < n;) {
            const unsigned char c = static_cast<unsigned char>(p[i]);
            if (c < 0x80) {
                out[k++] = c;
                ++i;
                continue;
            }
            const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            char32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
            for (int j = 1; j < len; ++j)
                cp = cp << 6 | (static_cast<unsigned char>(p[i + j]) & 0x3F);
            i += len;
            if (cp >= 0x10000) {
                cp -= 0x10000;
                out[k++] = char16_t(0xD800 + (cp >> 10));
                out[k++] = char16_t(0xDC00 + (cp & 0x3FF));
            } else {
                out[k++] = char16_t(cp);
            }
        }
        s.truncate(k);
        return s;
    }
    bool utf8_;
};

// ---- Lines --------------------------------------------------------------------------------------

// Walks the lines of a plain text: a line ends at CR LF, a CR alone or a LF alone; the first NUL ends
// the text. A line break at the very end does not start another line.
class TLineCursor {
public:
    TLineCursor(const char* data, qsizetype size) : p_(data) {
        if (const void* nul = std::memchr(data, 0, size_t(size)))
            size = static_cast<const char*>(nul) - data;
        end_ = data + size;
        cr_ = find('\r', data);
        lf_ = find('\n', data);
    }
    bool atEnd() const { return p_ >= end_; }
    // The current line (p, length); moves to the next.
    QByteArrayView take() {
        const char* brk = nextBreak();
        const char* stop = brk ? brk : end_;
        const QByteArrayView line(p_, stop - p_);
        p_ = brk ? after(brk) : end_;
        return line;
    }
    const char* end() const { return end_; }
    const char* position() const { return p_; }

private:
    const char* find(char c, const char* from) const {
        return static_cast<const char*>(std::memchr(from, c, size_t(end_ - from)));
    }
    const char* nextBreak() {
        if (cr_ && cr_ < p_)
            cr_ = find('\r', p_);
        if (lf_ && lf_ < p_)
            lf_ = find('\n', p_);
        return cr_ && (!lf_ || cr_ < lf_) ? cr_ : lf_;
    }
    const char* after(const char* brk) const {
        return brk + ((*brk == '\r' && brk + 1 < end_ && brk[1] == '\n') ? 2 : 1);
    }

    const char* p_;
    const char* end_;
    const char* cr_;
    const char* lf_;
};

// The notes' line breaks: ' back to CR, # back to LF, in one pass and only when there are any.
void decodeLineBreaks(QString& notes) {
    const char16_t* begin = reinterpret_cast<const char16_t*>(notes.constData());
    const char16_t* end = begin + notes.size();
    const char16_t* hit = std::find_if(begin, end, [](char16_t c) { return c == u'\'' || c == u'#'; });
    if (hit == end)
        return;
    const qsizetype from = hit - begin;
    char16_t* p = reinterpret_cast<char16_t*>(notes.data()); // detaches once
    for (qsizetype i = from; i < notes.size(); ++i)
        p[i] = p[i] == u'\'' ? u'\r' : p[i] == u'#' ? u'\n' : p[i];
}

[[noreturn]] void indexError(qsizetype index) {
    throw EQsException(QStringLiteral("List index out of bounds (%1)").arg(index));
}

// ---- Writing the plain text ---------------------------------------------------------------------

class TPlainWriter {
public:
    explicit TPlainWriter(qsizetype estimate) : encoder_(QStringEncoder::Utf8, QStringConverter::Flag::Stateless) {
        out_.resize(estimate);
    }
    // "#" (or nothing) + text + CR LF; in the notes CR becomes ' and LF becomes #.
    // Returns false when the text holds what its line cannot carry: a NUL, which would end the file
    // early, or outside the notes a line break, which would shift every line after it.
    bool line(QStringView text, bool hash = true, bool notes = false) {
        ensure(text.size() * 3 + 3);
        char* p = out_.data() + pos_;
        if (hash)
            *p++ = '#';
        char* start = p;
        p = encoder_.appendToBuffer(p, text);
        bool bad = false;
        if (notes) {
            for (char* q = start; q < p; ++q) {
                bad |= *q == '\0';
                *q = *q == '\r' ? '\'' : *q == '\n' ? '#' : *q;
            }
        } else {
            for (const char* q = start; q < p; ++q)
                bad |= *q == '\0' || *q == '\r' || *q == '\n';
        }
        *p++ = '\r';
        *p++ = '\n';
        pos_ = p - out_.data();
        return !bad;
    }
    void ascii(QByteArrayView text) {
        ensure(text.size() + 3);
        char* p = out_.data() + pos_;
        *p++ = '#';
        std::memcpy(p, text.data(), size_t(text.size()));
        p += text.size();
        *p++ = '\r';
        *p++ = '\n';
        pos_ = p - out_.data();
    }
    // "DDMMYYYY"; a date that is not valid is written as day 0.
    void date(const QDate& date) {
        int year = 0, month = 0, day = 0;
        date.getDate(&year, &month, &day);
        if (!date.isValid() || year < 1 || year > 9999)
            KyvnDayZero().getDate(&year, &month, &day);
        char text[8];
        auto digits = [&](int value, int at, int count) {
            for (int i = count - 1; i >= 0; --i, value /= 10)
                text[at + i] = char('0' + value % 10);
        };
        digits(day, 0, 2);
        digits(month, 2, 2);
        digits(year, 4, 4);
        ascii(QByteArrayView(text, 8));
    }
    QByteArray take() {
        out_.resize(pos_);
        return std::move(out_);
    }

private:
    void ensure(qsizetype more) {
        if (pos_ + more > out_.size())
            out_.resize(std::max(out_.size() * 2, pos_ + more));
    }
    QStringEncoder encoder_;
    QByteArray out_;
    qsizetype pos_ = 0;
};

// ---- POSIX file steps ---------------------------------------------------------------------------

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

[[noreturn]] void ioError(int code = errno) {
    throw EInOutError(code);
}

class TFd {
public:
    explicit TFd(int fd = -1) : fd(fd) {}
    ~TFd() {
        if (fd >= 0)
            ::close(fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    void close() {
        const int f = fd;
        fd = -1;
        if (::close(f) != 0)
            ioError();
    }
    int fd;
};

// Reads the whole file; reuse lends the memory of a buffer that is no longer needed.
QByteArray readWholeFile(const QString& path, QByteArray reuse = QByteArray(), struct stat* status = nullptr) {
    // Opened without waiting, so that a named pipe cannot block; only regular files are read, as a
    // device could feed data without end.
    TFd file(::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0)
        ioError();
    struct stat st;
    if (::fstat(file.fd, &st) != 0)
        ioError();
    if (S_ISDIR(st.st_mode))
        ioError(EISDIR);
    if (!S_ISREG(st.st_mode))
        ioError(EINVAL);
    QByteArray data = std::move(reuse);
    data.resize(qsizetype(st.st_size > 0 ? st.st_size : 0));
    qsizetype got = 0;
    for (;;) {
        if (got == data.size())
            data.resize(got + 65536); // the file grew, or its size is not known in advance
        const ssize_t n = ::read(file.fd, data.data() + got, size_t(data.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ioError();
        if (n == 0)
            break;
        got += n;
    }
    data.resize(got);
    if (status) {
        *status = st;
        status->st_size = got;
    }
    file.close();
    return data;
}

void writeAllTo(int fd, const char* p, size_t n) {
    QsWriteAll(fd, p, n, &RaiseInOutError);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A save's new file beside the target (mode 0600), removed again unless it is kept. It is locked for as
// long as it is open, which tells the clean-up of a later save that its save is still running.
class TSiblingFile : public TQsReplaceFile {
public:
    TSiblingFile(const QString& folder, const char* tag) : TQsReplaceFile(folder, tag, Locked, &RaiseInOutError) {}
};

// Keeps the current file under the backup name. A hard link keeps the very bytes without copying;
// where the file system has no links, a flushed copy does. Either way the old backup is replaced in
// one rename, so a failure here leaves both files as they were.
void keepBackup(const QString& folder, const QByteArray& current, const QByteArray& backup) {
    TSiblingFile copy(folder, "backup");
    const QByteArray linkPath = copy.Path() + ".lnk";
    if (::link(current.constData(), linkPath.constData()) == 0) {
        const bool renamed = ::rename(linkPath.constData(), backup.constData()) == 0;
        const int err = errno;
        // When the backup already is another name of the same file, rename succeeds without doing
        // anything and the link would stay behind.
        ::unlink(linkPath.constData());
        if (!renamed)
            ioError(err);
        return;
    }
    const QByteArray bytes = readWholeFile(QFile::decodeName(current));
    writeAllTo(copy.Fd(), bytes.constData(), size_t(bytes.size()));
    struct stat st;
    if (::stat(current.constData(), &st) == 0) {
        if (::fchown(copy.Fd(), st.st_uid, st.st_gid) != 0) {
            // the saver stays the owner; the mode below still keeps others out
        }
        ::fchmod(copy.Fd(), st.st_mode & 07777);
    }
    copy.SyncAndClose();
    copy.RenameTo(backup);
}

QString namePart(const QString& path) {
    return QFileInfo(path).fileName();
}

QByteArray sha256(QByteArrayView bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

TKYVNDiskState diskState(const struct stat& st, QByteArrayView bytes) {
    TKYVNDiskState d;
    d.Known = true;
    d.Device = st.st_dev;
    d.Inode = st.st_ino;
    d.Size = qint64(st.st_size);
    d.ModifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    d.Hash = sha256(bytes);
    return d;
}

QString groupedNumber(qint64 n) {
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(n);
}

const char kSavePrefix[] = ".keyvane-save-";
const char kBackupPrefix[] = ".keyvane-backup-";

} // namespace

// ---- TKYVNFile ----------------------------------------------------------------------------------

TKYVNFile::~TKYVNFile() {
    ClearAccounts();
}

int TKYVNFile::AddAccount(TKYVNAccount* account) {
    Accounts.append(account);
    return int(Accounts.size() - 1);
}

TKYVNAccount* TKYVNFile::GetAccount(int index) const {
    if (index < 0 || index >= Accounts.size())
        indexError(index);
    return Accounts[index];
}

TKYVNAccount* TKYVNFile::FindAccount(const QString& name) const {
    for (TKYVNAccount* account : Accounts)
        if (KyvnSameText(account->AccountName, name))
            return account;
    return nullptr;
}

bool TKYVNFile::DeleteAccount(const QString& name) {
    for (qsizetype i = 0; i < Accounts.size(); ++i)
        if (KyvnSameText(Accounts[i]->AccountName, name)) {
            Accounts.removeAt(i);
            return true;
        }
    return false;
}

std::unique_ptr<TKYVNAccount> TKYVNFile::TakeAccount(const QString& name) {
    TKYVNAccount* account = FindAccount(name);
    if (account)
        DeleteAccount(name);
    return std::unique_ptr<TKYVNAccount>(account);
}

void TKYVNFile::ClearAccounts() {
    qDeleteAll(Accounts);
    Accounts.clear();
}

QByteArray TKYVNFile::PlainText() const {
    qsizetype estimate = 64 + Password.size();
    for (const TKYVNAccount* a : Accounts)
        estimate += 9 * 3 + 26 + a->AccountName.size() + a->Login.size() + a->Password.size() + a->Email.size() +
                    a->Web.size() + a->Notes.size();
    TPlainWriter w(estimate + estimate / 8);
    w.line(u"ZKYVN", false);
    if (!w.line(Password))
        throw EQsException(QStringLiteral("The file password holds a line break or a NUL character."));
    for (const TKYVNAccount* a : Accounts) {
        const bool ok = w.line(a->AccountName) & w.line(a->Login) & w.line(a->Password) & w.line(a->Email) &
                        w.line(a->Web) & w.line(a->Notes, true, true);
        if (!ok)
            throw EQsException(
                QStringLiteral("The account '%1' holds a line break or a NUL character where the file cannot keep it.")
                    .arg(a->AccountName));
        w.ascii(a->Protected ? QByteArrayView("True") : QByteArrayView("False"));
        w.date(a->Created);
        w.date(a->Modified);
    }
    return w.take();
}

void TKYVNFile::ReadPlainText(const QByteArray& plain) {
    readPlain(plain, false);
}

void TKYVNFile::readPlain(const QByteArray& plain, bool lengthDamaged) {
    damaged_ = false;
    bytesLeftOut_ = 0;
    TLineCursor lines(plain.constData(), plain.size());
    if (lines.atEnd() || lines.take() != QByteArrayView(signature))
        throw EQsException(QStringLiteral("This is not a valid passwords file."));
    // The cipher pads the last block with at most 7 zero bytes: a NUL earlier than the last block means
    // that the text was cut off there.
    const bool cutAtNul = lines.end() - plain.constData() < plain.size() - 8;
    // Every line of a well-formed text ends with a line break, the last one too: a text that stops
    // inside a line was cut off.
    const bool cutInLine = lines.end()[-1] != '\n' && lines.end()[-1] != '\r';
    qsizetype index = 1;
    // The next line without its first character; a missing line fails as an index error.
    struct TValue {
        QByteArrayView bytes;
        TTextReader reader;
        QString text() const { return reader.text(bytes); }
    };
    auto value = [&]() {
        if (lines.atEnd())
            indexError(index);
        ++index;
        const QByteArrayView line = lines.take();
        const TTextReader reader(line);
        return TValue{reader.value(line), reader};
    };
    auto text = [&]() { return value().text(); };
    auto date = [&]() {
        const TValue tv = value();
        const QByteArrayView v = tv.bytes;
        // Eight digits are read directly; anything else goes the general way, with its message.
        if (v.size() == 8 && std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            auto number = [&](int from, int count) {
                int n = 0;
                for (int i = from; i < from + count; ++i)
                    n = n * 10 + (v[i] - '0');
                return n;
            };
            const int year = number(4, 4), month = number(2, 2), day = number(0, 2);
            if (year < 1 || !QDate::isValid(year, month, day))
                throw EQsException(QStringLiteral("Invalid argument to date encode"));
            return QDate(year, month, day);
        }
        return TextToDate(tv.text());
    };
    Password = text();
    TLineCursor lastGroup = lines;
    while (!lines.atEnd()) {
        const TLineCursor groupStart = lines;
        const qsizetype indexStart = index;
        try {
            auto account = std::make_unique<TKYVNAccount>();
            account->AccountName = text();
            account->Login = text();
            account->Password = text();
            account->Email = text();
            account->Web = text();
            account->Notes = text();
            decodeLineBreaks(account->Notes);
            account->Protected = value().bytes == QByteArrayView("True");
            account->Created = date();
            account->Modified = date();
            AddAccount(account.release());
            lastGroup = groupStart;
        } catch (const std::exception&) {
            // Fewer than nine lines after the last account are no account: a group cut short, or the one
            // line the format lets through. A well-formed file holds neither; they are left out. So are
            // the accounts from a failure on in a file that shows damage; a bad value in an otherwise
            // sound file fails the load.
            TLineCursor probe = groupStart;
            int available = 0;
            while (available < 9 && !probe.atEnd()) {
                probe.take();
                ++available;
            }
            if (available == 9 && !(cutAtNul || lengthDamaged || cutInLine))
                throw;
            lines = groupStart;
            index = indexStart;
            break;
        }
    }
    // An account whose last line was cut off is not complete, even when what is left of it reads.
    if (cutInLine && lines.atEnd() && !Accounts.isEmpty() && lastGroup.position() < lines.position()) {
        delete Accounts.takeLast();
        lines = lastGroup;
    }
    // Everything after the last complete account, but the cipher's zero padding (at most 7 bytes), is
    // left out.
    const char* stop = plain.constData() + plain.size();
    const char* padding = std::max(lines.position(), stop - 7);
    while (stop > padding && stop[-1] == '\0')
        --stop;
    bytesLeftOut_ = std::max<qint64>(0, stop - lines.position());
    damaged_ = cutAtNul || lengthDamaged || cutInLine || bytesLeftOut_ > 0;
}

QString TKYVNFile::DamageWarning() const {
    if (!damaged_)
        return QString();
    const qsizetype n = Accounts.size();
    const QString bytes = bytesLeftOut_ == 1 ? QStringLiteral("1 byte") : groupedNumber(bytesLeftOut_) + " bytes";
    QString what;
    if (n == 0)
        what = QStringLiteral("No account could be read; %1 after the file password were left out.").arg(bytes);
    else
        what = QStringLiteral("Only %1 %2 could be read; %3 after %4 %5 left out.")
                   .arg(groupedNumber(n), n == 1 ? "account" : "accounts", bytes, n == 1 ? "it" : "them",
                        bytesLeftOut_ == 1 ? "was" : "were");
    return what + QStringLiteral(" The file is opened read-only so that nothing overwrites it; use Save As to keep "
                                 "what was read.");
}

QByteArray TKYVNFile::Encipher(QByteArray plain) {
    TIDEA idea; // the sub-keys stay all zero: that is the file format
    idea.EncipherData(plain);
    return plain;
}

QByteArray TKYVNFile::Decipher(QByteArray cipher) {
    TIDEA idea;
    idea.DecipherData(cipher);
    return cipher;
}

void TKYVNFile::Load() {
    try {
        loadFile();
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error loading file '%1'.").arg(namePart(FileName)), QsExceptionMessage(e),
                           1);
    }
}

void TKYVNFile::loadFile() {
    // Far beyond any real passwords file (millions of accounts): refused before memory is taken.
    constexpr qint64 largest = qint64(1) << 30;
    struct stat st;
    if (::stat(nativePath(FileName).constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > largest)
        throw EQsException(QStringLiteral("This is not a valid passwords file."));
    disk_ = TKYVNDiskState();
    QByteArray data = readWholeFile(FileName, QByteArray(), &st);
    const TKYVNDiskState read = diskState(st, data);
    LoadBytes(std::move(data));
    disk_ = read;
}

void TKYVNFile::LoadBytes(QByteArray data) {
    writtenHash_.clear();
    const bool lengthDamaged = data.size() % 8 != 0;
    TIDEA idea;
    idea.DecipherData(data);
    try {
        readPlain(data, lengthDamaged);
    } catch (...) {
        wipe(data);
        throw;
    }
    wipe(data);
    // What a write-back would write now; writing the same again is no change.
    try {
        QByteArray plain = PlainText();
        writtenHash_ = sha256(plain);
        wipe(plain);
    } catch (const std::exception&) {
        // a text the file cannot carry: any write-back tries, and reports it
    }
}

void TKYVNFile::Save(bool backupFiles) {
    try {
        saveFile(backupFiles);
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error saving file '%1'.").arg(FileName), QsExceptionMessage(e), 1);
    }
}

void TKYVNFile::Save() {
    Save(Options ? Options->BackupFiles : true);
}

bool TKYVNFile::Changed() const {
    if (writtenHash_.isEmpty())
        return true;
    try {
        QByteArray plain = PlainText();
        const bool changed = sha256(plain) != writtenHash_;
        wipe(plain);
        return changed;
    } catch (const std::exception&) {
        return true; // the save reports what cannot be written
    }
}

bool TKYVNFile::ChangedElsewhere() {
    if (!disk_.Known)
        return false;
    struct stat st;
    QByteArray bytes;
    try {
        bytes = readWholeFile(QsReplaceTarget(FileName), QByteArray(), &st);
    } catch (const EInOutError&) {
        return false; // gone or unreadable: there is nothing to keep
    }
    // The bytes decide: a sync that rewrote the same bytes changed nothing.
    const TKYVNDiskState now = diskState(st, bytes);
    if (now.Hash != disk_.Hash)
        return true;
    disk_ = now;
    return false;
}

QString TKYVNFile::KeepChangedElsewhere() {
    const QString target = QsReplaceTarget(FileName);
    struct stat st;
    const QByteArray bytes = readWholeFile(target, QByteArray(), &st);
    const QFileInfo info(target);
    QString base = info.fileName();
    if (base.endsWith(QLatin1String(".kvf")))
        base.chop(4);
    const QString when = QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec).toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = QStringLiteral("%1 (changed elsewhere %2%3).kvf")
                                 .arg(base, when, n == 1 ? QString() : QStringLiteral(" %1").arg(n));
        const QString path = info.absolutePath() + u'/' + name;
        TFd out(::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (out.fd < 0 && errno == EEXIST)
            continue;
        if (out.fd < 0)
            ioError();
        try {
            writeAllTo(out.fd, bytes.constData(), size_t(bytes.size()));
            if (::fsync(out.fd) != 0)
                ioError();
            out.close();
        } catch (...) {
            ::unlink(nativePath(path).constData());
            throw;
        }
        QsSyncFolder(info.absolutePath());
        return path;
    }
    ioError(EEXIST);
}

QString TKYVNFile::WriteBack(bool backupFiles) {
    if (!Changed())
        return QString();
    std::optional<TKYVNFileLock> lock;
    QString kept;
    try {
        // What could not be read must not be cut away by a write-back; Save As keeps what was read.
        if (damaged_)
            throw EQsException(DamageWarning());
        lock.emplace(FileName);
        if (ChangedElsewhere())
            kept = KeepChangedElsewhere();
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error saving file '%1'.").arg(FileName), QsExceptionMessage(e), 1);
    }
    Save(backupFiles);
    return kept;
}

QString TKYVNFile::WriteBack() {
    return WriteBack(Options ? Options->BackupFiles : true);
}

void TKYVNFile::saveFile(bool backupFiles) {
    if (FileName.isEmpty())
        throw EInOutError(ENOENT);
    const QString target = QsReplaceTarget(FileName);
    const QByteArray targetPath = nativePath(target);
    const QString folder = QFileInfo(target).absolutePath();

    struct stat previous;
    const bool exists = ::stat(targetPath.constData(), &previous) == 0;
    if (exists && !S_ISREG(previous.st_mode))
        throw EInOutError(S_ISDIR(previous.st_mode) ? EISDIR : EINVAL);

    QByteArray plain = PlainText();
    const QByteArray plainHash = sha256(plain);
    QByteArray cipher = Encipher(plain);
    plain.append(QByteArray(cipher.size() - plain.size(), '\0'));
    const QByteArray cipherHash = sha256(cipher);

    // Saves cut short before (a kill, a power cut) left their new files here; they go now.
    RemoveStaleSaveFiles(folder);
    TSiblingFile fresh(folder, "save");
    writeAllTo(fresh.Fd(), cipher.constData(), size_t(cipher.size()));
    // The new file belongs to the old one's owner and group, so that a save made by another user (root)
    // does not lock the owner out. Where that is not allowed, the group alone is tried; failing that, the
    // saver stays the owner.
    if (exists && (previous.st_uid != ::geteuid() || previous.st_gid != ::getegid())) {
        if (::fchown(fresh.Fd(), previous.st_uid, previous.st_gid) != 0 &&
            ::fchown(fresh.Fd(), uid_t(-1), previous.st_gid) != 0) {
        }
    }
    // Saving over a read-only file removes its mark: the new file gets the old one's permissions
    // with the owner's read and write bits; a new file stays owner-only.
    if (exists && ::fchmod(fresh.Fd(), (previous.st_mode & 07777) | S_IRUSR | S_IWUSR) != 0)
        ioError();
    fresh.StartWriteBack();

    // What was written must decipher to what was meant before anything is replaced.
    QByteArray check = Decipher(readWholeFile(QFile::decodeName(fresh.Path()), std::move(cipher)));
    const bool same = check == plain;
    wipe(check);
    wipe(plain);
    if (!same)
        throw EQsException(QStringLiteral("The file written could not be read back as it was meant."));
    struct stat written;
    fresh.SyncAndClose(&written);

    if (backupFiles && exists)
        keepBackup(folder, targetPath, nativePath(BackupFileName(target)));
    fresh.RenameTo(targetPath);
    QsSyncFolder(folder);

    writtenHash_ = plainHash;
    disk_ = diskState(written, QByteArrayView());
    disk_.Hash = cipherHash;
}

// ---- Folder lock --------------------------------------------------------------------------------

TKYVNFileLock::TKYVNFileLock(const QString& fileName, int timeoutMs) {
    const QString folder = QFileInfo(QsReplaceTarget(fileName)).absolutePath();
    fd_ = ::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return; // a folder that cannot be read (or is gone): the write that follows says what is wrong
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR)
            continue;
        if (err != EWOULDBLOCK) {
            // A file system without such locks (some network shares) cannot keep writers apart; the
            // write goes on as it did before there were locks.
            ::close(fd_);
            fd_ = -1;
            return;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::close(fd_);
            fd_ = -1;
            throw EQsException(
                QStringLiteral("Another program is changing the passwords files in '%1'; try again later.")
                    .arg(folder));
        }
        // the other holder is in the middle of one short read-modify-write
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TKYVNFileLock::~TKYVNFileLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing lets the lock go
}

// ---- File helpers -------------------------------------------------------------------------------

QString BackupFileName(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return path.left(slash + 1) + QStringLiteral("Backup of ") + path.mid(slash + 1);
}

void SaveFileCopy(const QString& source, const QString& target) {
    try {
        const QByteArray bytes = readWholeFile(source);
        // Written beside the target and renamed over it once flushed: a copy that fails leaves a file
        // already under that name as it was.
        const QString into = QsReplaceTarget(target);
        TSiblingFile copy(QFileInfo(into).absolutePath(), "copy");
        writeAllTo(copy.Fd(), bytes.constData(), size_t(bytes.size()));
        copy.Commit(into);
    } catch (const std::exception& e) {
        throw EQsException(QStringLiteral("Error saving file '%1'.").arg(target), QsExceptionMessage(e), 1);
    }
}

bool CopyFileTo(const QString& source, const QString& target) {
    try {
        SaveFileCopy(source, target);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void DeleteFileForced(const QString& path) {
    // Deleting needs no write permission on the file itself; the read-only mark is no obstacle.
    ::unlink(nativePath(path).constData());
}

bool FileExistsOnReadyDrive(const QString& path) {
    const QByteArray native = nativePath(path);
    struct stat st;
    if (::stat(native.constData(), &st) != 0 || S_ISDIR(st.st_mode))
        return false;
    struct statvfs vfs;
    return ::statvfs(native.constData(), &vfs) == 0;
}

QString TempFolder() {
    QString folder = QDir::tempPath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

void RemoveStaleSaveFiles(const QString& folder) {
    DIR* dir = ::opendir(nativePath(folder).constData());
    if (!dir)
        return;
    const int dfd = ::dirfd(dir);
    // A save holds a lock on its file from its making to its rename; a file that can be locked is stale.
    auto busy = [dfd](const char* name) {
        const int fd = ::openat(dfd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno != ENOENT;
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
        ::close(fd);
        return locked;
    };
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.startsWith(kSavePrefix) && !name.startsWith(kBackupPrefix))
            continue;
        if (name.endsWith(".lnk")) {
            // the backup's second name of the passwords file, made under the lock of its backup file
            if (!busy(name.chopped(4).constData()))
                ::unlinkat(dfd, name.constData(), 0);
            continue;
        }
        const int fd = ::openat(dfd, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat mine, named;
        if (::fstat(fd, &mine) == 0 && S_ISREG(mine.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dfd, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(mine, named))
            ::unlinkat(dfd, name.constData(), 0);
        ::close(fd);
    }
    ::closedir(dir);
}
