#include "uBreachList.h"

#include "QsExceptions.h"
#include "QsSecrets.h"

#include <QCryptographicHash>
#include <QFile>

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int HashDigits = 40;

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The line's hash (up to ":" or the end) against the wanted one (40 upper-case digits), letter case folded.
int compareKey(const char* line, qint64 length, const char* wanted) {
    for (int i = 0; i < HashDigits; ++i) {
        if (i >= length || line[i] == ':' || line[i] == '\r')
            return -1; // a shorter key sorts first
        const char c = upper(line[i]);
        if (c != wanted[i])
            return c < wanted[i] ? -1 : 1;
    }
    return (length > HashDigits && line[HashDigits] != ':' && line[HashDigits] != '\r') ? 1 : 0;
}

bool wellFormed(const char* line, qint64 length) {
    if (length < HashDigits)
        return false;
    for (int i = 0; i < HashDigits; ++i)
        if (!isHex(line[i]))
            return false;
    return length == HashDigits || line[HashDigits] == ':' || line[HashDigits] == '\r';
}

qint64 countAfterKey(const char* line, qint64 length) {
    qint64 count = 0;
    qint64 i = HashDigits + 1;
    if (length <= HashDigits || line[HashDigits] != ':')
        return 1; // listed without a count: seen at least once
    for (; i < length && line[i] >= '0' && line[i] <= '9'; ++i)
        count = count * 10 + (line[i] - '0');
    return count > 0 ? count : 1;
}

} // namespace

TBreachList::~TBreachList() {
    Close();
}

void TBreachList::Close() {
    if (data_)
        munmap(const_cast<char*>(data_), size_t(size_));
    data_ = nullptr;
    size_ = 0;
    path_.clear();
}

void TBreachList::Open(const QString& path) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw EQsException(QStringLiteral("Cannot open the breach list '%1'.").arg(path),
                           QString::fromLocal8Bit(std::strerror(errno)), 1);
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        ::close(fd);
        throw EQsException(QStringLiteral("'%1' is not a breach list.").arg(path),
                           QStringLiteral("A breach list is a text file of \"HASH:COUNT\" lines."), 1);
    }
    void* mapped = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
    const int mapError = errno;
    ::close(fd);
    if (mapped == MAP_FAILED)
        throw EQsException(QStringLiteral("Cannot read the breach list '%1'.").arg(path),
                           QString::fromLocal8Bit(std::strerror(mapError)), 1);
    // Each search touches a few pages far apart: reading ahead would only fill memory.
    madvise(mapped, size_t(info.st_size), MADV_RANDOM);
    data_ = static_cast<const char*>(mapped);
    size_ = info.st_size;
    path_ = path;

    // A few lines spread over the file must be SHA-1 hashes in rising order; a list ordered by count
    // would make every search a silent miss.
    constexpr int Samples = 64;
    QByteArray previous;
    for (int i = 0; i <= Samples; ++i) {
        qint64 at = i == Samples ? size_ - 1 : size_ / Samples * i;
        while (at > 0 && data_[at - 1] != '\n')
            --at;
        const char* end = static_cast<const char*>(std::memchr(data_ + at, '\n', size_t(size_ - at)));
        const qint64 length = (end ? end - data_ : size_) - at;
        if (length == 0 && i == Samples)
            break; // the file ends with a line break
        if (!wellFormed(data_ + at, length)) {
            Close();
            throw EQsException(QStringLiteral("'%1' is not a list of SHA-1 password hashes.").arg(path),
                               QStringLiteral("Each line of a breach list is a SHA-1 hash in hexadecimal, a colon "
                                              "and a count (\"HASH:COUNT\")."),
                               1);
        }
        QByteArray key = QByteArray(data_ + at, HashDigits).toUpper();
        if (key < previous) {
            Close();
            throw EQsException(QStringLiteral("The breach list '%1' is not sorted by hash.").arg(path),
                               QStringLiteral("Use the edition of the list that is ordered by hash."), 1);
        }
        previous = key;
    }
}

qint64 TBreachList::Count(const QByteArray& sha1) const {
    if (!data_ || sha1.size() != 20)
        return 0;
    char wanted[HashDigits + 1];
    QByteArray hex = sha1.toHex().toUpper();
    std::memcpy(wanted, hex.constData(), HashDigits);
    wanted[HashDigits] = 0;
    QsWipe(hex);
    // lo is always the start of a line, hi the start of a line or the end of the file.
    qint64 lo = 0;
    qint64 hi = size_;
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        qint64 start = mid;
        while (start > lo && data_[start - 1] != '\n')
            --start;
        const char* nl = static_cast<const char*>(std::memchr(data_ + mid, '\n', size_t(hi - mid)));
        const qint64 end = nl ? nl - data_ : hi;
        const int order = compareKey(data_ + start, end - start, wanted);
        if (order == 0)
            return countAfterKey(data_ + start, end - start);
        if (order < 0)
            lo = nl ? end + 1 : hi;
        else
            hi = start;
    }
    return 0;
}

qint64 TBreachList::CountOfPassword(const QString& password) const {
    if (password.isEmpty())
        return 0;
    QByteArray utf8 = password.toUtf8();
    QByteArray digest = QCryptographicHash::hash(utf8, QCryptographicHash::Sha1);
    QsWipe(utf8);
    const qint64 count = Count(digest);
    QsWipe(digest);
    return count;
}
