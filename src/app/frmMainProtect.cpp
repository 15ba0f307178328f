// Protection of the open file: the status bar's mark, File > Protect File..., and the question asked
// once when a file of the older, unprotected form is opened for writing.
#include "frmMain.h"

#include "QsApp.h"
#include "QsRegUtils.h"
#include "clsFile.h"
#include "frmMainStartup.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

namespace {

// Where a No to the question is kept, per path.
QString declinedKey() {
    return (AppInfo ? AppInfo->ProductKey : QStringLiteral("Software\\Tessivo\\Keyvane")) +
           QStringLiteral("\\Storage\\KeepUnprotected");
}

TQsRegRoot registryRoot() {
    return AppInfo ? AppInfo->RegistryRoot : TQsRegRoot::CurrentUser;
}

} // namespace

bool MainWhenUnprotected(const TKYVNMain& w, QAction*) {
    return w.FileOpen && !w.ReadOnly && CurrentFile && !CurrentFile->IsProtected();
}

void TKYVNMain::CreateProtectionBar() {
    sbProtection = new QLabel(QStringLiteral("Not protected"), this);
    sbProtection->setObjectName(QStringLiteral("sbProtection"));
    sbProtection->setFrameShape(QFrame::StyledPanel);
    sbProtection->setToolTip(QStringLiteral("Anyone who gets a copy of this file can read every password in it. "
                                            "File > Protect File... protects it by its password."));
    sbProtection->hide();
    statusBar()->addPermanentWidget(sbProtection);

    // The question is asked in the window, not in a box: the file is open and usable meanwhile.
    tbProtect = new QToolBar(QStringLiteral("Protection"), this);
    tbProtect->setObjectName(QStringLiteral("tbProtect"));
    tbProtect->setMovable(false);
    tbProtect->setFloatable(false);
    auto* bar = new QWidget(tbProtect);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(8);
    auto* icon = new QLabel(bar);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(24, 24));
    lblProtectQuestion = new QLabel(bar);
    lblProtectQuestion->setObjectName(QStringLiteral("lblProtectQuestion"));
    lblProtectQuestion->setWordWrap(true);
    lblProtectQuestion->setTextFormat(Qt::PlainText);
    cmdProtectNow = new QPushButton(QStringLiteral("&Protect Now"), bar);
    cmdProtectNow->setObjectName(QStringLiteral("cmdProtectNow"));
    cmdProtectNo = new QPushButton(QStringLiteral("N&o"), bar);
    cmdProtectNo->setObjectName(QStringLiteral("cmdProtectNo"));
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addWidget(lblProtectQuestion, 1);
    row->addWidget(cmdProtectNow, 0, Qt::AlignVCenter);
    row->addWidget(cmdProtectNo, 0, Qt::AlignVCenter);
    tbProtect->addWidget(bar);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, tbProtect);
    tbProtect->hide();
    connect(cmdProtectNow, &QPushButton::clicked, this, [this] { QsGuard([this] { ProtectNowClick(); }); });
    connect(cmdProtectNo, &QPushButton::clicked, this, [this] { QsGuard([this] { ProtectNoClick(); }); });
}

void TKYVNMain::UpdateProtectionMark() {
    const bool unprotected = FileOpen && CurrentFile && !CurrentFile->IsProtected();
    if (sbProtection && sbProtection->isVisibleTo(this) != unprotected)
        sbProtection->setVisible(unprotected);
    if (tbProtect && tbProtect->isVisibleTo(this) && !MainWhenUnprotected(*this, nullptr))
        tbProtect->hide();
}

void TKYVNMain::OfferProtection() {
    if (!tbProtect || !MainWhenUnprotected(*this, nullptr) || CurrentFile->Damaged())
        return;
    if (ReadRegBool(registryRoot(), declinedKey(), OpenFilePath, false))
        return;
    lblProtectQuestion->setText(QStringLiteral("'%1' is not protected by its password: anyone who gets a copy of it "
                                               "can read every password in it. Protect it now? Keyvane 1.3 and older "
                                               "cannot open a protected file.")
                                    .arg(QFileInfo(OpenFilePath).fileName()));
    tbProtect->show();
}

void TKYVNMain::ProtectNowClick() {
    tbProtect->hide();
    // The password was given a moment ago, when the file was opened.
    ProtectCurrentFile();
}

void TKYVNMain::ProtectNoClick() {
    tbProtect->hide();
    WriteRegBool(registryRoot(), declinedKey(), OpenFilePath, true);
}

void TKYVNMain::ProtectCurrentFile() {
    CurrentFile->SetForm(TKYVNFileForm::Protected);
    try {
        WriteBack();
    } catch (...) {
        // Nothing was replaced: the file stays as it was, and so does the window's view of it.
        CurrentFile->SetForm(TKYVNFileForm::Designed);
        throw;
    }
    UpdateProtectionMark();
}

void TKYVNMain::actFileProtectExecute() {
    if (!MainAskFilePassword(this, *CurrentFile))
        return;
    tbProtect->hide();
    ProtectCurrentFile();
}
