#include "frmPassword.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"
#include "QsHelpUtils.h"
#include "QsSecrets.h"
#include "StrengthGauge.h"
#include "clsAccount.h"
#include "clsFile.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QValidator>

TPassEdit* PassEdit = nullptr;

namespace {

const char* const Remember = "Remember this password in the future as you will be asked to provided it everytime "
                             "you try to access this file.";

struct TModeTexts {
    const char* PasswordLabel;
    const char* Description;
};
const TModeTexts ModeTexts[] = {
    {"&Password:", "Please enter a password to access this file and type it again to verify it."},
    {"&Password:", ""},
    {"&New:", "Enter the current password for this file. Then type a new password and verify it."},
};

bool isReserved(QChar c) {
    return c == QLatin1Char('\'') || c == QLatin1Char('#');
}

// Keeps the reserved characters out of text that arrives without a key press (paste, drop), for a
// password of the older form.
class TReservedFilter : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override {
        if (PassEdit && PassEdit->ProtectedFile)
            return Acceptable;
        int before = 0;
        for (int i = 0; i < pos && i < input.size(); ++i)
            before += isReserved(input.at(i)) ? 1 : 0;
        input = StripReserved(input);
        pos -= before;
        return Acceptable;
    }
};

[[noreturn]] void refuse(const char* message) {
    throw EQsException(QString::fromUtf8(message), QString(), 1);
}

// The desktop's password picture, or a plain padlock where the icon theme has none.
QPixmap passwordPicture() {
    const QIcon themed = QIcon::fromTheme(QStringLiteral("dialog-password"));
    if (!themed.isNull())
        return themed.pixmap(32, 32);
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(90, 90, 90), 3));
    p.drawArc(QRectF(9, 3, 14, 16), 0, 180 * 16);
    p.drawLine(QPointF(9, 11), QPointF(9, 15));
    p.drawLine(QPointF(23, 11), QPointF(23, 15));
    p.setPen(QPen(QColor(120, 90, 20), 1));
    p.setBrush(QColor(230, 180, 40));
    p.drawRoundedRect(QRectF(5, 14, 22, 16), 3, 3);
    p.setBrush(QColor(80, 60, 10));
    p.drawEllipse(QRectF(14, 19, 4, 4));
    p.drawRect(QRectF(15, 22, 2, 5));
    return pix;
}

QString baseName(const QString& fileName) {
    return QFileInfo(fileName).fileName();
}

bool run(TPassEdit& dlg) {
    struct Current {
        explicit Current(TPassEdit* d) { PassEdit = d; }
        ~Current() { PassEdit = nullptr; }
    } current(&dlg);

    QsAnswers::Record(QStringLiteral("TPassEdit"), dlg.windowTitle());
    const auto answer = QsAnswers::Take(QStringLiteral("TPassEdit"), &dlg);
    if (!answer || !answer->isValid()) {
        dlg.exec();
        return dlg.Accepted;
    }
    const bool typed = answer->typeId() == QMetaType::QString || answer->typeId() == QMetaType::QStringList;
    if (typed) {
        const QStringList texts = answer->toStringList();
        int next = 0;
        dlg.ConfirmWeak = false;
        for (QLineEdit* edit : {dlg.txtOld, dlg.txtPassword, dlg.txtVerify}) {
            if (edit->isHidden())
                continue;
            edit->setText(answer->typeId() == QMetaType::QString ? answer->toString() : texts.value(next++));
        }
        dlg.cmdOK->click();
    }
    return dlg.Accepted;
}

} // namespace

TPassEdit::~TPassEdit() {
    for (QLineEdit* edit : {txtOld, txtPassword, txtVerify}) {
        if (!edit)
            continue;
        // Once the edit lets go of it, the typed text's buffer is held here alone, unless the caller
        // kept the password (then it is theirs), and is overwritten.
        QString typed = edit->text();
        edit->clear();
        QsWipe(typed);
    }
}

TPassEdit::TPassEdit(QWidget* parent)
    : TQsKeyUpDialog(parent,
                     Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("TPassEdit"));
    setFont(QsDialogFont(QString()));

    imgPassword = new QLabel(this);
    imgPassword->setObjectName(QStringLiteral("imgPassword"));
    imgPassword->setPixmap(passwordPicture());
    imgPassword->setAccessibleName(QStringLiteral("Password"));
    imgPassword->setFixedSize(32, 32);

    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(8);
    rows->setVerticalSpacing(6);
    const std::array<std::pair<QLabel**, QLineEdit**>, 3> pairs{
        {{&lblOld, &txtOld}, {&lblPassword, &txtPassword}, {&lblVerify, &txtVerify}}};
    const char* const names[3][2] = {{"lblOld", "txtOld"}, {"lblPassword", "txtPassword"}, {"lblVerify", "txtVerify"}};
    const char* const labels[3] = {"&Password:", "&Password:", "&Verify:"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromUtf8(labels[i]), this);
        label->setObjectName(QLatin1String(names[i][0]));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(names[i][1]));
        edit->setMaxLength(MaxPasswordLength);
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }")); // "*"
        edit->setValidator(new TReservedFilter(edit));
        edit->setMinimumWidth(190);
        edit->installEventFilter(this);
        label->setBuddy(edit);
        rows->addWidget(label, i, 0);
        rows->addWidget(edit, i, 1);
        *pairs[size_t(i)].first = label;
        *pairs[size_t(i)].second = edit;
        connect(edit, &QLineEdit::textChanged, this, [this] { QsGuard([this] { txtChange(); }); });
    }

    gaugePassword = new TStrengthGauge(this);
    rows->addWidget(gaugePassword, 3, 1);
    connect(txtPassword, &QLineEdit::textChanged, this, [this] {
        QsGuard([this] {
            if (Mode != ModeCheck)
                gaugePassword->Measure(txtPassword->text(), StrengthWords);
        });
    });

    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setEnabled(false);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {cmdOK, cmdCancel})
        b->setFixedSize(std::max(80, b->sizeHint().width()), 25);
    connect(cmdOK, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdOKClick(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { QsGuard([this] { reject(); }); });
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);

    bLine01 = new QFrame(this);
    bLine01->setObjectName(QStringLiteral("bLine01"));
    bLine01->setFrameShape(QFrame::HLine);
    bLine01->setFrameShadow(QFrame::Sunken);

    imgInfo = new QLabel(this);
    imgInfo->setObjectName(QStringLiteral("imgInfo"));
    imgInfo->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    imgInfo->setFixedSize(32, 32);
    imgInfo->setAccessibleName(QStringLiteral("Information"));
    lblDescription = new QLabel(this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setWordWrap(true);
    lblDescription->setTextFormat(Qt::PlainText);
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* top = new QHBoxLayout;
    top->setSpacing(12);
    top->addWidget(imgPassword, 0, Qt::AlignTop);
    top->addLayout(rows, 1);
    top->addSpacing(4);
    top->addLayout(buttons);
    auto* description = new QHBoxLayout;
    description->setSpacing(12);
    description->addWidget(imgInfo, 0, Qt::AlignTop);
    description->addWidget(lblDescription, 1);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(12, 12, 12, 12);
    main->setSpacing(10);
    main->addLayout(top);
    main->addWidget(bLine01);
    main->addLayout(description);
    main->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(txtOld, txtPassword);
    setTabOrder(txtPassword, txtVerify);
    setTabOrder(txtVerify, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    SetMode(ModeNew);
}

void TPassEdit::SetProtectedFile(bool on) {
    ProtectedFile = on;
    const int longest = TKYVNFile::MaxPasswordLength(on ? TKYVNFileForm::Protected : TKYVNFileForm::Designed);
    for (QLineEdit* edit : {txtOld, txtPassword, txtVerify})
        edit->setMaxLength(longest);
    // the current password of an older file may be checked against a longer text without harm
    txtOld->setMaxLength(TKYVNFile::MaxPasswordLength(TKYVNFileForm::Protected));
}

void TPassEdit::SetMode(int mode) {
    Mode = mode;
    const bool change = mode == ModeChange;
    const bool check = mode == ModeCheck;
    lblOld->setVisible(change);
    txtOld->setVisible(change);
    lblVerify->setVisible(!check);
    txtVerify->setVisible(!check);
    gaugePassword->setVisible(!check);
    for (QWidget* w : std::initializer_list<QWidget*>{bLine01, imgInfo, lblDescription})
        w->setVisible(!check);
    lblPassword->setText(QString::fromUtf8(ModeTexts[mode].PasswordLabel));
    lblDescription->setText(check ? QString()
                                  : QString::fromUtf8(ModeTexts[mode].Description) + QLatin1Char('\n') +
                                        QString::fromUtf8(Remember));
    // The description wraps within the width of the rows above it.
    lblDescription->setFixedWidth(check ? 0 : 360);
    lblDescription->setMinimumHeight(lblDescription->heightForWidth(360));
    gaugePassword->Measure(check ? QString() : txtPassword->text(), StrengthWords);
    (change ? txtOld : txtPassword)->setFocus();
    txtChange();
}

void TPassEdit::txtChange() {
    const bool password = !txtPassword->text().isEmpty();
    switch (Mode) {
    case ModeNew:
        cmdOK->setEnabled(password && !txtVerify->text().isEmpty());
        break;
    case ModeCheck:
        cmdOK->setEnabled(password);
        break;
    default:
        cmdOK->setEnabled(password && !txtVerify->text().isEmpty() && !txtOld->text().isEmpty());
        break;
    }
}

bool TPassEdit::checkNewPassword() const {
    try {
        TKYVNFile::CheckNewPassword(txtPassword->text(),
                                    ProtectedFile ? TKYVNFileForm::Protected : TKYVNFileForm::Designed);
    } catch (const EQsException& e) {
        throw EQsException(e.Message, QString(), 1);
    }
    if (!KyvnSameText(txtPassword->text(), txtVerify->text()))
        refuse("The passwords you entered do not match.");
    if (!ConfirmWeak || !PasswordStrength(txtPassword->text(), StrengthWords).IsWeak())
        return true;
    return QsAppMessage(QStringLiteral("This file password is weak: anyone who gets a copy of the file may guess it. "
                                       "Use it anyway?"),
                        3, 1, 2) == QsAnswerYes;
}

void TPassEdit::cmdOKClick() {
    switch (Mode) {
    case ModeNew:
        if (!checkNewPassword())
            return;
        break;
    case ModeCheck: {
        bool right;
        {
            // Opening a protected file derives its key: about half a second.
            QApplication::setOverrideCursor(Qt::WaitCursor);
            struct TRestore {
                ~TRestore() { QApplication::restoreOverrideCursor(); }
            } restore;
            right = Check && Check(txtPassword->text());
        }
        if (!right) {
            if (++Attempts < MaxAttempts)
                throw EQsException(WrongText, QString(), 1);
            QsAppMessage(WrongText + QStringLiteral(" File access denied."), 1, 0, 1);
            reject();
            return;
        }
        break;
    }
    default:
        // Any number of tries: the user already holds the open file.
        if (!Check || !Check(txtOld->text()))
            refuse("Wrong password.");
        if (!checkNewPassword())
            return;
        break;
    }
    Accepted = true;
    accept();
}

bool TPassEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!ProtectedFile && std::any_of(text.begin(), text.end(), isReserved))
            return true; // the apostrophe and the number sign are reserved by the older file format
    }
    if (event->type() == QEvent::KeyRelease && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
        // This dialog has no help topic of its own: F1 opens the contents.
        QsGuard([this] { DialogKeyUp(Qt::Key_F1, this, AppInfo, 0); });
        return true;
    }
    return TQsKeyUpDialog::eventFilter(watched, event);
}

bool NewFilePassword(const QString& FileName, QString& NewPassword, bool protectedFile) {
    TPassEdit dlg;
    dlg.SetProtectedFile(protectedFile);
    dlg.SetMode(TPassEdit::ModeNew);
    dlg.StrengthWords = {QFileInfo(FileName).completeBaseName()};
    dlg.setWindowTitle(QStringLiteral("Set '%1' Password...").arg(baseName(FileName)));
    if (!run(dlg))
        return false;
    NewPassword = dlg.txtPassword->text();
    return true;
}

bool ChangeFilePassword(const TPasswordCheck& check, const QString& FileName, QString& NewPassword,
                        bool protectedFile) {
    TPassEdit dlg;
    dlg.SetProtectedFile(protectedFile);
    dlg.SetMode(TPassEdit::ModeChange);
    dlg.StrengthWords = {QFileInfo(FileName).completeBaseName()};
    dlg.setWindowTitle(QStringLiteral("Set '%1' Password...").arg(baseName(FileName)));
    dlg.Check = check;
    if (!run(dlg))
        return false;
    NewPassword = dlg.txtPassword->text();
    return true;
}

bool AskFilePassword(const TPasswordCheck& check, const QString& FileName, bool protectedFile) {
    TPassEdit dlg;
    dlg.SetProtectedFile(protectedFile);
    dlg.SetMode(TPassEdit::ModeCheck);
    dlg.setWindowTitle(QsApplicationTitle() + QStringLiteral(": ") +
                       QStringLiteral("'%1' Password...").arg(baseName(FileName)));
    dlg.Check = check;
    return run(dlg);
}

bool OpenFilePassword(const TPasswordCheck& open, const QString& FileName) {
    TPassEdit dlg;
    dlg.SetProtectedFile(true);
    dlg.SetMode(TPassEdit::ModeCheck);
    dlg.setWindowTitle(QsApplicationTitle() + QStringLiteral(": ") +
                       QStringLiteral("'%1' Password...").arg(baseName(FileName)));
    dlg.Check = open;
    dlg.WrongText = EKYVNWrongPassword().Message;
    return run(dlg);
}

bool AskUnprotectPassword(const TPasswordCheck& check, bool protectedFile) {
    TPassEdit dlg;
    dlg.SetProtectedFile(protectedFile);
    dlg.SetMode(TPassEdit::ModeCheck);
    dlg.setWindowTitle(QStringLiteral("Unprotect Account..."));
    dlg.Check = check;
    return run(dlg);
}

namespace {
TPasswordCheck olderCheck(const QString& stored) {
    return [stored](const QString& typed) { return KyvnSameText(typed, stored); };
}
} // namespace

bool ChangeFilePassword(const QString& CurrentPassword, const QString& FileName, QString& NewPassword) {
    return ChangeFilePassword(olderCheck(CurrentPassword), FileName, NewPassword, false);
}

bool AskFilePassword(const QString& Password, const QString& FileName) {
    return AskFilePassword(olderCheck(Password), FileName, false);
}

bool AskUnprotectPassword(const QString& Password) {
    return AskUnprotectPassword(olderCheck(Password), false);
}
