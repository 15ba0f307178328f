// The version block, little-endian:
//   marker (12 bytes) | total size u32 | format u16 (1) | major, minor, release, build u16
//   | translation count u16 | (language u16, code page u16)... | string count u16
//   | (key length u16, key UTF-8, value length u16, value UTF-8)...
// The sizes must add up exactly to the total, which tells a real block from bytes that merely look like
// the marker. The marker is kept encoded in the source, so the reader's search pattern never appears in
// a program file outside the block itself.
#include "QsVerInf.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#ifndef KEYVANE_VERSION_MAJOR
#define KEYVANE_VERSION_MAJOR 0
#define KEYVANE_VERSION_MINOR 0
#define KEYVANE_VERSION_PATCH 0
#define KEYVANE_VERSION_TWEAK 0
#define KEYVANE_VERSION_STRING "0.0.0.0"
#endif

namespace {

constexpr unsigned char kMarkerKey = 0x5A;
// "\x89QsVerBlk\r\n\x1a", each byte XOR kMarkerKey.
constexpr std::array<unsigned char, 12> kMarkerEncoded = {0xD3, 0x0B, 0x29, 0x0C, 0x3F, 0x28,
                                                          0x18, 0x36, 0x31, 0x57, 0x50, 0x40};
constexpr std::size_t kHeaderSize = 12 + 4 + 2 + 8 + 2;
constexpr quint16 kFormat = 1;

struct TBlockString {
    std::string_view key;
    std::string_view value;
};

struct TBlockSpec {
    std::array<quint16, 4> parts;
    std::span<const quint16> translations; // language, code page, language, ...
    std::span<const TBlockString> strings;
};

template <typename Writer> constexpr void put16(Writer& w, quint16 v) {
    w.byte(static_cast<unsigned char>(v & 0xFF));
    w.byte(static_cast<unsigned char>(v >> 8));
}

template <typename Writer> constexpr void put32(Writer& w, quint32 v) {
    put16(w, static_cast<quint16>(v & 0xFFFF));
    put16(w, static_cast<quint16>(v >> 16));
}

template <typename Writer> constexpr void putText(Writer& w, std::string_view s) {
    put16(w, static_cast<quint16>(s.size()));
    for (const char c : s)
        w.byte(static_cast<unsigned char>(c));
}

// One writer for both the build-time block and blocks made at run time.
template <typename Writer> constexpr void emitBlock(Writer& w, const TBlockSpec& spec, quint32 total) {
    for (const unsigned char c : kMarkerEncoded)
        w.byte(static_cast<unsigned char>(c ^ kMarkerKey));
    put32(w, total);
    put16(w, kFormat);
    for (const quint16 p : spec.parts)
        put16(w, p);
    put16(w, static_cast<quint16>(spec.translations.size() / 2));
    for (const quint16 t : spec.translations)
        put16(w, t);
    put16(w, static_cast<quint16>(spec.strings.size()));
    for (const TBlockString& s : spec.strings) {
        putText(w, s.key);
        putText(w, s.value);
    }
}

struct TCountWriter {
    std::size_t n = 0;
    constexpr void byte(unsigned char) { ++n; }
};

template <std::size_t N> struct TArrayWriter {
    std::array<unsigned char, N> bytes{};
    std::size_t n = 0;
    constexpr void byte(unsigned char c) { bytes[n++] = c; }
};

struct TByteArrayWriter {
    QByteArray bytes;
    void byte(unsigned char c) { bytes.append(static_cast<char>(c)); }
};

constexpr std::size_t blockSize(const TBlockSpec& spec) {
    TCountWriter w;
    emitBlock(w, spec, 0);
    return w.n;
}

// This program's own version information.
constexpr quint16 kTranslations[] = {0x0409, 0x04E4};
constexpr TBlockString kStrings[] = {
    {"\\StringFileInfo\\040904E4\\CompanyName", "Tessivo"},
    {"\\StringFileInfo\\040904E4\\FileDescription", "Tessivo Keyvane"},
    {"\\StringFileInfo\\040904E4\\FileVersion", KEYVANE_VERSION_STRING},
    {"\\StringFileInfo\\040904E4\\InternalName", "keyvane"},
    {"\\StringFileInfo\\040904E4\\LegalCopyright", "Copyright \xC2\xA9 2026 Tessivo. All rights reserved."},
    {"\\StringFileInfo\\040904E4\\OriginalFilename", "keyvane"},
    {"\\StringFileInfo\\040904E4\\ProductName", "Tessivo Keyvane"},
    {"\\StringFileInfo\\040904E4\\ProductVersion", KEYVANE_VERSION_STRING},
};
constexpr TBlockSpec kSpec = {
    {KEYVANE_VERSION_MAJOR, KEYVANE_VERSION_MINOR, KEYVANE_VERSION_PATCH, KEYVANE_VERSION_TWEAK},
    kTranslations,
    kStrings};
constexpr std::size_t kBlockSize = blockSize(kSpec);
constexpr std::array<unsigned char, kBlockSize> makeEmbeddedBlock() {
    TArrayWriter<kBlockSize> w;
    emitBlock(w, kSpec, kBlockSize);
    return w.bytes;
}

} // namespace

// Kept in the program file even though nothing reads it in memory.
extern const std::array<unsigned char, kBlockSize> QsEmbeddedVersionBlock;
[[gnu::used]] const std::array<unsigned char, kBlockSize> QsEmbeddedVersionBlock = makeEmbeddedBlock();

namespace {

// Built at run time through a volatile key, so the compiler cannot fold it into a constant in the file.
QByteArray marker() {
    volatile unsigned char key = kMarkerKey;
    QByteArray m;
    for (const unsigned char c : kMarkerEncoded)
        m.append(static_cast<char>(c ^ key));
    return m;
}

class TReader {
public:
    TReader(const char* data, qsizetype size) : data_(data), size_(size) {}
    bool u16(quint16& v) {
        if (size_ - pos_ < 2)
            return false;
        v = static_cast<quint16>(static_cast<unsigned char>(data_[pos_]) |
                                 (static_cast<unsigned char>(data_[pos_ + 1]) << 8));
        pos_ += 2;
        return true;
    }
    bool u32(quint32& v) {
        quint16 lo = 0, hi = 0;
        if (!u16(lo) || !u16(hi))
            return false;
        v = lo | (quint32(hi) << 16);
        return true;
    }
    bool text(QString& s) {
        quint16 n = 0;
        if (!u16(n) || size_ - pos_ < n)
            return false;
        s = QString::fromUtf8(data_ + pos_, n);
        pos_ += n;
        return true;
    }
    void skip(qsizetype n) { pos_ += n; }
    qsizetype pos() const { return pos_; }

private:
    const char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
};

// A block starting at data (the marker already matched), when its structure holds.
std::optional<TQsVersionInfo> parseAt(const char* data, qsizetype available) {
    if (available < qsizetype(kHeaderSize))
        return std::nullopt;
    TReader r(data, available);
    r.skip(kMarkerEncoded.size());
    quint32 total = 0;
    quint16 format = 0;
    TQsVersionInfo info;
    if (!r.u32(total) || total < kHeaderSize + 2 || total > quint64(available) || !r.u16(format) || format != kFormat)
        return std::nullopt;
    TReader body(data, total); // nothing may be read past the block's own size
    body.skip(r.pos());
    quint16 translations = 0, strings = 0;
    if (!body.u16(info.Major) || !body.u16(info.Minor) || !body.u16(info.Release) || !body.u16(info.Build) ||
        !body.u16(translations))
        return std::nullopt;
    for (int i = 0; i < translations; ++i) {
        quint16 language = 0, codePage = 0;
        if (!body.u16(language) || !body.u16(codePage))
            return std::nullopt;
        info.Translations.append({language, codePage});
    }
    if (!body.u16(strings))
        return std::nullopt;
    for (int i = 0; i < strings; ++i) {
        QString key, value;
        if (!body.text(key) || !body.text(value))
            return std::nullopt;
        info.Strings.append({key, value});
    }
    if (body.pos() != qsizetype(total))
        return std::nullopt;
    return info;
}

std::optional<TQsVersionInfo> findBlock(const char* data, qsizetype size) {
    const QByteArray needle = marker();
    const QByteArrayView haystack(data, size);
    for (qsizetype at = haystack.indexOf(needle); at >= 0; at = haystack.indexOf(needle, at + 1))
        if (auto info = parseAt(data + at, size - at))
            return info;
    return std::nullopt;
}

} // namespace

std::optional<TQsVersionInfo> QsParseVersionBlock(const QByteArray& bytes) {
    return findBlock(bytes.constData(), bytes.size());
}

std::optional<TQsVersionInfo> QsReadVersionInfo(const QString& path) {
    // Only regular files: opening a FIFO or a device could block or never end.
    const QFileInfo fi(path);
    if (!fi.isFile() || fi.size() <= 0)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (const uchar* mapped = file.map(0, file.size())) {
        auto info = findBlock(reinterpret_cast<const char*>(mapped), file.size());
        file.unmap(const_cast<uchar*>(mapped));
        return info;
    }
    return QsParseVersionBlock(file.readAll());
}

QByteArray QsMakeVersionBlock(const TQsVersionInfo& info) {
    std::vector<quint16> translations;
    for (const auto& [language, codePage] : info.Translations)
        translations.insert(translations.end(), {language, codePage});
    std::vector<QByteArray> utf8;
    for (const auto& [key, value] : info.Strings) {
        utf8.push_back(key.toUtf8());
        utf8.push_back(value.toUtf8());
    }
    std::vector<TBlockString> strings;
    for (std::size_t i = 0; i < utf8.size(); i += 2)
        strings.push_back({std::string_view(utf8[i].constData(), utf8[i].size()),
                           std::string_view(utf8[i + 1].constData(), utf8[i + 1].size())});
    const TBlockSpec spec = {{info.Major, info.Minor, info.Release, info.Build}, translations, strings};
    TByteArrayWriter w;
    emitBlock(w, spec, static_cast<quint32>(blockSize(spec)));
    return w.bytes;
}

std::optional<QString> QsVersionString(const TQsVersionInfo& info, const QString& name) {
    if (info.Translations.isEmpty())
        return std::nullopt;
    const auto [language, codePage] = info.Translations.first();
    const QString key = QStringLiteral("\\StringFileInfo\\%1%2\\%3")
                            .arg(QString::number(language, 16).rightJustified(4, u'0').toUpper(),
                                 QString::number(codePage, 16).rightJustified(4, u'0').toUpper(), name);
    for (const auto& [k, v] : info.Strings)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return std::nullopt;
}

QString QsFixedLegalNotice() {
    return QStringLiteral("Copyright \u00A9 Tessivo. All rights reserved.");
}

QString FileVersionText(const QString& path) {
    const auto info = QsReadVersionInfo(path);
    if (!info)
        return QStringLiteral("0.0.0");
    return QStringLiteral("%1.%2.%3 Build %4").arg(info->Major).arg(info->Minor).arg(info->Release).arg(info->Build);
}

QString QsOwnVersionText() {
    return QStringLiteral("%1.%2.%3 Build %4")
        .arg(KEYVANE_VERSION_MAJOR)
        .arg(KEYVANE_VERSION_MINOR)
        .arg(KEYVANE_VERSION_PATCH)
        .arg(KEYVANE_VERSION_TWEAK);
}

QString FileLegalNotice(const QString& path) {
    const auto info = QsReadVersionInfo(path);
    if (!info)
        return QsFixedLegalNotice();
    return QsVersionString(*info, QStringLiteral("LegalCopyright")).value_or(QString());
}

bool FileIsEnglish(const QString& path) {
    const auto info = QsReadVersionInfo(path);
    if (!info || info->Translations.isEmpty())
        return true;
    const quint16 language = info->Translations.first().first;
    return language != 2070 && language != 1046;
}
