#include "QsMsgFrm.h"

#include "QsAnswers.h"
#include "QsApp.h"
#include "QsExceptions.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <stdexcept>

namespace {

struct TQsButtonSet {
    int Count;
    quint8 CloseResult;
    std::array<quint8, 5> Results; // by position from the left
};

constexpr std::array<TQsButtonSet, 5> ButtonSets{{
    {1, QsAnswerOK, {QsAnswerOK}},
    {2, QsAnswerNo, {QsAnswerYes, QsAnswerNo}},
    {3, QsAnswerCancel, {QsAnswerYes, QsAnswerNo, QsAnswerCancel}},
    {4, QsAnswerCancel, {QsAnswerYes, QsAnswerNo, QsAnswerCancel, QsAnswerAll}},
    {5, QsAnswerCancel, {QsAnswerYes, QsAnswerYesToAll, QsAnswerNo, QsAnswerNoToAll, QsAnswerCancel}},
}};

// Captions by language (0 Portuguese, 1 English), indexed by result.
const std::array<std::array<const char*, 7>, 2> Captions{{
    {"&OK", "&Sim", "S&im a Todos", "&Não", "Não &a Todos", "&Cancelar", "&Todos"},
    {"&OK", "&Yes", "Y&es to All", "&No", "No &to All", "&Cancel", "&All"},
}};

constexpr int WindowWidth = 420;
constexpr int WindowHeight = 150;
constexpr int Margin = 10;
constexpr int ButtonGap = 6;
constexpr int ButtonHeight = 25;
constexpr int MinButtonWidth = 75;

QLabel* makePicture(QWidget* parent, QStyle::StandardPixmap which, const char* name, const QString& description) {
    auto* img = new QLabel(parent);
    img->setObjectName(QLatin1String(name));
    img->setPixmap(parent->style()->standardIcon(which).pixmap(32, 32));
    img->setFixedSize(32, 32);
    img->setAccessibleName(description);
    img->hide();
    return img;
}

} // namespace

QString QsApplicationTitle() {
    if (AppInfo && !AppInfo->Title.isEmpty())
        return AppInfo->Title;
    return QGuiApplication::applicationDisplayName();
}

QFont QsDialogFont(const QString& DialogFont) {
    QFont font(QStringLiteral("Tahoma"), 8);
    if (!DialogFont.isEmpty() && QFontDatabase::families().contains(DialogFont))
        font.setFamily(DialogFont);
    return font;
}

quint8 QsAppMessage(const QString& Text, quint8 MessageType, quint8 Buttons, qint16 DefaultButton) {
    return QsMessage(Text, QsApplicationTitle(), MessageType, Buttons, DefaultButton,
                     AppInfo && !AppInfo->English ? 0 : 1, AppInfo ? AppInfo->DialogFont : QString());
}

void TQsKeyUpDialog::keyPressEvent(QKeyEvent* event) {
    // Esc acts when released, so a press held over from another window does not close the box.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TQsKeyUpDialog::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !event->isAutoRepeat()) {
        event->accept();
        reject();
        return;
    }
    QDialog::keyReleaseEvent(event);
}

bool TQsKeyUpDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TQsKeyUpDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CenterOnScreen();
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void TQsKeyUpDialog::CenterOnScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TQsMessage::TQsMessage(QWidget* parent)
    : TQsKeyUpDialog(parent,
                     Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("TQsMessage"));
    setFont(QsDialogFont(QString()));

    pLeft = new QWidget(this);
    pLeft->setObjectName(QStringLiteral("pLeft"));
    pLeft->setFixedSize(32, 32);
    imgQuestion = makePicture(pLeft, QStyle::SP_MessageBoxQuestion, "imgQuestion", QStringLiteral("Question"));
    imgWarning = makePicture(pLeft, QStyle::SP_MessageBoxWarning, "imgWarning", QStringLiteral("Warning"));
    imgError = makePicture(pLeft, QStyle::SP_MessageBoxCritical, "imgError", QStringLiteral("Error"));
    imgInformation =
        makePicture(pLeft, QStyle::SP_MessageBoxInformation, "imgInformation", QStringLiteral("Information"));

    pMessage = new QWidget(this);
    pMessage->setObjectName(QStringLiteral("pMessage"));
    bSpacer = new QWidget(pMessage);
    bSpacer->setObjectName(QStringLiteral("bSpacer"));
    bSpacer->setFixedHeight(6);
    lblMessage = new QLabel(pMessage);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setWordWrap(true);
    lblMessage->setTextFormat(Qt::PlainText);
    lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The window never grows: a long text is cut at the bottom of its area.
    lblMessage->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    auto* messageLayout = new QVBoxLayout(pMessage);
    messageLayout->setContentsMargins(0, 0, 0, 0);
    messageLayout->setSpacing(0);
    messageLayout->addWidget(bSpacer);
    messageLayout->addWidget(lblMessage, 1);

    pBottom = new QWidget(this);
    pBottom->setObjectName(QStringLiteral("pBottom"));
    auto* bottomLayout = new QHBoxLayout(pBottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(ButtonGap);
    bottomLayout->addStretch(1);
    for (int i = 0; i < 5; ++i) {
        auto* btn = new QPushButton(pBottom);
        btn->setObjectName(QStringLiteral("cmdBtn%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        btn->setAutoDefault(true);
        btn->hide();
        bottomLayout->addWidget(btn);
        cmdBtn[i] = btn;
        connect(btn, &QPushButton::clicked, this, [this, i] { QsGuard([this, i] { cmdBtnClick(i + 1); }); });
    }
    bottomLayout->addStretch(1);

    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(pLeft, 0, Qt::AlignTop);
    top->addWidget(pMessage, 1);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(Margin + 4, Margin + 4, Margin + 4, Margin);
    main->setSpacing(Margin);
    main->addLayout(top, 1);
    main->addWidget(pBottom);
}

void TQsMessage::Setup(const QString& Text, const QString& Caption, quint8 MessageType, quint8 Buttons,
                       qint16 DefaultButton, quint8 Language, const QString& DialogFont) {
    for (QLabel* img : {imgQuestion, imgWarning, imgError, imgInformation})
        img->hide();
    for (QPushButton* btn : cmdBtn)
        btn->hide();

    setFont(QsDialogFont(DialogFont));

    if (Language > 1)
        throw std::invalid_argument("Invalid language id. in call to QsMessage.");
    const auto& captions = Captions[Language];

    setWindowTitle(Caption.isEmpty() ? QsApplicationTitle() : Caption);
    lblMessage->setText(Text);

    const std::array<QLabel*, 4> pictures{imgError, imgWarning, imgInformation, imgQuestion};
    if (MessageType >= pictures.size())
        throw std::invalid_argument("Invalid message type in call to QsMessage.");
    pictures[MessageType]->show();

    if (Buttons >= ButtonSets.size())
        throw std::invalid_argument("Invalid button definition in call to QsMessage.");
    const TQsButtonSet& set = ButtonSets[Buttons];
    ButtonSet = Buttons;
    CloseResult = set.CloseResult;

    // All buttons share one size: that of the widest caption of the language.
    int width = MinButtonWidth;
    for (const char* caption : captions) {
        cmdBtn[0]->setText(QString::fromUtf8(caption));
        width = std::max(width, cmdBtn[0]->sizeHint().width());
    }
    for (int i = 0; i < 5; ++i) {
        cmdBtn[i]->setFixedSize(width, ButtonHeight);
        if (i < set.Count) {
            cmdBtn[i]->setText(QString::fromUtf8(captions[set.Results[i]]));
            cmdBtn[i]->show();
        }
    }

    DefaultPosition = (DefaultButton < 1 || DefaultButton > set.Count) ? 1 : DefaultButton;
    // Keyboard order is a rotation starting at the default button, so Tab walks rightwards and wraps.
    for (int k = 0; k < 4; ++k)
        setTabOrder(cmdBtn[(DefaultPosition - 1 + k) % 5], cmdBtn[(DefaultPosition + k) % 5]);
    cmdBtn[DefaultPosition - 1]->setDefault(true);
    cmdBtn[DefaultPosition - 1]->setFocus();

    ButtonPressed = 0;
    const int minWidth = 5 * width + 4 * ButtonGap + 2 * Margin;
    setFixedSize(std::max(WindowWidth, minWidth), WindowHeight);
}

quint8 TQsMessage::Result() const {
    if (ButtonSet == 0)
        return QsAnswerOK;
    if (ButtonPressed == 0)
        return CloseResult;
    return ButtonSets[ButtonSet].Results[ButtonPressed - 1];
}

void TQsMessage::cmdBtnClick(int position) {
    ButtonPressed = qint16(position);
    accept();
}

void TQsMessage::showEvent(QShowEvent* event) {
    TQsKeyUpDialog::showEvent(event);
    cmdBtn[DefaultPosition - 1]->setFocus(Qt::TabFocusReason);
}

quint8 QsMessage(const QString& Text, const QString& Caption, quint8 MessageType, quint8 Buttons, qint16 DefaultButton,
                 quint8 Language, const QString& DialogFont) {
    TQsMessage box;
    box.Setup(Text, Caption, MessageType, Buttons, DefaultButton, Language, DialogFont);
    QsAnswers::Record(QStringLiteral("QsMessage"), Text);
    if (auto answer = QsAnswers::Take(QStringLiteral("QsMessage"), &box); answer && answer->isValid())
        return quint8(answer->toUInt());
    box.exec();
    return box.Result();
}

QString ConvertLineBreaks(const QString& text) {
    QString result;
    result.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\n')) {
            result += c;
        } else if (i == text.size() - 1) {
            // a final line feed is dropped
        } else if (i == 0 || text.at(i - 1) != QLatin1Char('\r')) {
            result += QLatin1String("\r\n");
        } else {
            result += c;
        }
    }
    return result;
}
