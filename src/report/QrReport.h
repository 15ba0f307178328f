// The small band report engine: a report is a list of bands (page header, title, column header, detail,
// page footer) of text cells, laid out on any paged device (a printer, a PDF file, the preview).
//
// Geometry is in millimetres inside the page margins. A cell's left edge and width are each a fraction
// of the printable width plus a fixed number of millimetres, so one band serves portrait and landscape.
// A cell wraps within its width (at word boundaries, inside a word when one word is wider), and the
// line of cells grows to hold its tallest cell.
#pragma once

#include <QDate>
#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QFont;
class QPagedPaintDevice;

// The rows the detail band prints: texts ready to print, by row and field.
class TQRDataSource {
public:
    virtual ~TQRDataSource() = default;
    virtual int RowCount() const = 0;
    virtual QString Text(int row, int field) const = 0;
};

// What a cell prints after its fixed text.
enum class TQRSource {
    None,       // the fixed text alone
    Field,      // the field of the current row
    PageNumber, // the number of the page being printed
    Date,       // the report's date in the user's short date format
};

struct TQRCell {
    QString Name; // for labels whose text is set before printing (e.g. "QRLTitle"); may be empty
    QString Text;
    TQRSource Source = TQRSource::None;
    int Field = -1;
    double LeftFrac = 0, LeftMm = 0;   // left edge: fraction of the printable width + millimetres
    double WidthFrac = 1, WidthMm = 0; // width: likewise
    bool Bold = false;
    double PointSize = 0; // 0: the report's size
    Qt::Alignment Align = Qt::AlignLeft;
};

// One row of cells across the band, or a horizontal rule when Rule is set.
struct TQRLine {
    std::vector<TQRCell> Cells;
    bool Rule = false;
    double SpaceAfterMm = 0;
};

enum class TQRBandKind { PageHeader, Title, ColumnHeader, Detail, PageFooter };

struct TQRBand {
    TQRBandKind Kind = TQRBandKind::Detail;
    std::vector<TQRLine> Lines;
    double SpaceBeforeMm = 0;
    double SpaceAfterMm = 0;
};

class TQRReport {
public:
    QString Name;     // the layout's name
    QString JobTitle; // the print job's (and the PDF's) title
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    double MarginMm = 10; // on every side of an A4 page
    QString FontFamily = QStringLiteral("Tahoma");
    double PointSize = 8;
    QDate Date; // printed by Date cells; today when not set
    std::vector<TQRBand> Bands;

    TQRBand& AddBand(TQRBandKind kind);
    // The cell of that name in any band, or null.
    TQRCell* Label(const QString& name);
    const TQRCell* Label(const QString& name) const;
    // The first band of that kind, or null.
    const TQRBand* Band(TQRBandKind kind) const;

    // The A4 page with this report's orientation and margins.
    QPageLayout PageLayout() const;
    QFont CellFont(const TQRCell& cell) const;
};

// The width of text in the font, in millimetres (for sizing label columns).
double QrTextWidthMm(const QFont& font, const QString& text);

// Called after each page is finished with the page number and the rows printed so far; false stops.
using TQRProgress = std::function<bool(int page, int rowsDone, int rowCount)>;

// Lays out and paints the report on the device, which is given the report's page layout and must not be
// painting yet. Returns the number of pages, or -1 when progress asked to stop (the device's job is then
// left to the caller to abort). Raises EQsException when the device cannot be painted on.
int QrRender(const TQRReport& report, const TQRDataSource& data, QPagedPaintDevice& device,
             const TQRProgress& progress = {});
