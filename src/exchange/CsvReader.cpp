#include "CsvReader.h"

#include "FileText.h"

#include "QsExceptions.h"
#include "QsSecrets.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace {

bool decodeUtf8(QByteArrayView bytes, QString& out) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out = utf8.decode(bytes);
    return !utf8.hasError();
}

[[noreturn]] void refuse(int line, const QString& what) {
    throw EQsException(QStringLiteral("Line %1: %2").arg(line).arg(what), QString(), 1);
}

} // namespace

QString DecodeCsvText(const QByteArray& bytes, QString* encoding) {
    auto name = [&](const char* text) {
        if (encoding)
            *encoding = QLatin1String(text);
    };
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        name("UTF-8 with byte-order mark");
        decodeUtf8(QByteArrayView(bytes).sliced(3), text);
        return text;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        name(little ? "UTF-16 (little-endian)" : "UTF-16 (big-endian)");
        QStringDecoder utf16(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return utf16.decode(QByteArrayView(bytes).sliced(2));
    }
    if (decodeUtf8(bytes, text)) {
        name("UTF-8");
        return text;
    }
    // Line by line: a file pieced together from several sources may mix the two.
    name("Windows-1252");
    text.clear();
    text.reserve(bytes.size());
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        QString decoded;
        if (decodeUtf8(line, decoded))
            text += decoded;
        else
            KyvnAppendWindows1252(text, line);
        start = end;
    }
    return text;
}

QChar DetectCsvDelimiter(QStringView text) {
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\n' || c == u'\r')
            break;
        else if (c == u',')
            ++comma;
        else if (c == u';')
            ++semicolon;
        else if (c == u'\t')
            ++tab;
    }
    if (semicolon > comma && semicolon >= tab)
        return u';';
    if (tab > comma && tab > semicolon)
        return u'\t';
    return u',';
}

TCsvTable ReadCsv(const QByteArray& bytes) {
    TCsvTable table;
    const QString text = DecodeCsvText(bytes, &table.Encoding);
    if (table.Encoding == QLatin1String("Windows-1252")) {
        // Count the lines that were not UTF-8, for the wizard to say so.
        qsizetype start = 0;
        while (start < bytes.size()) {
            qsizetype end = bytes.indexOf('\n', start);
            end = end < 0 ? bytes.size() : end + 1;
            QString ignored;
            if (!decodeUtf8(QByteArrayView(bytes).sliced(start, end - start), ignored))
                ++table.Windows1252Lines;
            start = end;
        }
    }
    const QChar delimiter = DetectCsvDelimiter(text);
    table.Delimiter = delimiter;

    const QChar* p = text.constData();
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    QStringList record;
    QString value;
    bool haveHeader = false;

    while (i < n) {
        const int recordLine = line;
        record.clear();
        // A blank line is no record.
        if (p[i] == u'\r' || p[i] == u'\n') {
            if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n')
                ++i;
            ++i;
            ++line;
            continue;
        }
        bool endOfRecord = false;
        while (!endOfRecord) {
            value.clear();
            if (i < n && p[i] == u'"') {
                const int openedOn = line;
                ++i;
                for (;;) {
                    if (i >= n)
                        refuse(openedOn, QStringLiteral("a quoted value is not closed (its closing double quote is "
                                                        "missing)."));
                    const QChar c = p[i];
                    if (c == u'"') {
                        if (i + 1 < n && p[i + 1] == u'"') {
                            value += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == u'\n' || (c == u'\r' && !(i + 1 < n && p[i + 1] == u'\n')))
                        ++line;
                    value += c;
                    ++i;
                }
                if (i < n && p[i] != delimiter && p[i] != u'\r' && p[i] != u'\n')
                    refuse(line, QStringLiteral("a value goes on after its closing double quote."));
            } else {
                const qsizetype start = i;
                while (i < n && p[i] != delimiter && p[i] != u'\r' && p[i] != u'\n')
                    ++i;
                value = QString(p + start, i - start);
            }
            record.append(value);
            if (i >= n) {
                endOfRecord = true;
            } else if (p[i] == delimiter) {
                ++i;
            } else {
                if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n')
                    ++i;
                ++i;
                ++line;
                endOfRecord = true;
            }
        }
        if (!haveHeader) {
            table.Header = record;
            haveHeader = true;
            continue;
        }
        if (record.size() > table.Header.size()) {
            // Empty values after the last column (a trailing delimiter) hold nothing to lose.
            while (record.size() > table.Header.size() && record.last().isEmpty())
                record.removeLast();
            if (record.size() > table.Header.size())
                refuse(recordLine, QStringLiteral("%1 values, but the header line names %2 columns.")
                                       .arg(record.size())
                                       .arg(table.Header.size()));
        }
        while (record.size() < table.Header.size())
            record.append(QString());
        table.Rows.append(record);
        table.RowLines.append(recordLine);
    }
    if (!haveHeader)
        throw EQsException(QStringLiteral("The file is empty."), QString(), 1);
    return table;
}

TCsvTable ReadCsvFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EQsException(QStringLiteral("Cannot read '%1'.").arg(path), file.errorString(), 1);
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EQsException(QStringLiteral("Cannot read '%1'.").arg(path), file.errorString(), 1);
    try {
        TCsvTable table = ReadCsv(bytes);
        QsWipe(bytes);
        return table;
    } catch (const EQsException& e) {
        QsWipe(bytes);
        throw EQsException(QStringLiteral("'%1' cannot be imported.").arg(QFileInfo(path).fileName()), e.Message, 1);
    }
}
