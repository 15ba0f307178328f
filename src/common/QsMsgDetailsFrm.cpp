#include "QsMsgDetailsFrm.h"

#include "QsAnswers.h"
#include "QsExceptions.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <array>
#include <stdexcept>

namespace {

constexpr int WindowWidth = 440;
constexpr int Margin = 10;
constexpr int ButtonHeight = 25;
constexpr int MinButtonWidth = 90;

// By language (0 Portuguese, 1 English): OK, show details, hide details.
const std::array<std::array<const char*, 3>, 2> Captions{{
    {"&OK", "&Detalhes >>", "&Detalhes <<"},
    {"&OK", "&Details >>", "&Details <<"},
}};

// Tag of cmdDetails: 0 pane hidden, 1 shown.
const char* const PaneTag = "tag";

QLabel* makePicture(QWidget* parent, QStyle::StandardPixmap which, const char* name, const QString& description) {
    auto* img = new QLabel(parent);
    img->setObjectName(QLatin1String(name));
    img->setPixmap(parent->style()->standardIcon(which).pixmap(32, 32));
    img->setGeometry(Margin + 2, Margin + 2, 32, 32);
    img->setAccessibleName(description);
    img->hide();
    return img;
}

// Qt breaks lines at LF alone; the CR of a CR LF pair would otherwise show as a stray glyph.
QString forDisplay(const QString& text) {
    return ConvertLineBreaks(text).remove(QLatin1Char('\r'));
}

} // namespace

TQsMessageDetails::TQsMessageDetails(QWidget* parent)
    : TQsKeyUpDialog(parent,
                     Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("TQsMessageDetails"));
    setFont(QsDialogFont(QString()));
    imgCritical = makePicture(this, QStyle::SP_MessageBoxCritical, "imgCritical", QStringLiteral("Error"));
    imgWarning = makePicture(this, QStyle::SP_MessageBoxWarning, "imgWarning", QStringLiteral("Warning"));
    imgInformation =
        makePicture(this, QStyle::SP_MessageBoxInformation, "imgInformation", QStringLiteral("Information"));

    scrErrorMsg = new QScrollArea(this);
    scrErrorMsg->setObjectName(QStringLiteral("scrErrorMsg"));
    scrErrorMsg->setFrameShape(QFrame::NoFrame);
    scrErrorMsg->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrErrorMsg->setBackgroundRole(QPalette::Window);
    scrErrorMsg->setWidgetResizable(false); // sized by fitMessage, from the label's height for its width
    lblErrorMsg = new QLabel;
    lblErrorMsg->setObjectName(QStringLiteral("lblErrorMsg"));
    lblErrorMsg->setWordWrap(true);
    lblErrorMsg->setTextFormat(Qt::PlainText);
    lblErrorMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrErrorMsg->setWidget(lblErrorMsg);

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdDetails = new QPushButton(this);
    cmdDetails->setObjectName(QStringLiteral("cmdDetails"));
    cmdDetails->setProperty(PaneTag, 0);

    txtErrorDetails = new QPlainTextEdit(this);
    txtErrorDetails->setObjectName(QStringLiteral("txtErrorDetails"));
    txtErrorDetails->setAccessibleName(QStringLiteral("Details"));
    txtErrorDetails->setReadOnly(true);
    txtErrorDetails->setTabChangesFocus(true);

    setTabOrder(cmdOK, cmdDetails);
    setTabOrder(cmdDetails, scrErrorMsg);
    setTabOrder(scrErrorMsg, txtErrorDetails);
    connect(cmdOK, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdOKClick(); }); });
    connect(cmdDetails, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdDetailsClick(); }); });
}

void TQsMessageDetails::placeControls() {
    int width = MinButtonWidth;
    for (const QString& caption : {CaptionOK, CaptionShowDetails, CaptionHideDetails}) {
        cmdDetails->setText(caption);
        width = std::max(width, cmdDetails->sizeHint().width());
    }
    const int buttonsLeft = WindowWidth - Margin - width;
    cmdOK->setGeometry(buttonsLeft, Margin + 2, width, ButtonHeight);
    cmdDetails->setGeometry(buttonsLeft, Margin + 2 + ButtonHeight + 6, width, ButtonHeight);
    const int textLeft = Margin + 2 + 32 + 12;
    fitMessage(textLeft, buttonsLeft - 12 - textLeft);
    txtErrorDetails->setGeometry(Margin, FoldedHeightNow(), WindowWidth - 2 * Margin,
                                 UnfoldedHeight - FoldedHeight - Margin);
}

// The message wraps at the width beside the buttons and the box grows to show all of it; only a message
// taller than the largest box that fits the screen scrolls, so that no line is ever cut off.
void TQsMessageDetails::fitMessage(int left, int width) {
    const int room = FoldedHeight - 2 * Margin - 2;
    int most = MaxMessageHeight;
    if (QScreen* screen = QGuiApplication::primaryScreen()) // the unfolded box and its title bar stay on it
        most = std::min(most, screen->availableGeometry().height() - UnfoldedHeight + room - 2 * Margin - 40);
    most = std::max(most, room);

    int labelWidth = width;
    int needed = lblErrorMsg->heightForWidth(labelWidth);
    const int shown = std::clamp(needed, room, most);
    const bool scrolls = needed > shown;
    if (scrolls) {
        labelWidth -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scrErrorMsg);
        needed = lblErrorMsg->heightForWidth(labelWidth);
    }
    scrErrorMsg->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    scrErrorMsg->setFocusPolicy(scrolls ? Qt::StrongFocus : Qt::NoFocus); // the keys scroll it then
    scrErrorMsg->setGeometry(left, Margin + 2, width, shown);
    lblErrorMsg->resize(labelWidth, std::max(needed, shown));
    scrErrorMsg->verticalScrollBar()->setValue(0);
    growth_ = shown - room;
}

void TQsMessageDetails::Setup(const QString& Text, const QString& Details, const QString& Caption, quint8 MessageType_,
                              quint8 Language, const QString& DialogFont) {
    for (QLabel* img : {imgCritical, imgWarning, imgInformation})
        img->hide();

    setFont(QsDialogFont(DialogFont));

    if (Language > 1)
        throw std::invalid_argument("Invalid language id. in call to QsMessageDetails.");
    CaptionOK = QString::fromUtf8(Captions[Language][0]);
    CaptionShowDetails = QString::fromUtf8(Captions[Language][1]);
    CaptionHideDetails = QString::fromUtf8(Captions[Language][2]);

    setWindowTitle(Caption.isEmpty() ? QsApplicationTitle() : Caption);
    lblErrorMsg->setText(forDisplay(Text));
    txtErrorDetails->setPlainText(forDisplay(Details));

    placeControls(); // after the text: the box's heights follow from the message
    setFixedSize(WindowWidth, FoldedHeightNow());
    txtErrorDetails->hide(); // below the edge while folded; hidden so Tab does not reach it

    const std::array<QLabel*, 3> pictures{imgCritical, imgWarning, imgInformation};
    if (MessageType_ >= pictures.size())
        throw std::invalid_argument("Invalid message type in call to QsMessageDetails.");
    MessageType = MessageType_;
    pictures[MessageType]->show();

    cmdOK->setText(CaptionOK);
    cmdDetails->setText(CaptionShowDetails);
    cmdDetails->setProperty(PaneTag, 0);
    cmdDetails->setVisible(!Details.isEmpty());
    cmdOK->setFocus();
}

bool TQsMessageDetails::DetailsShown() const {
    return cmdDetails->property(PaneTag).toInt() == 1;
}

void TQsMessageDetails::cmdOKClick() {
    accept();
}

void TQsMessageDetails::cmdDetailsClick() {
    const bool show = !DetailsShown();
    cmdDetails->setText(show ? CaptionHideDetails : CaptionShowDetails);
    cmdDetails->setProperty(PaneTag, show ? 1 : 0);
    setFixedSize(WindowWidth, show ? UnfoldedHeightNow() : FoldedHeightNow());
    txtErrorDetails->setVisible(show);
}

void QsMessageDetails(const QString& Text, const QString& Details, const QString& Caption, quint8 MessageType,
                      quint8 Language, const QString& DialogFont) {
    TQsMessageDetails box;
    box.Setup(Text, Details, Caption, MessageType, Language, DialogFont);
    QsAnswers::Record(QStringLiteral("QsMessageDetails"),
                      Details.isEmpty() ? Text : Text + QLatin1Char('\n') + Details);
    if (auto answer = QsAnswers::Take(QStringLiteral("QsMessageDetails"), &box); answer && answer->isValid())
        return;
    QApplication::beep();
    box.exec();
}
