#include "QsAboutFrm2.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsShellUtils.h"
#include "QsSplashFrm2.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 425;
constexpr int kHeight = 382;
constexpr int kBand = 56; // width of the coloured band on the left

QColor fromRgbValue(quint32 value) {
    // The record keeps red in the lowest byte.
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}

void fillColor(QWidget* w, const QColor& color) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

QFrame* iconFrame(QWidget* parent, const char* name, int size) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFixedSize(size, size);
    return frame;
}

void setPoints(QLabel* label, int points, bool bold) {
    QFont f = label->font();
    f.setPointSize(points);
    f.setBold(bold);
    label->setFont(f);
}

QLabel* makeLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

QString AboutLicenseText() {
    return QStringLiteral("This program is protected by copyright. Copying it or passing it on, in whole or in part, "
                          "without Tessivo's written permission is against the law and may be prosecuted.");
}

TAboutForm::TAboutForm(QWidget* parent) : TKeyPreviewDialog(parent) {
    setObjectName(QStringLiteral("TAboutForm"));
    setFixedSize(kWidth, kHeight);

    pLeft = new QWidget(this);
    pLeft->setObjectName(QStringLiteral("pLeft"));
    pLeft->setFixedWidth(kBand);
    pIcon01 = iconFrame(pLeft, "pIcon01", 44);
    pIcon02 = iconFrame(pIcon01, "pIcon02", 40);
    pIcon03 = iconFrame(pIcon02, "pIcon03", 36);
    pIcon02->move(2, 2);
    pIcon03->move(2, 2);
    fillColor(pIcon01, Qt::white);
    fillColor(pIcon03, Qt::white);
    imgApplicationIcon = new QLabel(pIcon03);
    imgApplicationIcon->setObjectName(QStringLiteral("imgApplicationIcon"));
    imgApplicationIcon->setGeometry(2, 2, 32, 32);
    imgApplicationIcon->setAccessibleName(QStringLiteral("Keyvane icon"));
    pIcon01->move((kBand - 44) / 2, 12);

    lblApplicationName = makeLabel(this, "lblApplicationName");
    lblSpecialVersion = makeLabel(this, "lblSpecialVersion");
    lblSpecialVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblApplicationVersion = makeLabel(this, "lblApplicationVersion");
    lblApplicationVersion->setText(QStringLiteral("%s %s"));
    lblCopyright = makeLabel(this, "lblCopyright");
    lblCopyright->setWordWrap(true);
    lblOtherCopyrights = makeLabel(this, "lblOtherCopyrights");
    lblOtherCopyrights->setWordWrap(true);
    bLine = MakeSeparator(this);
    bLine->setObjectName(QStringLiteral("bLine"));
    lblLicenseText = makeLabel(this, "lblLicenseText");
    lblLicenseText->setWordWrap(true);

    cmdOK = MakeDialogButton(this, "cmdOK", QStringLiteral("&OK"));
    cmdSysInfo = MakeDialogButton(this, "cmdSysInfo", QStringLiteral("&System Info..."));
    cmdSupport = MakeDialogButton(this, "cmdSupport", QStringLiteral("&Tech. Support..."));
    cmdOK->setDefault(true);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(lblApplicationName, 1);
    nameRow->addWidget(lblSpecialVersion);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addWidget(cmdSupport);

    auto* lower = new QHBoxLayout;
    lower->addWidget(lblLicenseText, 1, Qt::AlignTop);
    lower->addSpacing(8);
    lower->addLayout(buttons);

    auto* content = new QVBoxLayout;
    content->setContentsMargins(14, 14, 14, 14);
    content->setSpacing(6);
    content->addLayout(nameRow);
    content->addWidget(lblApplicationVersion);
    content->addSpacing(10);
    content->addWidget(lblCopyright);
    content->addWidget(lblOtherCopyrights);
    content->addStretch(1);
    content->addWidget(bLine);
    content->addSpacing(4);
    content->addLayout(lower);

    auto* main = new QHBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(pLeft);
    main->addLayout(content, 1);

    connect(cmdOK, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdOKClick(); }); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdSysInfoClick(); }); });
    connect(cmdSupport, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdSupportClick(); }); });
    PreviewKeys();
}

void TAboutForm::Fill(const TQsApplication& app, const QString& fontFace) {
    setWindowTitle(DesignFormat(QStringLiteral("About %s..."), {app.Title}));
    if (!fontFace.isEmpty()) {
        QFont f = font();
        f.setFamily(fontFace);
        setFont(f);
    }
    lblApplicationName->setText(app.Title == app.FamilyName ? app.ShortName : app.Title);
    setPoints(lblApplicationName, 10, true);
    lblApplicationVersion->setText(
        DesignFormat(lblApplicationVersion->text(), {QStringLiteral("Version"), app.Version}));
    lblSpecialVersion->setText(app.SpecialVersion);
    setPoints(lblSpecialVersion, 10, true);
    QPalette pal = lblSpecialVersion->palette();
    pal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    lblSpecialVersion->setPalette(pal);
    lblCopyright->setText(app.LegalNotice);
    lblOtherCopyrights->setText(app.OtherNotices);
    lblLicenseText->setText(AboutLicenseText());
    setPoints(lblLicenseText, 7, false);
    // The theme's icon of the program when installed, else the one the program carries.
    const QIcon icon = QIcon::fromTheme(app.IconName, QIcon(QStringLiteral(":/keyvane/keyvane.svg")));
    imgApplicationIcon->setPixmap(icon.pixmap(32, 32));
    const QColor theme = fromRgbValue(app.ThemeColor);
    fillColor(pLeft, theme);
    fillColor(pIcon02, theme);
}

void TAboutForm::cmdOKClick() {
    accept();
}

void TAboutForm::cmdSysInfoClick() {
    RunSystemInfo();
}

void TAboutForm::cmdSupportClick() {
    ShowHelp(HelpTechSupport);
}

void ShowAbout(const TQsApplication& app, const QString& fontFace) {
    TAboutForm form(QApplication::activeWindow());
    form.Fill(app, fontFace);
    QsAnswers::Record(QStringLiteral("TAboutForm"), form.windowTitle());
    if (auto answer = QsAnswers::Take(QStringLiteral("TAboutForm"), &form); answer && answer->isValid())
        return;
    form.exec();
}
