#include "frmRename.h"

#include "AccountRules.h"
#include "QsAnswers.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "clsAccount.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int HelpAccounts = 530;

QLineEdit* makeNameEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaxLength(FieldTypingLimit(kfAccountName));
    edit->setValidator(new TLineFieldValidator(edit));
    edit->setMinimumWidth(260);
    return edit;
}
} // namespace

TAccountRename::TAccountRename(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("TAccountRename"));
    HelpContext = HelpAccounts;

    txtOldName = makeNameEdit(this, "txtOldName");
    txtOldName->setEnabled(false);
    txtNewName = makeNameEdit(this, "txtNewName");
    lblAccountName = new QLabel(QStringLiteral("Current &name:"), this);
    lblAccountName->setObjectName(QStringLiteral("lblAccountName"));
    lblAccountName->setBuddy(txtOldName);
    lblLogin = new QLabel(QStringLiteral("N&ew name:"), this);
    lblLogin->setObjectName(QStringLiteral("lblLogin"));
    lblLogin->setBuddy(txtNewName);

    cmdOK = MakeDialogButton(this, "cmdOK", QStringLiteral("&OK"));
    cmdCancel = MakeDialogButton(this, "cmdCancel", QStringLiteral("&Cancel"));
    cmdHelp = MakeDialogButton(this, "cmdHelp", QStringLiteral("&Help"));
    cmdOK->setDefault(true);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->addWidget(lblAccountName, 0, 0);
    grid->addWidget(txtOldName, 0, 1);
    grid->addWidget(lblLogin, 1, 0);
    grid->addWidget(txtNewName, 1, 1);

    QFrame* line = MakeSeparator(this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(10, 10, 10, 10);
    main->setSpacing(10);
    main->addLayout(grid);
    main->addWidget(line);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtOldName, txtNewName);
    setTabOrder(txtNewName, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, cmdHelp);

    connect(txtOldName, &QLineEdit::textChanged, this, [this] { QsGuard([this] { OKEnable(); }); });
    connect(txtNewName, &QLineEdit::textChanged, this, [this] { QsGuard([this] { OKEnable(); }); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdOKClick(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdCancelClick(); }); });
    connect(cmdHelp, &QPushButton::clicked, this, [this] { QsGuard([this] { ShowHelp(HelpContext); }); });
    OKEnable();
    PreviewKeys();
}

void TAccountRename::Setup(const TKYVNFile* file, const QString& oldName) {
    File = file;
    setWindowTitle(QStringLiteral("Rename Account '%1'...").arg(oldName));
    SetWholeText(txtOldName, oldName);
    txtNewName->clear();
    OKEnable();
    txtNewName->setFocus();
}

QString TAccountRename::NewName() const {
    return txtNewName->text();
}

void TAccountRename::OKEnable() {
    cmdOK->setEnabled(!txtOldName->text().isEmpty() && !txtNewName->text().isEmpty());
}

void TAccountRename::cmdOKClick() {
    // The look-up includes the account itself: a change of letter case alone is refused too.
    if (AccountNameInUse(File, NewName()))
        throw NameInUseError(txtNewName->text());
    Accepted = true;
    accept();
}

void TAccountRename::cmdCancelClick() {
    reject();
}

void TAccountRename::showEvent(QShowEvent* event) {
    TKeyPreviewDialog::showEvent(event);
    txtNewName->setFocus(Qt::OtherFocusReason);
}

bool RenameAccount(const TKYVNFile& file, const QString& oldName, QString& newName) {
    TAccountRename dialog(QApplication::activeWindow());
    dialog.Setup(&file, oldName);
    QsAnswers::Record(QStringLiteral("TAccountRename"), dialog.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("TAccountRename"), &dialog); answer && answer->isValid()) {
        if (answer->toBool() && !dialog.Accepted)
            dialog.cmdOKClick();
    } else {
        dialog.exec();
    }
    if (!dialog.Accepted)
        return false;
    newName = dialog.NewName();
    return true;
}
