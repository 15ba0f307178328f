#include "FileText.h"

#include "QsExceptions.h"

#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const char signature[] = "ZKYVN";

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
        QString s;
        KyvnAppendWindows1252(s, QByteArrayView(p, n));
        return s;
    }
    QString text(QByteArrayView v) const { return text(v.data(), v.size()); }
    bool Utf8() const { return utf8_; }
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
    // The line just taken ended with CR LF.
    static bool endedWithCrLf(QByteArrayView line, const char* next) {
        const char* stop = line.data() + line.size();
        return next == stop + 2 && stop[0] == '\r' && stop[1] == '\n';
    }

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

} // namespace

QByteArray KyvnFileText(const QString& Password, const QList<TKYVNAccount*>& Accounts) {
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

TKYVNTextReading KyvnReadFileText(QByteArrayView plain, bool lengthDamaged, QString& Password,
                                  QList<TKYVNAccount*>& Accounts) {
    TLineCursor lines(plain.constData(), plain.size());
    const QByteArrayView first = lines.atEnd() ? QByteArrayView() : lines.take();
    if (first != QByteArrayView(signature))
        throw EQsException(QStringLiteral("This is not a valid passwords file."));
    bool signatureAlike = TLineCursor::endedWithCrLf(first, lines.position());
    // The cipher pads the last block with at most 7 zero bytes: a NUL earlier than the last block means
    // that the text was cut off there.
    const bool cutAtNul = lines.end() - plain.constData() < plain.size() - 8;
    // Every line of a well-formed text ends with a line break, the last one too: a text that stops
    // inside a line was cut off.
    const bool cutInLine = lines.end()[-1] != '\n' && lines.end()[-1] != '\r';
    qsizetype index = 1;
    // Whether every line so far is as the writer writes it.
    bool alike = true;
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
        alike = alike && !line.isEmpty() && line[0] == '#' && reader.Utf8() &&
                TLineCursor::endedWithCrLf(line, lines.position());
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
        alike = false;
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
            const QByteArrayView flag = value().bytes;
            account->Protected = flag == QByteArrayView("True");
            alike = alike && (account->Protected || flag == QByteArrayView("False"));
            account->Created = date();
            account->Modified = date();
            Accounts.append(account.release());
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
    TKYVNTextReading result;
    result.BytesLeftOut = std::max<qint64>(0, stop - lines.position());
    result.Damaged = cutAtNul || lengthDamaged || cutInLine || result.BytesLeftOut > 0;
    if (alike && signatureAlike && !result.Damaged)
        result.WrittenAlike = lines.position() - plain.constData();
    return result;
}

void KyvnAppendWindows1252(QString& out, QByteArrayView bytes) {
    // Latin-1 except for 0x80 to 0x9F (the five unassigned codes keep their C1 value).
    static constexpr char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                          0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                          0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                          0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    const qsizetype at = out.size();
    out.resize(at + bytes.size());
    char16_t* p = reinterpret_cast<char16_t*>(out.data()) + at;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        p[i] = (c >= 0x80 && c < 0xA0) ? high[c - 0x80] : char16_t(c);
    }
}
