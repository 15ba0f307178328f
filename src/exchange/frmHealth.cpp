#include "frmHealth.h"

#include "QrPrinter.h"
#include "QsAnswers.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "clsAccount.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int HelpHealth = 540;
// The names of the other accounts of a reused password shown in the list; the rest are counted.
constexpr int NamedPartners = 3;
constexpr int AccountRole = Qt::UserRole;

QString lastChanged(const TKYVNAccount& account) {
    if (!account.Modified.isValid() || account.Modified <= KyvnDayZero())
        return QString();
    return QLocale().toString(account.Modified, QLocale::ShortFormat);
}

} // namespace

THealthGroups::THealthGroups(const THealthReport& report) {
    for (const THealthEntry& e : report.Entries)
        if (e.ReuseGroup > 0)
            members_[e.ReuseGroup].append(e.Account);
}

QString THealthGroups::ProblemsText(const THealthEntry& entry) const {
    QStringList texts = HealthProblemTexts(entry);
    if (entry.Problems & hpReused) {
        QStringList partners;
        int others = 0;
        for (const TKYVNAccount* account : members_.value(entry.ReuseGroup)) {
            if (account == entry.Account)
                continue;
            if (partners.size() < NamedPartners)
                partners << account->AccountName;
            else
                ++others;
        }
        QString with = partners.join(QStringLiteral(", "));
        if (others > 0)
            with += QStringLiteral(" and %1 more").arg(others);
        for (QString& t : texts)
            if (t.startsWith(QLatin1String("Same password")))
                t += QStringLiteral(" (with %1)").arg(with);
    }
    return texts.join(QStringLiteral("; "));
}

namespace {

TQRCell cell(const QString& text, double leftFrac, double widthFrac, bool bold = false) {
    TQRCell c;
    c.Text = text;
    c.LeftFrac = leftFrac;
    c.WidthFrac = widthFrac;
    c.WidthMm = -2;
    c.Bold = bold;
    return c;
}

TQRCell fieldCell(int field, double leftFrac, double widthFrac) {
    TQRCell c = cell(QString(), leftFrac, widthFrac);
    c.Source = TQRSource::Field;
    c.Field = field;
    return c;
}

TQRLine line(std::vector<TQRCell> cells, double spaceAfterMm = 0) {
    TQRLine l;
    l.Cells = std::move(cells);
    l.SpaceAfterMm = spaceAfterMm;
    return l;
}

TQRLine rule(double spaceAfterMm = 0) {
    TQRLine l;
    l.Rule = true;
    l.SpaceAfterMm = spaceAfterMm;
    return l;
}

// The breach list to search, through the answer seam ("OpenFile"): "" cancels.
QString askBreachList(QWidget* owner) {
    const QString title = QStringLiteral("Select Breach List...");
    QsAnswers::Record(QStringLiteral("OpenFile"), title);
    if (auto answer = QsAnswers::Take(QStringLiteral("OpenFile")))
        return answer->toString();
    QFileDialog dlg(owner, title);
    dlg.setNameFilters({QStringLiteral("Breach lists (*.txt)"), QStringLiteral("All Files (*)")});
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first();
}

} // namespace

QString THealthPrintData::Text(int row, int field) const {
    const THealthEntry& e = Report->Entries.at(row);
    switch (field) {
    case fAccount:
        return e.Account->AccountName;
    case fProblems:
        return Groups.ProblemsText(e);
    default:
        return lastChanged(*e.Account);
    }
}

TQRReport HealthPrintLayout(const THealthReport& report, const QString& fileName) {
    TQRReport r;
    r.Name = QStringLiteral("QRHealth");
    r.JobTitle = QStringLiteral("Tessivo Keyvane - Password Health");
    TQRBand& header = r.AddBand(TQRBandKind::PageHeader);
    header.Lines = {line({cell(QStringLiteral("Tessivo Keyvane"), 0, 0.3), cell(fileName, 0.3, 0.7)}, 0.5), rule()};
    TQRBand& title = r.AddBand(TQRBandKind::Title);
    TQRCell heading = cell(QStringLiteral("Password Health"), 0, 1, true);
    heading.PointSize = 14;
    title.Lines = {line({heading}, 1), line({cell(HealthCountsText(report), 0, 1)}, 3)};
    title.SpaceAfterMm = 2;
    TQRBand& columns = r.AddBand(TQRBandKind::ColumnHeader);
    columns.Lines = {
        line({cell(QStringLiteral("Account"), 0, 0.3, true), cell(QStringLiteral("Problems"), 0.3, 0.55, true),
              cell(QStringLiteral("Last changed"), 0.85, 0.15, true)},
             0.5),
        rule(0.5)};
    TQRBand& detail = r.AddBand(TQRBandKind::Detail);
    detail.Lines = {
        line({fieldCell(THealthPrintData::fAccount, 0, 0.3), fieldCell(THealthPrintData::fProblems, 0.3, 0.55),
              fieldCell(THealthPrintData::fModified, 0.85, 0.15)},
             1)};
    TQRBand& footer = r.AddBand(TQRBandKind::PageFooter);
    TQRCell date = cell(QString(), 0, 0.5);
    date.Source = TQRSource::Date;
    TQRCell page = cell(QStringLiteral("Page: "), 0.5, 0.5);
    page.Source = TQRSource::PageNumber;
    page.Align = Qt::AlignRight;
    footer.Lines = {rule(0.3), line({date, page})};
    return r;
}

THealthDlg::THealthDlg(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("THealthDlg"));
    setWindowTitle(QStringLiteral("Password Health"));
    setSizeGripEnabled(true);
    HelpContext = HelpHealth;

    lblCounts = new QLabel(this);
    lblCounts->setObjectName(QStringLiteral("lblCounts"));
    lblCounts->setTextFormat(Qt::PlainText);
    QFont bold = lblCounts->font();
    bold.setBold(true);
    lblCounts->setFont(bold);
    lblBreaches = new QLabel(this);
    lblBreaches->setObjectName(QStringLiteral("lblBreaches"));
    lblBreaches->setTextFormat(Qt::PlainText);
    lblBreaches->setWordWrap(true);

    lvHealth = new QTreeWidget(this);
    lvHealth->setObjectName(QStringLiteral("lvHealth"));
    lvHealth->setHeaderLabels({QStringLiteral("Account"), QStringLiteral("Problems"), QStringLiteral("Last changed")});
    lvHealth->setRootIsDecorated(false);
    lvHealth->setUniformRowHeights(true);
    lvHealth->setAlternatingRowColors(true);
    lvHealth->setSelectionMode(QAbstractItemView::SingleSelection);
    lvHealth->setAccessibleName(QStringLiteral("Accounts that need attention"));
    lvHealth->header()->setStretchLastSection(false);
    lvHealth->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    lvHealth->setColumnWidth(0, 180);
    lvHealth->setColumnWidth(2, 100);
    auto* listLabel =
        MakeLabel(this, "lblHealth", QStringLiteral("&Accounts that need attention, worst first:"), lvHealth);

    cmdOpen = MakeDialogButton(this, "cmdOpen", QStringLiteral("&Open"));
    cmdOpen->setToolTip(QStringLiteral("Edit the selected account (Enter)"));
    cmdBreaches = MakeDialogButton(this, "cmdBreaches", QStringLiteral("Check against a &breach list..."));
    cmdPrint = MakeDialogButton(this, "cmdPrint", QStringLiteral("&Print..."));
    cmdClose = MakeDialogButton(this, "cmdClose", QStringLiteral("&Close"));
    cmdHelp = MakeDialogButton(this, "cmdHelp", QStringLiteral("&Help"));
    // Enter in the list opens the selected account.
    cmdOpen->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdOpen);
    buttons->addWidget(cmdBreaches);
    buttons->addWidget(cmdPrint);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    buttons->addWidget(cmdHelp);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->addWidget(lblCounts);
    main->addWidget(lblBreaches);
    main->addWidget(MakeSeparator(this));
    main->addWidget(listLabel);
    main->addWidget(lvHealth, 1);
    main->addLayout(buttons);
    resize(720, 420);

    auto guarded = [](auto fn) { return [fn] { QsGuard(fn); }; };
    connect(cmdOpen, &QPushButton::clicked, this, guarded([this] { cmdOpenClick(); }));
    connect(lvHealth, &QTreeWidget::itemDoubleClicked, this, guarded([this] { cmdOpenClick(); }));
    connect(cmdBreaches, &QPushButton::clicked, this, guarded([this] { cmdBreachesClick(); }));
    connect(cmdPrint, &QPushButton::clicked, this, guarded([this] { cmdPrintClick(); }));
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdHelp, &QPushButton::clicked, this, guarded([this] { ShowHelp(HelpContext); }));
    connect(lvHealth, &QTreeWidget::currentItemChanged, this,
            [this] { cmdOpen->setEnabled(lvHealth->currentItem() != nullptr); });
    PreviewKeys();
}

bool THealthDlg::Analyze() {
    const QList<TKYVNAccount*> accounts = Accounts ? Accounts() : QList<TKYVNAccount*>();
    THealthOptions options;
    options.MaxAgeDays = MaxAgeDays;
    options.Breaches = Breaches.IsOpen() ? &Breaches : nullptr;
    std::unique_ptr<QProgressDialog> progress;
    if (accounts.size() >= ProgressFrom) {
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Checking %1 passwords...").arg(accounts.size()),
                                                     QStringLiteral("Cancel"), 0, int(accounts.size()),
                                                     isVisible() ? this : parentWidget());
        progress->setObjectName(QStringLiteral("HealthProgress"));
        progress->setWindowTitle(QStringLiteral("Password Health"));
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(ProgressDelayMs);
    }
    const TKYVNAccount* selected = SelectedAccount();
    THealthReport report = AnalyzeHealth(accounts, options, [&progress](int done, int) {
        if (!progress)
            return true;
        progress->setValue(done);
        return !progress->wasCanceled();
    });
    if (progress && progress->wasCanceled())
        return false;
    Report = std::move(report);
    fillList();
    SelectAccount(selected);
    return true;
}

void THealthDlg::fillList() {
    lblCounts->setText(HealthCountsText(Report));
    lblBreaches->setText(
        Breaches.IsOpen() ? QStringLiteral("Breach list: %1").arg(QDir::toNativeSeparators(Breaches.Path()))
                          : QStringLiteral("Not checked against a breach list: nothing is sent anywhere; see Help."));
    lvHealth->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(Report.Entries.size());
    const THealthGroups groups(Report);
    for (const THealthEntry& e : Report.Entries) {
        auto* item = new QTreeWidgetItem({e.Account->AccountName, groups.ProblemsText(e), lastChanged(*e.Account)});
        item->setData(0, AccountRole, QVariant::fromValue(static_cast<void*>(e.Account)));
        item->setToolTip(1, item->text(1));
        items << item;
    }
    if (items.isEmpty()) {
        auto* none = new QTreeWidgetItem({QStringLiteral("No account needs attention.")});
        none->setFlags(Qt::ItemIsEnabled);
        items << none;
    }
    lvHealth->addTopLevelItems(items);
    if (!Report.Entries.isEmpty())
        lvHealth->setCurrentItem(lvHealth->topLevelItem(0));
    cmdOpen->setEnabled(!Report.Entries.isEmpty());
    cmdPrint->setEnabled(Report.Accounts > 0);
}

TKYVNAccount* THealthDlg::SelectedAccount() const {
    const QTreeWidgetItem* item = lvHealth->currentItem();
    return item ? static_cast<TKYVNAccount*>(item->data(0, AccountRole).value<void*>()) : nullptr;
}

void THealthDlg::SelectAccount(const TKYVNAccount* account) {
    for (int i = 0; account && i < lvHealth->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lvHealth->topLevelItem(i);
        if (item->data(0, AccountRole).value<void*>() == account) {
            lvHealth->setCurrentItem(item);
            lvHealth->scrollToItem(item);
            return;
        }
    }
}

void THealthDlg::cmdOpenClick() {
    TKYVNAccount* account = SelectedAccount();
    if (!account || !EditAccount)
        return;
    const int row = lvHealth->indexOfTopLevelItem(lvHealth->currentItem());
    if (!EditAccount(account))
        return;
    Analyze();
    // A fixed account leaves the list: the one now in its place is selected.
    if (SelectedAccount() != account && lvHealth->topLevelItemCount() > 0)
        lvHealth->setCurrentItem(lvHealth->topLevelItem(std::min(row, lvHealth->topLevelItemCount() - 1)));
    lvHealth->setFocus();
}

void THealthDlg::cmdBreachesClick() {
    const QString path = askBreachList(this);
    if (path.isEmpty())
        return;
    // A list that cannot be searched is reported, and the window no longer shows the previous one's findings.
    try {
        Breaches.Open(path);
    } catch (...) {
        Analyze();
        throw;
    }
    Analyze();
}

void THealthDlg::cmdPrintClick() {
    QPrinter* printer = QrCurrentPrinter();
    if (!printer)
        throw EQsException(QStringLiteral("There is no printer to print on."), QString(), 1);
    const TQRReport layout = HealthPrintLayout(Report, FileName);
    THealthPrintData data(Report);
    printer->setPageLayout(layout.PageLayout());
    QrPreview([&layout](QPageLayout::Orientation) -> const TQRReport& { return layout; }, data, *printer, this);
}

void ShowPasswordHealth(const std::function<QList<TKYVNAccount*>()>& accounts, const QString& fileName, int maxAgeDays,
                        const std::function<bool(TKYVNAccount*)>& editAccount) {
    THealthDlg dlg(QApplication::activeWindow());
    dlg.Accounts = accounts;
    dlg.FileName = fileName;
    dlg.MaxAgeDays = maxAgeDays;
    dlg.EditAccount = editAccount;
    if (!dlg.Analyze())
        return;
    QsAnswers::Record(QStringLiteral("THealthDlg"), dlg.lblCounts->text());
    if (auto answer = QsAnswers::Take(QStringLiteral("THealthDlg"), &dlg); answer && answer->isValid())
        return;
    dlg.exec();
}
