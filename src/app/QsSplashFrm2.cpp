#include "QsSplashFrm2.h"

#include "QsApp.h"

#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QPalette>
#include <QScreen>

namespace {
TSplashForm* gSplash = nullptr;

constexpr int kWidth = 500;
constexpr int kHeight = 400;
const QColor kTeal(0, 128, 128);

QLabel* makeLabel(QWidget* parent, const char* name, int left, int top, int width, int points) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    QFont f = label->font();
    f.setPointSize(points);
    label->setFont(f);
    label->setGeometry(left, top, width, QFontMetrics(f).height() + 2);
    return label;
}

void setColor(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}
} // namespace

QString DesignFormat(QString format, const QStringList& args) {
    qsizetype at = 0;
    for (const QString& arg : args) {
        at = format.indexOf(QLatin1String("%s"), at);
        if (at < 0)
            break;
        format.replace(at, 2, arg);
        at += arg.size();
    }
    return format;
}

QString SplashWarningText() {
    return QStringLiteral("Copying or passing on this program without Tessivo's permission is against the law.");
}

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TSplashForm"));
    setFixedSize(kWidth, kHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kTeal);
    setPalette(pal);
    setAutoFillBackground(true);
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSize(8);
    setFont(f);

    ImgSplash = new QLabel(this);
    ImgSplash->setObjectName(QStringLiteral("ImgSplash"));
    ImgSplash->setGeometry(0, 0, kWidth, kHeight);
    ImgSplash->setAccessibleName(QStringLiteral("Tessivo Keyvane"));

    lblSpecialVersion = makeLabel(this, "lblSpecialVersion", 64, 104, 89, 10);
    QFont bold = lblSpecialVersion->font();
    bold.setBold(true);
    lblSpecialVersion->setFont(bold);
    setColor(lblSpecialVersion, Qt::white);
    lblCopyright = makeLabel(this, "lblCopyright", 16, 280, 457, 7);
    lblWarning = makeLabel(this, "lblWarning", 16, 296, 457, 7);
    lblWarning->setWordWrap(true);
    lblWarning->resize(457, 2 * lblWarning->height());
    lblApplicationVersion = makeLabel(this, "lblApplicationVersion", 16, 328, 225, 8);
    lblApplicationVersion->setText(QStringLiteral("%s %s"));
    setColor(lblApplicationVersion, QApplication::palette().color(QPalette::WindowText));
}

void TSplashForm::Fill(const TQsApplication& app, const QImage& picture, const QColor& noticeColor) {
    if (!picture.isNull())
        ImgSplash->setPixmap(QPixmap::fromImage(picture));
    lblSpecialVersion->setText(app.SpecialVersion);
    lblCopyright->setText(app.LegalNotice);
    lblWarning->setText(SplashWarningText());
    setColor(lblCopyright, noticeColor);
    setColor(lblWarning, noticeColor);
    // The label's design caption is the format of the line.
    lblApplicationVersion->setText(
        DesignFormat(lblApplicationVersion->text(), {QStringLiteral("Version"), app.Version}));
}

QImage LoadSplashPicture() {
    QImageReader reader(QStringLiteral(":/keyvane/splash.svg"));
    reader.setScaledSize(QSize(kWidth, kHeight));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    // A copy of the picture's own size, as the window expects.
    return image.size() == QSize(kWidth, kHeight) ? image : image.scaled(kWidth, kHeight);
}

void ShowSplash(const TQsApplication& app, const QImage& picture, const QColor& noticeColor) {
    CloseSplash();
    gSplash = new TSplashForm;
    gSplash->Fill(app, picture, noticeColor);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        gSplash->move(screen->geometry().center() - gSplash->rect().center());
    gSplash->show();
    gSplash->raise();
    gSplash->repaint();
}

void CloseSplash() {
    if (!gSplash)
        return;
    gSplash->close();
    delete gSplash;
    gSplash = nullptr;
}

TSplashForm* SplashForm() {
    return gSplash;
}
