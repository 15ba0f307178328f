#include "frmReport.h"

#include "QrPrinter.h"
#include "QsApp.h"
#include "QsStrUtils.h"
#include "QsVerInf.h"
#include "clsAccount.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <algorithm>

TReportForm* ReportForm = nullptr;

namespace {

const QString kJobTitle = QStringLiteral("Tessivo Keyvane - Accounts List");

// Cells are built from these small makers so the four layouts read as tables.
TQRCell text(const QString& value, double leftFrac, double leftMm, double widthFrac, double widthMm,
             bool bold = false) {
    TQRCell cell;
    cell.Text = value;
    cell.LeftFrac = leftFrac;
    cell.LeftMm = leftMm;
    cell.WidthFrac = widthFrac;
    cell.WidthMm = widthMm;
    cell.Bold = bold;
    return cell;
}

TQRCell field(int index, double leftFrac, double leftMm, double widthFrac, double widthMm) {
    TQRCell cell = text(QString(), leftFrac, leftMm, widthFrac, widthMm);
    cell.Source = TQRSource::Field;
    cell.Field = index;
    return cell;
}

TQRCell named(TQRCell cell, const QString& name) {
    cell.Name = name;
    return cell;
}

TQRLine rule(double spaceAfterMm = 0) {
    TQRLine line;
    line.Rule = true;
    line.SpaceAfterMm = spaceAfterMm;
    return line;
}

TQRLine cells(std::vector<TQRCell> items, double spaceAfterMm = 0) {
    TQRLine line;
    line.Cells = std::move(items);
    line.SpaceAfterMm = spaceAfterMm;
    return line;
}

// The widest of the labels in the bold face of the report, with a gap before the value.
double labelColumn(const TQRReport& report, const QStringList& labels) {
    TQRCell probe;
    probe.Bold = true;
    const QFont font = report.CellFont(probe);
    double widest = 0;
    for (const QString& label : labels)
        widest = std::max(widest, QrTextWidthMm(font, label));
    return widest + 1.5;
}

// Page header, title and page footer, the same in every layout but for the names of the labels.
void addFrame(TQRReport& report, const QString& suffix) {
    TQRBand& header = report.AddBand(TQRBandKind::PageHeader);
    TQRCell fileLabel = named(text(QString(), 0.3, 0, 0.7, 0), QStringLiteral("QRLFileName") + suffix);
    fileLabel.Source = TQRSource::Date;
    fileLabel.Align = Qt::AlignRight;
    header.Lines = {cells({text(QStringLiteral("Tessivo Keyvane"), 0, 0, 0.3, -2), fileLabel}, 0.5), rule()};
    header.SpaceAfterMm = 2.5;

    TQRBand& title = report.AddBand(TQRBandKind::Title);
    TQRCell titleLabel = named(text(QString(), 0, 0, 1, 0, true), QStringLiteral("QRLTitle") + suffix);
    titleLabel.PointSize = 14;
    title.Lines = {cells({titleLabel})};
    title.SpaceBeforeMm = 2;
    title.SpaceAfterMm = 4;

    TQRBand& footer = report.AddBand(TQRBandKind::PageFooter);
    TQRCell page = named(text(QStringLiteral("Page:"), 0.7, 0, 0.3, 0), QStringLiteral("QRLPage") + suffix);
    page.Source = TQRSource::PageNumber;
    page.Align = Qt::AlignRight;
    footer.Lines = {rule(0.3),
                    cells({named(text(QString(), 0, 0, 0.7, -2), QStringLiteral("QRLNotice") + suffix), page})};
    footer.SpaceBeforeMm = 2;
}

void buildSimple(TQRReport& report) {
    constexpr double third = 1.0 / 3.0;
    constexpr double gap = -2; // between the columns
    TQRBand& columns = report.AddBand(TQRBandKind::ColumnHeader);
    columns.Lines = {cells({text(QStringLiteral("Account Name"), 0, 0, third, gap, true),
                            text(QStringLiteral("Login"), third, 0, third, gap, true),
                            text(QStringLiteral("Password"), 2 * third, 0, third, 0, true)})};
    columns.SpaceAfterMm = 1.5;

    TQRBand& detail = report.AddBand(TQRBandKind::Detail);
    detail.Lines = {
        cells({field(TReportData::fName, 0, 0, third, gap), field(TReportData::fLogin, third, 0, third, gap),
               field(TReportData::fPassword, 2 * third, 0, third, 0)})};
    detail.SpaceAfterMm = 0.8;
}

void buildComplete(TQRReport& report, bool landscape) {
    const QString emailLabel = landscape ? QStringLiteral("E-mail:") : QStringLiteral("Email:");
    const double left = labelColumn(report, {QStringLiteral("Account Name:"), QStringLiteral("Login:"), emailLabel,
                                             QStringLiteral("Notes:"), QStringLiteral("Created")});
    const double right =
        labelColumn(report, {QStringLiteral("Password:"), QStringLiteral("Web:"), QStringLiteral("Modified:")});
    const double protLabel = labelColumn(report, {QStringLiteral("Protected:")});
    const double protValue = labelColumn(report, {QStringLiteral("False")});
    const double protAt = -(protLabel + protValue); // from the right edge
    constexpr double half = 0.5, gap = 3;
    constexpr double spacing = 0.4;

    auto label = [](const QString& caption, double leftFrac, double leftMm, double widthMm) {
        return text(caption, leftFrac, leftMm, 0, widthMm, true);
    };
    TQRBand& detail = report.AddBand(TQRBandKind::Detail);
    detail.Lines = {
        cells({label(QStringLiteral("Account Name:"), 0, 0, left), field(TReportData::fName, 0, left, 1, -left)},
              spacing),
        cells({label(QStringLiteral("Login:"), 0, 0, left), field(TReportData::fLogin, 0, left, half, -left - gap),
               label(QStringLiteral("Password:"), half, 0, right),
               field(TReportData::fPassword, half, right, half, -right)},
              spacing),
        cells({label(emailLabel, 0, 0, left), field(TReportData::fEmail, 0, left, half, -left - gap),
               label(QStringLiteral("Web:"), half, 0, right), field(TReportData::fWeb, half, right, half, -right)},
              spacing),
        cells({label(QStringLiteral("Notes:"), 0, 0, left), field(TReportData::fNotes, 0, left, 1, -left)}, spacing),
        cells({label(QStringLiteral("Created"), 0, 0, left), field(TReportData::fCreated, 0, left, half, -left - gap),
               label(QStringLiteral("Modified:"), half, 0, right),
               field(TReportData::fModified, half, right, half, -right + protAt - gap),
               label(QStringLiteral("Protected:"), 1, protAt, protLabel),
               field(TReportData::fProtect, 1, -protValue, 0, protValue)}),
    };
    detail.SpaceAfterMm = 4;
}

void buildLayout(TQRReport& report, const QString& name, const QString& suffix, QPageLayout::Orientation orientation,
                 bool simple) {
    report.Name = name;
    report.JobTitle = kJobTitle;
    report.Orientation = orientation;
    report.MarginMm = 10;
    addFrame(report, suffix);
    if (simple)
        buildSimple(report);
    else
        buildComplete(report, orientation == QPageLayout::Landscape);
}

QString makersNotice() {
    const QString notice = AppInfo ? AppInfo->LegalNotice : QString();
    return notice.isEmpty() ? QsFixedLegalNotice() : notice;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// ReportData

QString ReportCut(const QString& text, int count) {
    if (text.size() <= count)
        return text;
    // a character outside the basic plane is two units: it stays whole or goes whole
    if (count > 0 && text.at(count - 1).isHighSurrogate())
        --count;
    return text.left(std::max(count, 0));
}

void TReportData::Open() {
    Active = true;
}

void TReportData::Close() {
    Active = false;
    Rows.clear();
}

void TReportData::Insert(int position, const TKYVNAccount& account) {
    TReportRow row;
    row.Name = ReportCut(account.AccountName);
    row.Login = ReportCut(account.Login);
    row.Password = ReportCut(account.Password);
    row.Email = ReportCut(account.Email);
    row.Web = ReportCut(account.Web);
    row.Created = account.Created;
    row.Modified = account.Modified;
    row.Notes = ReportCut(account.Notes);
    row.Protect = account.Protected;
    position = std::clamp(position, 0, RowCount());
    Rows.insert(Rows.begin() + position, std::move(row));
}

QString TReportData::Text(int row, int field) const {
    if (row < 0 || row >= RowCount())
        return {};
    const TReportRow& r = Rows[size_t(row)];
    switch (field) {
    case fName:
        return r.Name;
    case fLogin:
        return r.Login;
    case fPassword:
        return r.Password;
    case fEmail:
        return r.Email;
    case fWeb:
        return r.Web;
    case fCreated:
        return ShortDateText(r.Created);
    case fModified:
        return ShortDateText(r.Modified);
    case fNotes:
        return r.Notes;
    case fProtect:
        return BoolToText(r.Protect);
    }
    return {};
}

// ---------------------------------------------------------------------------------------------------
// TReportForm

TReportForm::TReportForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ReportForm"));
    setWindowTitle(QStringLiteral("Accounts Report"));
    setAttribute(Qt::WA_DontShowOnScreen);
    buildLayout(QRPortraitComplete, QStringLiteral("QRPortraitComplete"), QString(), QPageLayout::Portrait, false);
    buildLayout(QRLandscapeComplete, QStringLiteral("QRLandscapeComplete"), QStringLiteral("2"), QPageLayout::Landscape,
                false);
    buildLayout(QRPortraitSimple, QStringLiteral("QRPortraitSimple"), QStringLiteral("3"), QPageLayout::Portrait, true);
    buildLayout(QRLandscapeSimple, QStringLiteral("QRLandscapeSimple"), QStringLiteral("4"), QPageLayout::Landscape,
                true);
}

std::vector<TQRReport*> TReportForm::Layouts() {
    return {&QRPortraitComplete, &QRLandscapeComplete, &QRPortraitSimple, &QRLandscapeSimple};
}

TQRReport& TReportForm::Layout(QPageLayout::Orientation orientation, bool simple) {
    if (orientation == QPageLayout::Landscape)
        return simple ? QRLandscapeSimple : QRLandscapeComplete;
    return simple ? QRPortraitSimple : QRPortraitComplete;
}

void TReportForm::PrepareReport(const QList<const TKYVNAccount*>& accounts, const QString& path) {
    if (ReportData.Active)
        ReportData.Close();
    ReportData.Open();
    ReportData.Rows.clear();
    // from the last to the first, each before the one inserted last: the list's order
    for (auto it = accounts.crbegin(); it != accounts.crend(); ++it)
        if (*it)
            ReportData.Insert(0, **it);

    const QString title = QStringLiteral("Accounts in '%1'").arg(QFileInfo(path).fileName());
    const QString fileLabel = QStringLiteral("%1 -").arg(path);
    const QString notice = makersNotice();
    const QStringList suffixes = {QString(), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};
    for (TQRReport* report : Layouts()) {
        for (const QString& s : suffixes) {
            if (TQRCell* cell = report->Label(QStringLiteral("QRLTitle") + s))
                cell->Text = title;
            if (TQRCell* cell = report->Label(QStringLiteral("QRLFileName") + s))
                cell->Text = fileLabel;
            if (TQRCell* cell = report->Label(QStringLiteral("QRLNotice") + s))
                cell->Text = notice;
        }
        report->Date = QDate::currentDate();
    }
}

void TReportForm::print(QPageLayout::Orientation orientation, bool preview, bool simple, const QString& path,
                        const QList<const TKYVNAccount*>& accounts, QPrinter& printer) {
    PrepareReport(accounts, path);
    TQRReport& report = Layout(orientation, simple);
    if (preview) {
        printer.setPageLayout(report.PageLayout());
        QrPreview([this, simple](QPageLayout::Orientation o) -> const TQRReport& { return Layout(o, simple); },
                  ReportData, printer, parentWidget() ? parentWidget() : QApplication::activeWindow());
    } else {
        QrPrint(report, ReportData, printer, QApplication::activeWindow());
    }
}

void TReportForm::PrintLandscape(bool preview, bool simple, const QString& path,
                                 const QList<const TKYVNAccount*>& accounts, QPrinter& printer) {
    print(QPageLayout::Landscape, preview, simple, path, accounts, printer);
}

void TReportForm::PrintPortrait(bool preview, bool simple, const QString& path,
                                const QList<const TKYVNAccount*>& accounts, QPrinter& printer) {
    print(QPageLayout::Portrait, preview, simple, path, accounts, printer);
}

TReportForm& ReportFormInstance() {
    if (!ReportForm)
        ReportForm = new TReportForm;
    return *ReportForm;
}

void ReleaseReportForm() {
    delete ReportForm;
    ReportForm = nullptr;
}
