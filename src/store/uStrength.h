// How hard a password is to guess, as zxcvbn measures it: its entropy in bits and a band in words.
#pragma once

#include <QString>
#include <QStringList>

class TKYVNAccount;

// Poor under 40 bits, Weak under 75, Good under 100, Excellent from 100.
enum class TStrengthBand { Poor, Weak, Good, Excellent };

struct TPasswordStrength {
    double Bits = 0;
    TStrengthBand Band = TStrengthBand::Poor;
    bool IsWeak() const { return Band == TStrengthBand::Poor || Band == TStrengthBand::Weak; }
};

TStrengthBand StrengthBandOf(double bits);
// "Poor", "Weak", "Good", "Excellent".
QString StrengthBandName(TStrengthBand band);
// "Weak, 42 bits" (bits rounded down, so a shown figure never passes a band's limit).
QString StrengthText(const TPasswordStrength& strength);

// The words of an account that a guesser would try first: its name, login, e-mail address (and the
// part before the "@"), and the host of its web address with the names in it (not "www" nor the last).
QStringList StrengthUserWords(const QString& name, const QString& login, const QString& email, const QString& web);
QStringList StrengthUserWords(const TKYVNAccount& account);

// The password's strength by zxcvbn, the user words counting against it. An empty password is Poor, 0 bits.
TPasswordStrength PasswordStrength(const QString& password, const QStringList& userWords = {});
