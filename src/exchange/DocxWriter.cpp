#include "DocxWriter.h"

#include "ExportRows.h"
#include "QsExceptions.h"
#include "clsFile.h"

#include <QBuffer>
#include <QLocale>
#include <QXmlStreamWriter>

#include <zip.h>

#include <array>
#include <utility>
#include <vector>

namespace {

const QString kW = QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

// Page sizes in twentieths of a point, landscape: A4, or Letter where the locale measures in inches.
struct TPage {
    int Width, Height, Margin;
};
TPage landscapePage() {
    if (QLocale::system().measurementSystem() == QLocale::ImperialUSSystem)
        return {15840, 12240, 1080};
    return {16838, 11906, 1134};
}

// How much of the line each field's column takes: the free texts wider, the marks and dates narrow.
double columnWeight(const QString& caption) {
    static const std::array<double, KyvnFieldCount> weights = {3, 2, 2, 3, 3, 4, 1.5, 1.5, 1.5};
    const int field = KyvnFieldOfCaption(caption);
    return field >= 0 ? weights[size_t(field)] : 2;
}

bool xmlAllowed(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// XML 1.0 cannot carry control characters or lone surrogates: they show as the replacement character
// instead of making a document no program opens.
QString xmlSafe(const QString& text) {
    bool clean = true;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.isSurrogate() || c.unicode() >= 0xFFFE) {
            clean = false;
            break;
        }
    if (clean)
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c == u'\t' || c == u'\r' || c == u'\n' || (!c.isSurrogate() && xmlAllowed(c.unicode()))) {
            out += c;
        } else {
            out += QChar(0xFFFD);
        }
    }
    return out;
}

// The document part, written straight into one string: a hundred thousand rows through a general XML
// writer cost several times what the rows themselves do. Texts are escaped here; element and attribute
// names are the fixed ones below.
class TDocumentXml {
public:
    explicit TDocumentXml(QString& out) : out_(out) {}

    void begin() {
        out_ += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                               "<w:document xmlns:w=\"%1\"><w:body>")
                    .arg(kW);
    }
    void paragraph(const QString& text, bool bold) {
        out_ += QLatin1String("<w:p>");
        if (!text.isEmpty())
            run(text, bold);
        out_ += QLatin1String("</w:p>");
    }
    void beginTable(const QStringList& captions, const TPage& page) {
        const int usable = page.Width - 2 * page.Margin;
        double total = 0;
        for (const QString& c : captions)
            total += columnWeight(c);
        widths_.clear();
        for (const QString& c : captions)
            widths_.push_back(int(usable * columnWeight(c) / total));

        out_ += QStringLiteral("<w:tbl><w:tblPr><w:tblW w:w=\"%1\" w:type=\"dxa\"/><w:tblBorders>").arg(usable);
        for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
            out_ += QStringLiteral("<w:%1 w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>")
                        .arg(QLatin1String(side));
        // A fixed layout lets a word processor lay out a long table without measuring every cell first.
        out_ += QLatin1String("</w:tblBorders><w:tblLayout w:type=\"fixed\"/><w:tblCellMar>"
                              "<w:left w:w=\"70\" w:type=\"dxa\"/><w:right w:w=\"70\" w:type=\"dxa\"/>"
                              "</w:tblCellMar></w:tblPr><w:tblGrid>");
        for (int w : widths_)
            out_ += QStringLiteral("<w:gridCol w:w=\"%1\"/>").arg(w);
        out_ += QLatin1String("</w:tblGrid>");
    }
    // The header row repeats at the top of every page; its cells carry their widths, which the grid
    // gives the other rows of a fixed-layout table.
    void headerRow(const QStringList& captions) {
        out_ += QLatin1String("<w:tr><w:trPr><w:tblHeader/></w:trPr>");
        for (qsizetype i = 0; i < captions.size(); ++i) {
            out_ += QStringLiteral("<w:tc><w:tcPr><w:tcW w:w=\"%1\" w:type=\"dxa\"/></w:tcPr>").arg(widths_[size_t(i)]);
            paragraph(captions[i], true);
            out_ += QLatin1String("</w:tc>");
        }
        out_ += QLatin1String("</w:tr>");
    }
    void row(const QStringList& values) {
        out_ += QLatin1String("<w:tr>");
        for (const QString& v : values) {
            out_ += QLatin1String("<w:tc>");
            paragraph(v, false);
            out_ += QLatin1String("</w:tc>");
        }
        out_ += QLatin1String("</w:tr>");
    }
    void endTable() { out_ += QLatin1String("</w:tbl>"); }
    void end(const TPage& page) {
        const QString m = QString::number(page.Margin);
        out_ += QStringLiteral("<w:sectPr><w:pgSz w:w=\"%1\" w:h=\"%2\" w:orient=\"landscape\"/>"
                               "<w:pgMar w:top=\"%3\" w:right=\"%3\" w:bottom=\"%3\" w:left=\"%3\" "
                               "w:header=\"709\" w:footer=\"709\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>")
                    .arg(page.Width)
                    .arg(page.Height)
                    .arg(m);
    }

private:
    // One run; line breaks become breaks and tabs tabs, so the notes keep their lines within the cell.
    void run(const QString& text, bool bold) {
        out_ += bold ? QLatin1String("<w:r><w:rPr><w:b/></w:rPr>") : QLatin1String("<w:r>");
        const QString safe = xmlSafe(text);
        qsizetype start = 0;
        for (qsizetype i = 0; i <= safe.size(); ++i) {
            const QChar c = i < safe.size() ? safe[i] : QChar(0);
            if (i < safe.size() && c != u'\r' && c != u'\n' && c != u'\t')
                continue;
            if (i > start)
                textElement(QStringView(safe).mid(start, i - start));
            if (c == u'\t') {
                out_ += QLatin1String("<w:tab/>");
            } else if (c == u'\r' || c == u'\n') {
                if (c == u'\r' && i + 1 < safe.size() && safe[i + 1] == u'\n')
                    ++i; // CR LF is one break
                out_ += QLatin1String("<w:br/>");
            }
            start = i + 1;
        }
        out_ += QLatin1String("</w:r>");
    }
    void textElement(QStringView piece) {
        // Blanks at either end or in a row would otherwise be dropped by the reader.
        const bool keepBlanks = piece.front() == u' ' || piece.back() == u' ' || piece.contains(u"  ");
        out_ += keepBlanks ? QLatin1String("<w:t xml:space=\"preserve\">") : QLatin1String("<w:t>");
        qsizetype from = 0;
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const char16_t c = piece[i].unicode();
            const char* entity = c == u'&' ? "&amp;" : c == u'<' ? "&lt;" : c == u'>' ? "&gt;" : nullptr;
            if (!entity)
                continue;
            out_ += piece.mid(from, i - from);
            out_ += QLatin1String(entity);
            from = i + 1;
        }
        out_ += piece.mid(from);
        out_ += QLatin1String("</w:t>");
    }

    QString& out_;
    std::vector<int> widths_;
};

// The parts around the document: the package's content types and relations, the styles (every text
// in 8-point Tahoma) and the document's properties.
QByteArray contentTypes() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
        "<Override PartName=\"/word/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
        "<Override PartName=\"/docProps/core.xml\" "
        "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
        "</Types>");
}

QByteArray packageRelations() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
        "Target=\"word/document.xml\"/>"
        "<Relationship Id=\"rId2\" "
        "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties\" "
        "Target=\"docProps/core.xml\"/>"
        "</Relationships>");
}

QByteArray documentRelations() {
    return QByteArrayLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" "
        "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
        "</Relationships>");
}

QByteArray styles() {
    const QByteArray font = "<w:rFonts w:ascii=\"Tahoma\" w:hAnsi=\"Tahoma\" w:eastAsia=\"Tahoma\" w:cs=\"Tahoma\"/>"
                            "<w:sz w:val=\"16\"/><w:szCs w:val=\"16\"/>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
           "<w:docDefaults><w:rPrDefault><w:rPr>" +
           font +
           "</w:rPr></w:rPrDefault>"
           "<w:pPrDefault><w:pPr><w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/></w:pPr></w:pPrDefault>"
           "</w:docDefaults>"
           "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/><w:qFormat/>"
           "<w:rPr>" +
           font +
           "</w:rPr></w:style>"
           "</w:styles>";
}

QByteArray coreProperties(const QString& title) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    xml.writeStartDocument(QStringLiteral("1.0"), true);
    xml.writeStartElement(QStringLiteral("cp:coreProperties"));
    xml.writeAttribute(QStringLiteral("xmlns:cp"),
                       QStringLiteral("http://schemas.openxmlformats.org/package/2006/metadata/core-properties"));
    xml.writeAttribute(QStringLiteral("xmlns:dc"), QStringLiteral("http://purl.org/dc/elements/1.1/"));
    xml.writeTextElement(QStringLiteral("dc:title"), xmlSafe(title));
    xml.writeTextElement(QStringLiteral("dc:creator"), QStringLiteral("Tessivo Keyvane"));
    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

// A zip archive built in memory with libzip; the caller writes the bytes where they belong.
class TZipInMemory {
public:
    TZipInMemory() {
        zip_error_init(&error_);
        source_ = zip_source_buffer_create(nullptr, 0, 0, &error_);
        if (!source_)
            fail(zip_error_strerror(&error_));
        zip_ = zip_open_from_source(source_, ZIP_TRUNCATE, &error_);
        if (!zip_) {
            zip_source_free(source_);
            source_ = nullptr;
            fail(zip_error_strerror(&error_));
        }
        zip_source_keep(source_);
    }
    ~TZipInMemory() {
        if (zip_)
            zip_discard(zip_);
        if (source_)
            zip_source_free(source_);
        zip_error_fini(&error_);
    }
    TZipInMemory(const TZipInMemory&) = delete;
    TZipInMemory& operator=(const TZipInMemory&) = delete;

    // The data must live until Finish.
    void Add(const char* name, const QByteArray& data, int level) {
        zip_source_t* part = zip_source_buffer(zip_, data.constData(), zip_uint64_t(data.size()), 0);
        if (!part)
            fail(zip_strerror(zip_));
        const zip_int64_t index = zip_file_add(zip_, name, part, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(part);
            fail(zip_strerror(zip_));
        }
        if (zip_set_file_compression(zip_, zip_uint64_t(index), ZIP_CM_DEFLATE, zip_uint32_t(level)) != 0)
            fail(zip_strerror(zip_));
    }

    QByteArray Finish() {
        if (zip_close(zip_) != 0)
            fail(zip_strerror(zip_));
        zip_ = nullptr;
        if (zip_source_open(source_) != 0)
            fail(zip_error_strerror(zip_source_error(source_)));
        zip_source_seek(source_, 0, SEEK_END);
        const zip_int64_t size = zip_source_tell(source_);
        zip_source_seek(source_, 0, SEEK_SET);
        QByteArray bytes;
        if (size > 0) {
            bytes.resize(qsizetype(size));
            if (zip_source_read(source_, bytes.data(), zip_uint64_t(size)) != size) {
                zip_source_close(source_);
                fail(zip_error_strerror(zip_source_error(source_)));
            }
        }
        zip_source_close(source_);
        return bytes;
    }

private:
    [[noreturn]] static void fail(const char* reason) {
        throw EQsException(QStringLiteral("The document could not be made: %1").arg(QString::fromUtf8(reason)));
    }

    zip_error_t error_;
    zip_source_t* source_ = nullptr;
    zip_t* zip_ = nullptr;
};

} // namespace

QString DocxTitle(const QString& path) {
    return QStringLiteral("Tessivo Keyvane - Export of '%1'").arg(path);
}

QByteArray DocxExport(const TKYVNFile& file, const QStringList& captions,
                      const std::function<void(int)>& beforeAccount) {
    const TPage page = landscapePage();
    const QString title = DocxTitle(file.FileName);
    QString text;
    text.reserve(qsizetype(file.AccountCount()) * captions.size() * 48 + 4096);
    {
        TDocumentXml xml(text);
        xml.begin();
        xml.paragraph(title, true);
        xml.paragraph(QString(), false);
        xml.paragraph(QString(), false);
        xml.beginTable(captions, page);
        xml.headerRow(captions);
        ForEachExportRow(file, captions, beforeAccount, [&xml](const QStringList& values) { xml.row(values); });
        xml.endTable();
        xml.paragraph(QString(), false); // a document's body ends with a paragraph, not a table
        xml.end(page);
    }
    const QByteArray document = text.toUtf8();
    text = QString();
    const QByteArray types = contentTypes();
    const QByteArray relations = packageRelations();
    const QByteArray docRelations = documentRelations();
    const QByteArray styleSheet = styles();
    const QByteArray core = coreProperties(title);
    TZipInMemory zip;
    zip.Add("[Content_Types].xml", types, 6);
    zip.Add("_rels/.rels", relations, 6);
    zip.Add("word/_rels/document.xml.rels", docRelations, 6);
    zip.Add("word/styles.xml", styleSheet, 6);
    zip.Add("docProps/core.xml", core, 6);
    // The table repeats itself a great deal: the fastest compression already shrinks it several times.
    zip.Add("word/document.xml", document, 1);
    return zip.Finish();
}
