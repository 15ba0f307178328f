#include "QsMsgDetailsFrm.h"

#include "QsAnswers.h"
#include "QsExceptions.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
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

QLabel* makePicture(QWidget* parent, QStyle::StandardPixmap which, const char* name) {
    auto* img = new QLabel(parent);
    img->setObjectName(QLatin1String(name));
    img->setPixmap(parent->style()->standardIcon(which).pixmap(32, 32));
    img->setGeometry(Margin + 2, Margin + 2, 32, 32);
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
    imgCritical = makePicture(this, QStyle::SP_MessageBoxCritical, "imgCritical");
    imgWarning = makePicture(this, QStyle::SP_MessageBoxWarning, "imgWarning");
    imgInformation = makePicture(this, QStyle::SP_MessageBoxInformation, "imgInformation");

    lblErrorMsg = new QLabel(this);
    lblErrorMsg->setObjectName(QStringLiteral("lblErrorMsg"));
    lblErrorMsg->setWordWrap(true);
    lblErrorMsg->setTextFormat(Qt::PlainText);
    lblErrorMsg->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdDetails = new QPushButton(this);
    cmdDetails->setObjectName(QStringLiteral("cmdDetails"));
    cmdDetails->setProperty(PaneTag, 0);

    txtErrorDetails = new QPlainTextEdit(this);
    txtErrorDetails->setObjectName(QStringLiteral("txtErrorDetails"));
    txtErrorDetails->setReadOnly(true);
    txtErrorDetails->setTabChangesFocus(true);

    setTabOrder(cmdOK, cmdDetails);
    setTabOrder(cmdDetails, txtErrorDetails);
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
    lblErrorMsg->setGeometry(textLeft, Margin + 2, buttonsLeft - 12 - textLeft, FoldedHeight - 2 * Margin - 2);
    txtErrorDetails->setGeometry(Margin, FoldedHeight, WindowWidth - 2 * Margin,
                                 UnfoldedHeight - FoldedHeight - Margin);
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

    placeControls();
    setFixedSize(WindowWidth, FoldedHeight);
    txtErrorDetails->hide(); // below the edge while folded; hidden so Tab does not reach it

    setWindowTitle(Caption.isEmpty() ? QsApplicationTitle() : Caption);
    lblErrorMsg->setText(forDisplay(Text));
    txtErrorDetails->setPlainText(forDisplay(Details));

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
    setFixedSize(WindowWidth, show ? UnfoldedHeight : FoldedHeight);
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
