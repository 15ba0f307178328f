#include "frmFind.h"

#include "QsApp.h"
#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "uOptions.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QVBoxLayout>

QString LastFindText;
bool FindAllFields = false;
TFindDlg* FindDlg = nullptr;

void ResetFindState() {
    LastFindText.clear();
    FindAllFields = false;
}

namespace {
const QString kSection = QStringLiteral("\\Storage\\Find");
const QString kHistoryKey = QStringLiteral("\\Storage\\Find\\cbText_Items");
const QString kAllChecked = QStringLiteral("radAll_Checked");
const QString kListChecked = QStringLiteral("radList_Checked");
const QString kVersion = QStringLiteral("FormVersion");
const QString kCount = QStringLiteral("Count");
constexpr int kFormVersion = 0;

// The order of the sorted list: letter case aside, then exactly, so the order never depends on which
// of two near-equal texts came first.
bool sortsBefore(const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}
} // namespace

TFindDlg::TFindDlg(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("TFindDlg"));
    setWindowTitle(QStringLiteral("Find Text..."));
    setModal(false);

    cbText = new QComboBox(this);
    cbText->setObjectName(QStringLiteral("cbText"));
    cbText->setEditable(true);
    cbText->setInsertPolicy(QComboBox::NoInsert); // the history grows only by a search
    cbText->setMinimumWidth(260);
    cbText->setMaxVisibleItems(12);
    lblText = new QLabel(QStringLiteral("&Text:"), this);
    lblText->setObjectName(QStringLiteral("lblText"));
    lblText->setBuddy(cbText);

    gbOptions = new QGroupBox(QStringLiteral(" Options "), this);
    gbOptions->setObjectName(QStringLiteral("gbOptions"));
    radList = new QRadioButton(QStringLiteral("Search &only list fields"), gbOptions);
    radList->setObjectName(QStringLiteral("radList"));
    radAll = new QRadioButton(QStringLiteral("Search &all account fields"), gbOptions);
    radAll->setObjectName(QStringLiteral("radAll"));
    radList->setChecked(true);
    auto* options = new QVBoxLayout(gbOptions);
    options->addWidget(radList);
    options->addWidget(radAll);

    cmdFind = MakeDialogButton(this, "cmdFind", QStringLiteral("&Find Next"));
    cmdCancel = MakeDialogButton(this, "cmdCancel", QStringLiteral("&Cancel"));
    cmdFind->setDefault(true);
    cmdFind->setEnabled(false);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(lblText);
    textRow->addWidget(cbText, 1);
    auto* left = new QVBoxLayout;
    left->addLayout(textRow);
    left->addWidget(gbOptions);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdFind);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    auto* main = new QHBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->setSpacing(10);
    main->addLayout(left, 1);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(cbText, radList);
    setTabOrder(radList, radAll);
    setTabOrder(radAll, cmdFind);
    setTabOrder(cmdFind, cmdCancel);

    connect(cbText, &QComboBox::editTextChanged, this, [this] { QsGuard([this] { cbTextChange(); }); });
    connect(cmdFind, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdFindClick(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdCancelClick(); }); });
    connect(radList, &QRadioButton::clicked, this, [this] { QsGuard([this] { radListClick(); }); });
    connect(radAll, &QRadioButton::clicked, this, [this] { QsGuard([this] { radAllClick(); }); });

    // FormCreate: the storage follows the preference as it is now, for the life of the dialog.
    storageActive_ = AppInfo && Options && Options->SaveWindow;
    PreviewKeys();
}

TFindDlg::~TFindDlg() {
    WriteStorage();
    if (FindDlg == this)
        FindDlg = nullptr;
}

QStringList TFindDlg::History() const {
    QStringList items;
    for (int i = 0; i < cbText->count(); ++i)
        items << cbText->itemText(i);
    return items;
}

void TFindDlg::AddToHistory(const QString& text) {
    int at = 0;
    for (int i = 0; i < cbText->count(); ++i) {
        const QString item = cbText->itemText(i);
        if (item.compare(text, Qt::CaseInsensitive) == 0)
            return; // the first of the near-equal texts stays
        if (sortsBefore(item, text))
            at = i + 1;
    }
    // Inserting changes the edit's text in some styles; the text being searched stays.
    const QString current = cbText->currentText();
    cbText->insertItem(at, text);
    cbText->setEditText(current);
}

void TFindDlg::cbTextChange() {
    cmdFind->setEnabled(!cbText->currentText().isEmpty());
}

void TFindDlg::cmdFindClick() {
    const QString text = cbText->currentText();
    if (text.isEmpty())
        return;
    AddToHistory(text);
    if (OnSearch && OnSearch(text))
        accept(); // hides: the dialog lives on for the next Find
}

void TFindDlg::cmdCancelClick() {
    reject();
}

void TFindDlg::radListClick() {
    FindAllFields = false;
}

void TFindDlg::radAllClick() {
    FindAllFields = true;
}

void TFindDlg::ReadStorage() {
    if (!storageActive_ || !AppInfo)
        return;
    const auto root = AppInfo->RegistryRoot;
    const QString key = AppInfo->ProductKey + kHistoryKey;
    const int count = ReadRegInteger(root, key, kCount, 0);
    if (count > 0 || RegValueExists(root, key, kCount)) {
        const QString current = cbText->currentText();
        cbText->clear();
        for (int i = 0; i < count; ++i)
            AddToHistory(ReadRegString(root, key, QStringLiteral("Item%1").arg(i), QString()));
        cbText->setEditText(current);
    }
    const QString section = AppInfo->ProductKey + kSection;
    // A radio button that the stored state checks acts as if clicked.
    if (ReadRegBool(root, section, kAllChecked, radAll->isChecked())) {
        radAll->setChecked(true);
        radAllClick();
    }
    if (ReadRegBool(root, section, kListChecked, radList->isChecked())) {
        radList->setChecked(true);
        radListClick();
    }
}

void TFindDlg::WriteStorage() {
    if (!storageActive_ || !AppInfo)
        return;
    const auto root = AppInfo->RegistryRoot;
    const QString key = AppInfo->ProductKey + kHistoryKey;
    const QStringList items = History();
    DeleteRegValues(root, key);
    WriteRegInteger(root, key, kCount, int(items.size()));
    for (int i = 0; i < items.size(); ++i)
        WriteRegString(root, key, QStringLiteral("Item%1").arg(i), items[i]);
    const QString section = AppInfo->ProductKey + kSection;
    WriteRegBool(root, section, kAllChecked, radAll->isChecked());
    WriteRegBool(root, section, kListChecked, radList->isChecked());
    WriteRegInteger(root, section, kVersion, kFormVersion);
}

void TFindDlg::FormShow() {
    (FindAllFields ? radAll : radList)->setChecked(true);
    cbText->setFocus(Qt::OtherFocusReason);
    if (QLineEdit* edit = cbText->lineEdit())
        edit->selectAll();
    cbTextChange();
}

void TFindDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        QsGuard([this] {
            ReadStorage();
            FormShow();
        });
    TKeyPreviewDialog::showEvent(event);
}

void TFindDlg::hideEvent(QHideEvent* event) {
    if (!event->spontaneous())
        QsGuard([this] { WriteStorage(); });
    TKeyPreviewDialog::hideEvent(event);
}
