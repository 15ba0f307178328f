// Reading PDF files back with Debian's poppler-utils, an independent reader of what the program wrote.
#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QtTest>

#include <sys/stat.h>

namespace KyvnPdf {

// The output of a poppler tool; empty (and a failed check) when the tool did not run cleanly.
inline QString run(const QString& tool, const QStringList& args) {
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << tool << args << "failed:" << p.readAllStandardError();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of every page in reading layout; pages are separated by form feeds.
inline QString text(const QString& pdf, bool layout = true) {
    QStringList args;
    if (layout)
        args << QStringLiteral("-layout");
    args << QStringLiteral("-enc") << QStringLiteral("UTF-8") << pdf << QStringLiteral("-");
    return run(QStringLiteral("pdftotext"), args);
}

// One entry per page.
inline QStringList pages(const QString& pdf, bool layout = true) {
    QStringList result = text(pdf, layout).split(u'\f');
    if (!result.isEmpty() && result.last().trimmed().isEmpty())
        result.removeLast();
    return result;
}

// The value of one pdfinfo field ("Pages", "Page size", "Title", ...).
inline QString info(const QString& pdf, const QString& field) {
    const QString out = run(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpression re(QStringLiteral("^") + QRegularExpression::escape(field) + QStringLiteral(":\\s*(.*)$"),
                                QRegularExpression::MultilineOption);
    const auto m = re.match(out);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

inline int pageCount(const QString& pdf) {
    return info(pdf, QStringLiteral("Pages")).toInt();
}

// Width and height of the first page in points.
inline QSizeF pageSize(const QString& pdf) {
    const QRegularExpression re(QStringLiteral("([0-9.]+) x ([0-9.]+) pts"));
    const auto m = re.match(info(pdf, QStringLiteral("Page size")));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// The words of the pages with their boxes in points (pdftotext -bbox).
struct TWord {
    int Page;
    QString Text;
    double XMin, YMin, XMax, YMax;
};
inline QList<TWord> words(const QString& pdf) {
    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    QList<TWord> result;
    int page = 0;
    const QRegularExpression pageRe(QStringLiteral("<page "));
    const QRegularExpression wordRe(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    for (const QString& line : html.split(u'\n')) {
        if (line.contains(pageRe))
            ++page;
        const auto m = wordRe.match(line);
        if (m.hasMatch())
            result.append({page, m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                           m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return result;
}

inline mode_t mode(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// Millimetres to PDF points.
constexpr double pt(double mm) {
    return mm * 72.0 / 25.4;
}

} // namespace KyvnPdf
