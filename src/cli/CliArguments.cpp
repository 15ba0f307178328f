#include "CliArguments.h"

#include "CliTerminal.h"

const TCliOption CliPasswordFdOption{"password-fd", "N",
                                     "read the passwords, one line per question, from descriptor N"};

namespace {
const TCliOption* findOption(const TCliCommand& command, const QString& name) {
    if (name == QLatin1String(CliPasswordFdOption.name))
        return &CliPasswordFdOption;
    for (const TCliOption& o : command.options)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}
} // namespace

TCliArguments::TCliArguments(const TCliCommand& command, const QStringList& args) : command_(command) {
    bool optionsEnd = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (optionsEnd || !a.startsWith(QLatin1String("--"))) {
            Positional << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnd = true;
            continue;
        }
        QString name = a.mid(2);
        std::optional<QString> value;
        if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
        }
        const TCliOption* option = findOption(command, name);
        if (!option)
            throw CliUsageError(QStringLiteral("Unknown option '%1'.").arg(a));
        if (!option->value) {
            if (value)
                throw CliUsageError(QStringLiteral("Option --%1 takes no value.").arg(name));
            value = QString();
        } else if (!value) {
            if (i + 1 >= args.size())
                throw CliUsageError(QStringLiteral("Option --%1 needs a value.").arg(name));
            value = args[++i];
        }
        QStringList& values = options_[name];
        if (!values.isEmpty() && !option->repeatable)
            throw CliUsageError(QStringLiteral("Option --%1 is given twice.").arg(name));
        values << *value;
    }
    if (Positional.size() < command.minPositional || Positional.size() > command.maxPositional)
        throw CliUsageError(QStringLiteral("Usage: keyvane-cli %1").arg(QLatin1String(command.usage)));
    if (Has(CliPasswordFdOption.name))
        CliSetPasswordFd(Number(CliPasswordFdOption.name, 0, 1 << 20, 0));
}

bool TCliArguments::Has(const char* name) const {
    return options_.count(QLatin1String(name)) != 0;
}

QString TCliArguments::Value(const char* name) const {
    const auto it = options_.find(QLatin1String(name));
    return it == options_.end() ? QString() : it->second.constLast();
}

QStringList TCliArguments::Values(const char* name) const {
    const auto it = options_.find(QLatin1String(name));
    return it == options_.end() ? QStringList() : it->second;
}

int TCliArguments::Number(const char* name, int low, int high, int fallback) const {
    if (!Has(name))
        return fallback;
    bool ok = false;
    const int n = Value(name).toInt(&ok);
    if (!ok || n < low || n > high)
        throw CliUsageError(
            QStringLiteral("--%1 takes a number from %2 to %3.").arg(QLatin1String(name)).arg(low).arg(high));
    return n;
}

void TCliArguments::Exclusive(std::initializer_list<const char*> names) const {
    QStringList given;
    for (const char* n : names)
        if (Has(n))
            given << QStringLiteral("--") + QLatin1String(n);
    if (given.size() > 1)
        throw CliUsageError(QStringLiteral("Give only one of %1.").arg(given.join(QStringLiteral(", "))));
}
