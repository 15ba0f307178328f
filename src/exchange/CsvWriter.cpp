#include "CsvWriter.h"

#include "ExportRows.h"
#include "clsFile.h"

namespace {
void appendQuoted(QString& out, const QString& value) {
    out += u'"';
    if (value.contains(u'"')) {
        QString doubled = value;
        doubled.replace(u'"', QStringLiteral("\"\""));
        out += doubled;
    } else {
        out += value;
    }
    out += u'"';
}

void appendLine(QString& out, const QStringList& values) {
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i)
            out += u',';
        appendQuoted(out, values[i]);
    }
    out += QStringLiteral("\r\n");
}
} // namespace

QString CsvQuoted(const QString& value) {
    QString out;
    appendQuoted(out, value);
    return out;
}

QByteArray CsvExport(const TKYVNFile& file, const QStringList& captions,
                     const std::function<void(int)>& beforeAccount) {
    QString out;
    out.reserve(qsizetype(file.AccountCount()) * 24 * (captions.size() + 1) + 64);
    appendLine(out, captions);
    ForEachExportRow(file, captions, beforeAccount, [&out](const QStringList& values) { appendLine(out, values); });
    return out.toUtf8();
}
