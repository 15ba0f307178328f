// The accounts report: the table ReportData, filled from the accounts in the order the main window lists
// them, and its four layouts (portrait and landscape, full and simple) for the report engine.
#pragma once

#include "QrReport.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QWidget>
#include <deque>
#include <vector>

class QPrinter;
class TKYVNAccount;

// One row of ReportData: the account's values, texts cut to 255 characters.
struct TReportRow {
    QString Name;
    QString Login;
    QString Password;
    QString Email;
    QString Web;
    QDate Created;
    QDate Modified;
    QString Notes;
    bool Protect = false;
};

// The in-memory table of the report, in the fields' order above. The engine reads it as text: dates in
// the user's short date format, the boolean as "True" or "False".
class TReportData : public TQRDataSource {
public:
    enum Field { fName, fLogin, fPassword, fEmail, fWeb, fCreated, fModified, fNotes, fProtect };
    static constexpr int MaxText = 255;

    bool Active = false;
    // A deque: the report is filled from the last row to the first, each before the one inserted last.
    std::deque<TReportRow> Rows;

    void Open();
    void Close();
    // Inserts a row before position (the end when position is the row count) filled from the account.
    void Insert(int position, const TKYVNAccount& account);

    int RowCount() const override { return int(Rows.size()); }
    QString Text(int row, int field) const override;
};

class TReportForm : public QWidget {
public:
    explicit TReportForm(QWidget* parent = nullptr);

    TReportData ReportData;
    TQRReport QRPortraitComplete;
    TQRReport QRLandscapeComplete;
    TQRReport QRPortraitSimple;
    TQRReport QRLandscapeSimple;

    // Fills ReportData from the accounts (the list's order), and the title and file-name labels of every
    // layout from the path of the open file.
    void PrepareReport(const QList<const TKYVNAccount*>& accounts, const QString& path);
    // Prepares the report, then previews (preview true) or prints at once to the printer the landscape
    // or portrait layout: the simple one when simple is set, else the full one.
    void PrintLandscape(bool preview, bool simple, const QString& path, const QList<const TKYVNAccount*>& accounts,
                        QPrinter& printer);
    void PrintPortrait(bool preview, bool simple, const QString& path, const QList<const TKYVNAccount*>& accounts,
                       QPrinter& printer);

    // The layout for an orientation and kind.
    TQRReport& Layout(QPageLayout::Orientation orientation, bool simple);
    // The four layouts.
    std::vector<TQRReport*> Layouts();

private:
    void print(QPageLayout::Orientation orientation, bool preview, bool simple, const QString& path,
               const QList<const TKYVNAccount*>& accounts, QPrinter& printer);
};

// Made hidden by start-up and released at the end; ReportFormInstance makes it on first use otherwise.
extern TReportForm* ReportForm;
TReportForm& ReportFormInstance();
void ReleaseReportForm();

// The first count characters of text, never ending inside a surrogate pair.
QString ReportCut(const QString& text, int count = TReportData::MaxText);
