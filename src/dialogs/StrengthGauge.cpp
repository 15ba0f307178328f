#include "StrengthGauge.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace {

// The bar is full at the Excellent band's limit.
constexpr int FullBits = 100;

QColor bandColor(TStrengthBand band) {
    switch (band) {
    case TStrengthBand::Poor:
        return QColor(0xC0, 0x1C, 0x28);
    case TStrengthBand::Weak:
        return QColor(0xE6, 0x61, 0x00);
    case TStrengthBand::Good:
        return QColor(0x98, 0xA8, 0x1C);
    case TStrengthBand::Excellent:
        break;
    }
    return QColor(0x26, 0xA2, 0x69);
}

} // namespace

TStrengthGauge::TStrengthGauge(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StrengthGauge"));
    Bar = new QProgressBar(this);
    Bar->setObjectName(QStringLiteral("barStrength"));
    Bar->setRange(0, FullBits);
    Bar->setTextVisible(false);
    Bar->setFixedHeight(10);
    Bar->setAccessibleName(QStringLiteral("Password strength"));
    Label = new QLabel(this);
    Label->setObjectName(QStringLiteral("lblStrength"));
    Label->setTextFormat(Qt::PlainText);
    Label->setMinimumWidth(Label->fontMetrics().horizontalAdvance(QStringLiteral("Excellent, 999 bits")));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(Bar, 1);
    layout->addWidget(Label);
    setAccessibleName(QStringLiteral("Password strength"));
    Measure(QString());
}

QString TStrengthGauge::Text() const {
    return empty_ ? QStringLiteral("No password") : StrengthText(strength_);
}

void TStrengthGauge::Measure(const QString& password, const QStringList& userWords) {
    empty_ = password.isEmpty();
    strength_ = PasswordStrength(password, userWords);
    Bar->setValue(empty_ ? 0 : std::clamp(int(std::lround(strength_.Bits)), 1, FullBits));
    QPalette palette = Bar->palette();
    palette.setColor(QPalette::Highlight, bandColor(strength_.Band));
    Bar->setPalette(palette);
    const QString text = Text();
    Label->setText(text);
    const QString description = QStringLiteral("Password strength: %1").arg(text);
    setAccessibleDescription(description);
    Bar->setAccessibleDescription(description);
    Bar->setToolTip(description);
}
