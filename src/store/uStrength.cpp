#include "uStrength.h"

#include "QsSecrets.h"
#include "clsAccount.h"

#include <QUrl>
#include <zxcvbn.h>

#include <cmath>
#include <string>
#include <vector>

TStrengthBand StrengthBandOf(double bits) {
    if (bits < 40)
        return TStrengthBand::Poor;
    if (bits < 75)
        return TStrengthBand::Weak;
    if (bits < 100)
        return TStrengthBand::Good;
    return TStrengthBand::Excellent;
}

QString StrengthBandName(TStrengthBand band) {
    switch (band) {
    case TStrengthBand::Poor:
        return QStringLiteral("Poor");
    case TStrengthBand::Weak:
        return QStringLiteral("Weak");
    case TStrengthBand::Good:
        return QStringLiteral("Good");
    case TStrengthBand::Excellent:
        break;
    }
    return QStringLiteral("Excellent");
}

QString StrengthText(const TPasswordStrength& strength) {
    return QStringLiteral("%1, %2 bits").arg(StrengthBandName(strength.Band)).arg(qint64(std::floor(strength.Bits)));
}

QStringList StrengthUserWords(const QString& name, const QString& login, const QString& email, const QString& web) {
    QStringList words;
    auto add = [&words](const QString& word) {
        const QString trimmed = word.trimmed();
        if (!trimmed.isEmpty() && !words.contains(trimmed, Qt::CaseInsensitive))
            words << trimmed;
    };
    add(name);
    add(login);
    add(email);
    if (const qsizetype at = email.indexOf(QLatin1Char('@')); at > 0)
        add(email.left(at));
    if (!web.trimmed().isEmpty()) {
        const QString host = QUrl::fromUserInput(web.trimmed()).host();
        add(host);
        // The site's own name ("examplebank" of www.examplebank.com) is what a password borrows from it.
        QStringList labels = host.split(QLatin1Char('.'), Qt::SkipEmptyParts);
        if (labels.size() > 1)
            labels.removeLast();
        for (const QString& label : labels)
            if (label.size() >= 3 && label != QLatin1String("www"))
                add(label);
    }
    return words;
}

QStringList StrengthUserWords(const TKYVNAccount& account) {
    return StrengthUserWords(account.AccountName, account.Login, account.Email, account.Web);
}

TPasswordStrength PasswordStrength(const QString& password, const QStringList& userWords) {
    TPasswordStrength result;
    if (password.isEmpty())
        return result;
    std::vector<std::string> words;
    words.reserve(size_t(userWords.size()));
    for (const QString& word : userWords)
        words.push_back(word.toUtf8().toStdString());
    std::vector<const char*> dict;
    dict.reserve(words.size() + 1);
    for (const std::string& word : words)
        dict.push_back(word.c_str());
    dict.push_back(nullptr);
    QByteArray utf8 = password.toUtf8();
    result.Bits = ZxcvbnMatch(utf8.constData(), dict.data(), nullptr);
    QsWipe(utf8);
    result.Band = StrengthBandOf(result.Bits);
    return result;
}
