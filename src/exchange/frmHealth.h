// The password health window: the accounts of the open file that need attention, worst first, with the
// counts at the top. Enter or a double click opens an account's editor (through the caller, who asks for
// a protected account's password and writes the file); the list is worked out again afterwards. A breach
// list on disk can be searched, and the list printed through the report engine. Passwords are never shown.
#pragma once

#include "QrReport.h"
#include "QsDialogBase.h"
#include "uBreachList.h"
#include "uHealth.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <functional>

class QLabel;
class QPushButton;
class QTreeWidget;

// The accounts of each group of a reused password, to name them beside each other.
class THealthGroups {
public:
    explicit THealthGroups(const THealthReport& report);
    // The entry's problems in words; a reused password names (some of) the accounts that share it.
    QString ProblemsText(const THealthEntry& entry) const;

private:
    QHash<int, QList<TKYVNAccount*>> members_;
};

// The health list as the report engine prints it: account, problems, last change.
class THealthPrintData : public TQRDataSource {
public:
    enum Field { fAccount, fProblems, fModified };
    explicit THealthPrintData(const THealthReport& report) : Report(&report), Groups(report) {}
    const THealthReport* Report;
    THealthGroups Groups;
    int RowCount() const override { return Report ? int(Report->Entries.size()) : 0; }
    QString Text(int row, int field) const override;
};
// The printed layout: the file's name and the counts at the top, one line per account.
TQRReport HealthPrintLayout(const THealthReport& report, const QString& fileName);

class THealthDlg : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit THealthDlg(QWidget* parent = nullptr);

    QLabel* lblCounts;
    QLabel* lblBreaches;
    QTreeWidget* lvHealth;
    QPushButton* cmdOpen;
    QPushButton* cmdBreaches;
    QPushButton* cmdPrint;
    QPushButton* cmdClose;
    QPushButton* cmdHelp;

    // What is analysed: the open file's accounts (asked again after every edit), its name, the age limit.
    std::function<QList<TKYVNAccount*>()> Accounts;
    QString FileName;
    int MaxAgeDays = 365;
    // A file of this many accounts gets a progress window, shown once the analysis has run this long.
    int ProgressFrom = 2000;
    int ProgressDelayMs = 300;
    // Opens the editor of the account; true when it was changed.
    std::function<bool(TKYVNAccount*)> EditAccount;

    THealthReport Report;
    TBreachList Breaches;

    // Works the list out again (with a progress window for a large file); false when the user cancelled.
    bool Analyze();
    // The account of the selected row, or null.
    TKYVNAccount* SelectedAccount() const;
    void SelectAccount(const TKYVNAccount* account);
    void cmdOpenClick();
    // Asks for a breach list (answer seam "OpenFile"), opens it and analyses again.
    void cmdBreachesClick();
    void cmdPrintClick();

private:
    void fillList();
};

// Shows the health window of the accounts; returns when it is closed. Goes through QsAnswers
// ("THealthDlg"): a handler gets the analysed dialog, before it is shown.
void ShowPasswordHealth(const std::function<QList<TKYVNAccount*>()>& accounts, const QString& fileName, int maxAgeDays,
                        const std::function<bool(TKYVNAccount*)>& editAccount);
