// The strength of a password as it is typed: a bar and the same in words and numbers ("Weak, 42 bits"),
// so that it reads without telling colours apart, and to a screen reader as the gauge's description.
#pragma once

#include "uStrength.h"

#include <QWidget>

class QLabel;
class QProgressBar;

class TStrengthGauge : public QWidget {
    Q_OBJECT
public:
    explicit TStrengthGauge(QWidget* parent = nullptr);

    QProgressBar* Bar;
    QLabel* Label;

    // Measures password with the words that count against it and shows the result.
    void Measure(const QString& password, const QStringList& userWords = {});
    TPasswordStrength Strength() const { return strength_; }
    bool Empty() const { return empty_; }
    // "Weak, 42 bits", or "No password".
    QString Text() const;

private:
    TPasswordStrength strength_;
    bool empty_ = true;
};
