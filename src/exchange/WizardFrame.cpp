#include "WizardFrame.h"

#include "QsExceptions.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 540;
constexpr int kHeight = 390;
constexpr int kSideWidth = 164;

void whiteBackground(QWidget* w) {
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

// A sheet of paper with lines of text, its top left corner at origin.
void drawSheet(QPainter& p, QPointF origin, qreal w, qreal h) {
    const qreal fold = w * 0.28;
    QPainterPath sheet;
    sheet.moveTo(origin);
    sheet.lineTo(origin + QPointF(w - fold, 0));
    sheet.lineTo(origin + QPointF(w, fold));
    sheet.lineTo(origin + QPointF(w, h));
    sheet.lineTo(origin + QPointF(0, h));
    sheet.closeSubpath();
    p.setPen(QPen(QColor(40, 70, 120), w * 0.05));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setPen(QPen(QColor(150, 170, 200), w * 0.06, Qt::SolidLine, Qt::RoundCap));
    for (int i = 1; i <= 4; ++i) {
        const qreal y = origin.y() + fold + i * (h - fold) / 5.5;
        p.drawLine(QPointF(origin.x() + w * 0.18, y), QPointF(origin.x() + w * 0.82, y));
    }
}

void drawArrow(QPainter& p, QPointF from, QPointF to, qreal width, const QColor& color) {
    const QLineF line(from, to);
    const qreal head = width * 2.2;
    QLineF back(to, from);
    back.setLength(head);
    const QPointF base = back.p2();
    QLineF normal = back.normalVector();
    normal.setLength(head * 0.75);
    const QPointF side = normal.p2() - normal.p1();
    p.setPen(QPen(color, width, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(from, base);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF({to, base + side, base - side}));
}

// The emblem of the wizard in a square of the given side: a sheet leaving for another (export) or two
// sheets coming together into one (merge).
void drawEmblem(QPainter& p, TWizardPicture kind, QRectF box) {
    const qreal s = box.width();
    const QColor arrow(230, 140, 20);
    if (kind == TWizardPicture::Export) {
        drawSheet(p, box.topLeft() + QPointF(s * 0.08, s * 0.1), s * 0.5, s * 0.66);
        drawArrow(p, box.topLeft() + QPointF(s * 0.45, s * 0.62), box.topLeft() + QPointF(s * 0.95, s * 0.62), s * 0.09,
                  arrow);
    } else {
        drawSheet(p, box.topLeft() + QPointF(s * 0.06, s * 0.02), s * 0.32, s * 0.42);
        drawSheet(p, box.topLeft() + QPointF(s * 0.06, s * 0.54), s * 0.32, s * 0.42);
        drawSheet(p, box.topLeft() + QPointF(s * 0.6, s * 0.26), s * 0.36, s * 0.48);
        drawArrow(p, box.topLeft() + QPointF(s * 0.38, s * 0.3), box.topLeft() + QPointF(s * 0.58, s * 0.44), s * 0.06,
                  arrow);
        drawArrow(p, box.topLeft() + QPointF(s * 0.38, s * 0.72), box.topLeft() + QPointF(s * 0.58, s * 0.58), s * 0.06,
                  arrow);
    }
}

} // namespace

QPixmap WizardSidePicture(TWizardPicture kind, QSize size) {
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, QColor(34, 72, 140));
    g.setColorAt(1, QColor(120, 165, 220));
    p.fillRect(pm.rect(), g);
    const qreal side = size.width() * 0.7;
    drawEmblem(p, kind, QRectF((size.width() - side) / 2, size.height() * 0.12, side, side));
    return pm;
}

QPixmap WizardTopPicture(TWizardPicture kind, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    drawEmblem(p, kind, QRectF(0, 0, size, size));
    return pm;
}

TWizardFrame::TWizardFrame(QWidget* parent, const QString& caption, int helpContext, TWizardPicture picture)
    : TKeyPreviewDialog(parent), picture_(picture) {
    setWindowTitle(caption);
    HelpContext = helpContext;

    pTop = new QWidget(this);
    pTop->setObjectName(QStringLiteral("pTop"));
    whiteBackground(pTop);
    pTop->setFixedHeight(60);
    lblStepName = new QLabel(pTop);
    lblStepName->setObjectName(QStringLiteral("lblStepName"));
    QFont bold = lblStepName->font();
    bold.setBold(true);
    lblStepName->setFont(bold);
    lblStepDescription = new QLabel(pTop);
    lblStepDescription->setObjectName(QStringLiteral("lblStepDescription"));
    imgTop = new QLabel(pTop);
    imgTop->setObjectName(QStringLiteral("imgTop"));
    imgTop->setPixmap(WizardTopPicture(picture, 44));
    imgTop->setAccessibleName(caption);
    auto* topTexts = new QVBoxLayout;
    topTexts->setSpacing(3);
    topTexts->addStretch(1);
    topTexts->addWidget(lblStepName);
    auto* indented = new QHBoxLayout;
    indented->addSpacing(16);
    indented->addWidget(lblStepDescription, 1);
    topTexts->addLayout(indented);
    topTexts->addStretch(1);
    auto* top = new QHBoxLayout(pTop);
    top->setContentsMargins(20, 4, 10, 4);
    top->addLayout(topTexts, 1);
    top->addWidget(imgTop, 0, Qt::AlignVCenter);
    bTop = MakeSeparator(this);
    bTop->setObjectName(QStringLiteral("bTop"));

    pPages = new QWidget(this);
    pPages->setObjectName(QStringLiteral("pPages"));
    auto* pages = new QGridLayout(pPages);
    pages->setContentsMargins(0, 0, 0, 0);

    bBottom = MakeSeparator(this);
    bBottom->setObjectName(QStringLiteral("bBottom"));
    pBottom = new QWidget(this);
    pBottom->setObjectName(QStringLiteral("pBottom"));
    cmdBack = MakeDialogButton(pBottom, "cmdBack", QStringLiteral("< &Back"));
    cmdNext = MakeDialogButton(pBottom, "cmdNext", QStringLiteral("&Next >"));
    cmdCancel = MakeDialogButton(pBottom, "cmdCancel", QStringLiteral("&Cancel"));
    cmdNext->setDefault(true);
    cmdBack->setEnabled(false);
    auto* bottom = new QHBoxLayout(pBottom);
    bottom->setContentsMargins(10, 8, 10, 10);
    bottom->setSpacing(0);
    bottom->addStretch(1);
    bottom->addWidget(cmdBack);
    bottom->addWidget(cmdNext);
    bottom->addSpacing(10);
    bottom->addWidget(cmdCancel);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(0, 0, 0, 0);
    main->setSpacing(0);
    main->addWidget(pTop);
    main->addWidget(bTop);
    main->addWidget(pPages, 1);
    main->addWidget(bBottom);
    main->addWidget(pBottom);
    setFixedSize(kWidth, kHeight);

    Clock = [] {
        static QElapsedTimer timer;
        if (!timer.isValid())
            timer.start();
        return timer.elapsed();
    };

    connect(cmdNext, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdNextClick(); }); });
    connect(cmdBack, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdBackClick(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { QsGuard([this] { cmdCancelClick(); }); });
}

void TWizardFrame::SetSteps(std::vector<TStepDef> steps) {
    steps_ = std::move(steps);
    Step = 0;
    ShowStep();
    PreviewKeys();
}

QWidget* TWizardFrame::AddPage(const char* name) {
    auto* page = new QWidget(pPages);
    page->setObjectName(QLatin1String(name));
    page->hide();
    static_cast<QGridLayout*>(pPages->layout())->addWidget(page, 0, 0);
    return page;
}

QWidget* TWizardFrame::AddWhitePage(const char* name, const char* pictureName, QLabel*& title, const QString& titleText,
                                    QLabel*& description, const QString& descriptionText, QLabel*& closing,
                                    const QString& closingText) {
    QWidget* page = AddPage(name);
    whiteBackground(page);
    auto* picture = new QLabel(page);
    picture->setObjectName(QLatin1String(pictureName));
    picture->setPixmap(WizardSidePicture(picture_, QSize(kSideWidth, kHeight - 50)));
    picture->setFixedWidth(kSideWidth);
    picture->setAccessibleName(windowTitle());
    picture->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    title = new QLabel(titleText, page);
    QFont large = title->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    large.setBold(true);
    title->setFont(large);
    title->setWordWrap(true);
    description = new QLabel(descriptionText, page);
    description->setWordWrap(true);
    closing = new QLabel(closingText, page);
    closing->setWordWrap(true);

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(16, 16, 20, 20);
    texts->setSpacing(0);
    texts->addWidget(title);
    texts->addSpacing(18);
    texts->addWidget(description);
    texts->addStretch(1);
    texts->addWidget(closing);
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(picture);
    layout->addLayout(texts, 1);
    return page;
}

QLabel* TWizardFrame::AddDescription(QWidget* page, const char* name, const QString& text) {
    auto* label = new QLabel(text, page);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    return label;
}

void TWizardFrame::AddFinishedPage(const QString& wizardName) {
    pStepFinished =
        AddWhitePage("pStepFinished", "imgFinishLeft", lblFinish,
                     QStringLiteral("Completing the Tessivo Keyvane %1 Wizard").arg(wizardName), lblFinishDescription,
                     QStringLiteral("You have successfully completed the Tessivo Keyvane %1 Wizard.").arg(wizardName),
                     lblFinishClose, QStringLiteral("To close this wizard, click Finish."));
}

QVBoxLayout* TWizardFrame::PageLayout(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(44, 16, 36, 10);
    layout->setSpacing(10);
    return layout;
}

QGroupBox* TWizardFrame::AddProgressBox(QWidget* page, const char* name, const QString& title, const char* labelName,
                                        QLabel*& label, const char* barName, QProgressBar*& bar) {
    auto* box = new QGroupBox(title, page);
    box->setObjectName(QLatin1String(name));
    label = new QLabel(box);
    label->setObjectName(QLatin1String(labelName));
    // A long account name must not widen the fixed window.
    label->setMinimumWidth(1);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar = new QProgressBar(box);
    bar->setObjectName(QLatin1String(barName));
    bar->setTextVisible(false);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(label);
    layout->addWidget(bar);
    box->hide();
    return box;
}

void TWizardFrame::ShowStep() {
    for (const TStepDef& def : steps_)
        def.Page->hide();
    const TStepDef& def = StepDef(Step);
    const bool header = !def.Name.isEmpty();
    pTop->setVisible(header);
    bTop->setVisible(header);
    lblStepName->setText(def.Name);
    lblStepDescription->setText(def.Description);
    def.Page->show();
    if (Step == StepCount() - 1) {
        cmdCancel->setText(QStringLiteral("&Finish"));
        cmdCancel->setEnabled(true);
        cmdCancel->setDefault(true);
        cmdCancel->setFocus();
    } else if (Step == 0) {
        cmdNext->setFocus();
    }
    EnterStep(Step);
    ControlButtons();
}

void TWizardFrame::NextStep() {
    try {
        StepAction(Step);
    } catch (...) {
        SetBusy(false);
        ShowStep();
        throw;
    }
    Step = NextOf(Step);
    ShowStep();
}

void TWizardFrame::PreviousStep() {
    Step = PreviousOf(Step);
    ShowStep();
}

void TWizardFrame::applyRule(QPushButton* button, TButtonRule rule, const TStepDef& def) {
    switch (rule) {
    case TButtonRule::Unchanged:
        return;
    case TButtonRule::Hidden:
        button->setVisible(false);
        return;
    case TButtonRule::Enabled:
        button->setEnabled(true);
        break;
    case TButtonRule::Disabled:
        button->setEnabled(false);
        break;
    case TButtonRule::NotBusy:
        button->setEnabled(!Busy);
        break;
    case TButtonRule::When:
        button->setEnabled(def.NextWhen && def.NextWhen());
        break;
    }
    button->setVisible(true);
}

void TWizardFrame::ControlButtons() {
    if (steps_.empty())
        return;
    const TStepDef& def = StepDef(Step);
    applyRule(cmdBack, def.Back, def);
    applyRule(cmdNext, def.Next, def);
    applyRule(cmdCancel, def.Cancel, def);
}

void TWizardFrame::cmdNextClick() {
    if (Busy || !cmdNext->isEnabled() || cmdNext->isHidden())
        return;
    NextStep();
}

void TWizardFrame::cmdBackClick() {
    if (Busy || !cmdBack->isEnabled() || cmdBack->isHidden())
        return;
    PreviousStep();
}

void TWizardFrame::cmdCancelClick() {
    if (!Busy)
        reject();
}

void TWizardFrame::FormActivate() {
    ControlButtons();
}

void TWizardFrame::done(int result) {
    // While an action runs the window stays: Esc and the close box wait for it like the buttons do.
    if (Busy)
        return;
    TKeyPreviewDialog::done(result);
}

void TWizardFrame::showEvent(QShowEvent* event) {
    TKeyPreviewDialog::showEvent(event);
    FormActivate();
    if (Step == 0)
        cmdNext->setFocus(Qt::OtherFocusReason);
}

void TWizardFrame::SetBusy(bool busy) {
    if (Busy == busy)
        return;
    Busy = busy;
    ControlButtons();
}

qint64 TWizardFrame::now() const {
    return Clock ? Clock() : 0;
}

void TWizardFrame::paintProgress() {
    if (OnProgressPainted)
        OnProgressPainted(progressLabel_ ? progressLabel_->text() : QString(),
                          progressBar_ ? progressBar_->value() : 0);
    QCoreApplication::processEvents();
    lastPaint_ = now();
}

void TWizardFrame::BeginProgress(QGroupBox* box, QLabel* label, QProgressBar* bar, int maximum) {
    progressLabel_ = label;
    progressBar_ = bar;
    box->show();
    label->setText(QStringLiteral("Preparing..."));
    bar->setRange(0, qMax(maximum, 1)); // a range of 0 would turn the bar into a busy indicator
    bar->setValue(0);
    ControlButtons();
    paintProgress();
}

void TWizardFrame::ProgressAt(int value, const std::function<QString()>& text) {
    if (now() - lastPaint_ < PaintInterval)
        return;
    if (progressLabel_)
        progressLabel_->setText(text());
    if (progressBar_)
        progressBar_->setValue(value);
    paintProgress();
}

void TWizardFrame::ProgressText(const QString& text) {
    if (progressLabel_)
        progressLabel_->setText(text);
    if (progressBar_)
        progressBar_->setValue(progressBar_->maximum());
    paintProgress();
}
