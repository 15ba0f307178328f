#include "QrReport.h"

#include "QsExceptions.h"
#include "QsStrUtils.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPrinter>
#include <QTextLayout>

#include <algorithm>
#include <memory>

TQRBand& TQRReport::AddBand(TQRBandKind kind) {
    Bands.emplace_back();
    Bands.back().Kind = kind;
    return Bands.back();
}

TQRCell* TQRReport::Label(const QString& name) {
    for (TQRBand& band : Bands)
        for (TQRLine& line : band.Lines)
            for (TQRCell& cell : line.Cells)
                if (cell.Name == name)
                    return &cell;
    return nullptr;
}

const TQRCell* TQRReport::Label(const QString& name) const {
    return const_cast<TQRReport*>(this)->Label(name);
}

const TQRBand* TQRReport::Band(TQRBandKind kind) const {
    for (const TQRBand& band : Bands)
        if (band.Kind == kind)
            return &band;
    return nullptr;
}

QPageLayout TQRReport::PageLayout() const {
    return QPageLayout(QPageSize(QPageSize::A4), Orientation, QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm),
                       QPageLayout::Millimeter);
}

QFont TQRReport::CellFont(const TQRCell& cell) const {
    QFont font(FontFamily);
    font.setPointSizeF(cell.PointSize > 0 ? cell.PointSize : PointSize);
    font.setBold(cell.Bold);
    // No ligatures where the script does not need them: a password copied from the page must read "fi",
    // not one joined glyph.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

double QrTextWidthMm(const QFont& font, const QString& text) {
    // measured at print resolution, where hinting no longer changes the widths
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        const int dotsPerMeter = qRound(1200 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return QFontMetricsF(font, &device).horizontalAdvance(text) * 25.4 / 1200.0;
}

namespace {

// A cell placed in its band: one line of text drawn directly, or a wrapped text layout.
struct TPlacedCell {
    double X = 0, Y = 0, W = 0;
    int FontIndex = 0;
    QString Text;
    double Advance = 0;
    Qt::Alignment Align = Qt::AlignLeft;
    std::unique_ptr<QTextLayout> Layout;
};

struct TPlacedBand {
    double Height = 0;
    std::vector<TPlacedCell> Cells;
    std::vector<double> Rules;                        // y of each rule
    std::vector<std::pair<double, double>> TextLines; // top and bottom of every line of text
};

struct TFontInfo {
    bool Bold;
    double Size;
    QFont Font;
    QFontMetricsF Metrics;
};

class TRenderer {
public:
    TRenderer(const TQRReport& report, const TQRDataSource& data, QPagedPaintDevice& device,
              const TQRProgress& progress)
        : report_(report), data_(data), device_(device), progress_(progress) {}

    int Run();

private:
    double mm(double value) const { return value * pxPerMm_; }
    int fontIndex(const TQRCell& cell);
    QString cellText(const TQRCell& cell, int row) const;
    void layoutBand(const TQRBand& band, int row, TPlacedBand& out);
    void drawBand(const TPlacedBand& band, double y, double from, double height, bool clip);
    double safeCut(const TPlacedBand& band, double low, double high) const;
    // Page-fixed bands (header, title, column header, footer) may use at most a fifth of the page each,
    // so a detail always has room.
    double drawFixed(const TQRBand* band, double y);
    void startPage();
    bool finishPage();

    const TQRReport& report_;
    const TQRDataSource& data_;
    QPagedPaintDevice& device_;
    const TQRProgress& progress_;
    QPainter painter_;
    std::vector<TFontInfo> fonts_;
    double pxPerMm_ = 1;
    double width_ = 0, height_ = 0;
    int page_ = 1;
    int rowsDone_ = 0;
    double y_ = 0, firstY_ = 0, limit_ = 0;
    TPlacedBand footer_;
    const TQRBand* header_ = nullptr;
    const TQRBand* title_ = nullptr;
    const TQRBand* columns_ = nullptr;
    const TQRBand* footerBand_ = nullptr;
};

int TRenderer::fontIndex(const TQRCell& cell) {
    const double size = cell.PointSize > 0 ? cell.PointSize : report_.PointSize;
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i].Bold == cell.Bold && fonts_[i].Size == size)
            return int(i);
    QFont font = report_.CellFont(cell);
    fonts_.push_back({cell.Bold, size, font, QFontMetricsF(font, &device_)});
    return int(fonts_.size() - 1);
}

QString TRenderer::cellText(const TQRCell& cell, int row) const {
    QString value;
    switch (cell.Source) {
    case TQRSource::None:
        return cell.Text;
    case TQRSource::Field:
        value = row >= 0 ? data_.Text(row, cell.Field) : QString();
        break;
    case TQRSource::PageNumber:
        value = QString::number(page_);
        break;
    case TQRSource::Date:
        value = ShortDateText(report_.Date.isValid() ? report_.Date : QDate::currentDate());
        break;
    }
    if (cell.Text.isEmpty())
        return value;
    return cell.Text + u' ' + value;
}

void TRenderer::layoutBand(const TQRBand& band, int row, TPlacedBand& out) {
    out.Cells.clear();
    out.Rules.clear();
    out.TextLines.clear();
    double y = mm(band.SpaceBeforeMm);
    for (const TQRLine& line : band.Lines) {
        if (line.Rule) {
            const double h = mm(1.5);
            out.Rules.push_back(y + h / 2);
            y += h + mm(line.SpaceAfterMm);
            continue;
        }
        double lineHeight = 0;
        for (const TQRCell& cell : line.Cells) {
            TPlacedCell placed;
            placed.FontIndex = fontIndex(cell);
            const TFontInfo& font = fonts_[placed.FontIndex];
            lineHeight = std::max(lineHeight, font.Metrics.height());
            placed.X = width_ * cell.LeftFrac + mm(cell.LeftMm);
            placed.W = std::max(width_ * cell.WidthFrac + mm(cell.WidthMm), mm(1));
            placed.Y = y;
            placed.Align = cell.Align;
            QString text = cellText(cell, row);
            if (text.isEmpty())
                continue;
            const bool breaks = text.contains(u'\n') || text.contains(u'\r');
            placed.Advance = breaks ? 0 : font.Metrics.horizontalAdvance(text);
            if (!breaks && placed.Advance <= placed.W) {
                out.TextLines.emplace_back(y, y + font.Metrics.height());
                placed.Text = std::move(text);
                out.Cells.push_back(std::move(placed));
                continue;
            }
            // The text wraps: the account's own line breaks first, then at the width.
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            text.replace(u'\r', u'\n');
            text.replace(u'\n', QChar::LineSeparator);
            placed.Layout = std::make_unique<QTextLayout>(text, font.Font, &device_);
            QTextOption option(cell.Align);
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            placed.Layout->setTextOption(option);
            placed.Layout->beginLayout();
            double h = 0;
            for (QTextLine tl = placed.Layout->createLine(); tl.isValid(); tl = placed.Layout->createLine()) {
                tl.setLineWidth(placed.W);
                tl.setPosition(QPointF(0, h));
                out.TextLines.emplace_back(y + h, y + h + tl.height());
                h += tl.height();
            }
            placed.Layout->endLayout();
            lineHeight = std::max(lineHeight, h);
            out.Cells.push_back(std::move(placed));
        }
        y += lineHeight + mm(line.SpaceAfterMm);
    }
    out.Height = y + mm(band.SpaceAfterMm);
}

void TRenderer::drawBand(const TPlacedBand& band, double y, double from, double height, bool clip) {
    painter_.save();
    if (clip)
        painter_.setClipRect(QRectF(0, y, width_, height));
    painter_.translate(0, y - from);
    QPen rule(Qt::black);
    rule.setWidthF(mm(0.25));
    painter_.setPen(rule);
    for (double ry : band.Rules)
        painter_.drawLine(QPointF(0, ry), QPointF(width_, ry));
    painter_.setPen(Qt::black);
    int current = -1;
    for (const TPlacedCell& cell : band.Cells) {
        const TFontInfo& font = fonts_[cell.FontIndex];
        if (cell.Layout) {
            cell.Layout->draw(&painter_, QPointF(cell.X, cell.Y));
            continue;
        }
        if (current != cell.FontIndex) {
            painter_.setFont(font.Font);
            current = cell.FontIndex;
        }
        double x = cell.X;
        if (cell.Align & Qt::AlignRight)
            x += cell.W - cell.Advance;
        else if (cell.Align & Qt::AlignHCenter)
            x += (cell.W - cell.Advance) / 2;
        painter_.drawText(QPointF(x, cell.Y + font.Metrics.ascent()), cell.Text);
    }
    painter_.restore();
}

double TRenderer::safeCut(const TPlacedBand& band, double low, double high) const {
    // A cut is safe where it passes through no line of text.
    double best = low;
    auto safe = [&band](double c) {
        return std::none_of(band.TextLines.begin(), band.TextLines.end(),
                            [c](const auto& l) { return l.first < c - 0.01 && c + 0.01 < l.second; });
    };
    for (const auto& line : band.TextLines)
        for (double c : {line.first, line.second})
            if (c > best && c <= high && safe(c))
                best = c;
    return best;
}

double TRenderer::drawFixed(const TQRBand* band, double y) {
    if (!band)
        return y;
    TPlacedBand placed;
    layoutBand(*band, -1, placed);
    const double h = std::min(placed.Height, height_ / 5);
    drawBand(placed, y, 0, h, h < placed.Height);
    return y + h;
}

void TRenderer::startPage() {
    y_ = drawFixed(header_, 0);
    if (page_ == 1)
        y_ = drawFixed(title_, y_);
    y_ = drawFixed(columns_, y_);
    firstY_ = y_;
    footer_ = {};
    if (footerBand_)
        layoutBand(*footerBand_, -1, footer_);
    limit_ = height_ - std::min(footer_.Height, height_ / 5);
}

bool TRenderer::finishPage() {
    if (footerBand_) {
        const double h = std::min(footer_.Height, height_ / 5);
        drawBand(footer_, height_ - h, 0, h, h < footer_.Height);
    }
    return !progress_ || progress_(page_, rowsDone_, data_.RowCount());
}

int TRenderer::Run() {
    device_.setPageLayout(report_.PageLayout());
    if (auto* printer = dynamic_cast<QPrinter*>(&device_))
        printer->setDocName(report_.JobTitle);
    if (!painter_.begin(&device_))
        throw EQsException(QStringLiteral("The report cannot be printed."),
                           QStringLiteral("The printer or the output file could not be opened."), 1);
    pxPerMm_ = device_.logicalDpiX() / 25.4;
    width_ = device_.width();
    height_ = device_.height();
    header_ = report_.Band(TQRBandKind::PageHeader);
    title_ = report_.Band(TQRBandKind::Title);
    columns_ = report_.Band(TQRBandKind::ColumnHeader);
    footerBand_ = report_.Band(TQRBandKind::PageFooter);
    const TQRBand* detail = report_.Band(TQRBandKind::Detail);

    auto stop = [this] {
        if (auto* printer = dynamic_cast<QPrinter*>(&device_))
            printer->abort();
        painter_.end();
        return -1;
    };
    auto nextPage = [this] {
        if (!finishPage())
            return false;
        device_.newPage();
        ++page_;
        startPage();
        return true;
    };

    startPage();
    TPlacedBand band;
    const int rows = detail ? data_.RowCount() : 0;
    for (int row = 0; row < rows; ++row) {
        layoutBand(*detail, row, band);
        double from = 0;
        for (;;) {
            const double rest = band.Height - from;
            if (y_ + rest <= limit_ + 0.01) {
                drawBand(band, y_, from, rest, from > 0);
                y_ += rest;
                break;
            }
            // A band that fits on a page of its own starts the next page, whole.
            if (y_ > firstY_ && rest <= limit_ - firstY_) {
                if (!nextPage())
                    return stop();
                continue;
            }
            // Taller than a page: what fits here, cut between lines of text.
            double cut = safeCut(band, from, from + (limit_ - y_));
            if (cut <= from) {
                if (y_ > firstY_) {
                    if (!nextPage())
                        return stop();
                    continue;
                }
                cut = from + (limit_ - y_);
            }
            drawBand(band, y_, from, cut - from, true);
            from = cut;
            if (!nextPage())
                return stop();
        }
        ++rowsDone_;
    }
    if (!finishPage())
        return stop();
    painter_.end();
    return page_;
}

} // namespace

int QrRender(const TQRReport& report, const TQRDataSource& data, QPagedPaintDevice& device,
             const TQRProgress& progress) {
    TRenderer renderer(report, data, device, progress);
    return renderer.Run();
}
