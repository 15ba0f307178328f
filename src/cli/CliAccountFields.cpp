#include "CliAccountFields.h"

#include "CliArguments.h"
#include "CliTerminal.h"
#include "uGenerator.h"

const std::vector<TCliOption>& CliAccountOptions() {
    static const std::vector<TCliOption> options{
        {"login", "L", "login name (at most 100 characters)"},
        {"password", "P",
         "password (at most 100 characters); a command line is visible to every user of the machine, so "
         "prefer --ask"},
        {"generate", "N", "a random password of N characters (1 to 100) instead"},
        {"ask", nullptr, "ask the account's password after the file password, as the file password is asked"},
        {"email", "E", "e-mail address"},
        {"web", "W", "web address"},
        {"notes", "T", "notes (at most 255 characters; line breaks allowed)"},
        {"protected", nullptr, "ask the file password before the account is edited or deleted in Keyvane"},
    };
    return options;
}

QString CliTrimmed(const QString& text) {
    qsizetype b = 0, e = text.size();
    while (b < e && text[b].unicode() <= 32)
        ++b;
    while (e > b && text[e - 1].unicode() <= 32)
        --e;
    return text.mid(b, e - b);
}

void CliApplyAccountFields(TKYVNAccount& account, const TCliArguments& args) {
    args.Exclusive({"password", "generate", "ask"});
    args.Exclusive({"protected", "unprotected"});
    const struct {
        const char* option;
        QString TKYVNAccount::*field;
    } texts[] = {{"login", &TKYVNAccount::Login},
                 {"password", &TKYVNAccount::Password},
                 {"email", &TKYVNAccount::Email},
                 {"web", &TKYVNAccount::Web}};
    for (const auto& t : texts)
        if (args.Has(t.option))
            account.*t.field = CliTrimmed(args.Value(t.option));
    // Notes keep their line breaks as CR LF, whatever the shell passed.
    if (args.Has("notes"))
        account.Notes = CliTrimmed(args.Value("notes"))
                            .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                            .replace(QLatin1Char('\r'), QLatin1Char('\n'))
                            .replace(QLatin1String("\n"), QLatin1String("\r\n"));
    if (args.Has("protected"))
        account.Protected = true;
    if (args.Has("unprotected"))
        account.Protected = false;
    if (args.Has("generate"))
        account.Password = GeneratePassword(args.Number("generate", 1, 100, 0));
}

void CliAskAccountPassword(TKYVNAccount& account, const TCliArguments& args) {
    if (args.Has("ask"))
        account.Password =
            CliTrimmed(CliAskPassword(QStringLiteral("Password of the account '%1': ").arg(account.AccountName)));
}

void CliCheckAccount(const TKYVNAccount& account) {
    struct TCheck {
        const char* caption;
        const QString* value;
        int maxLength; // 0: no limit
        bool oneLine;
    };
    const TCheck checks[] = {
        {"Account Name", &account.AccountName, 50, true},
        {"Login", &account.Login, 100, true},
        {"Password", &account.Password, 100, true},
        {"Email", &account.Email, 0, true},
        {"Web", &account.Web, 0, true},
        {"Notes", &account.Notes, 255, false},
    };
    if (account.AccountName.isEmpty())
        throw EQsException(QStringLiteral("The account name is empty."));
    for (const TCheck& c : checks) {
        const QString caption = QLatin1String(c.caption);
        if (HasReservedChars(*c.value))
            throw EQsException(QStringLiteral("%1 cannot hold ' or #.").arg(caption));
        if (c.value->contains(QLatin1Char('\0')) ||
            (c.oneLine && (c.value->contains(QLatin1Char('\r')) || c.value->contains(QLatin1Char('\n')))))
            throw EQsException(QStringLiteral("%1 cannot hold a line break or a NUL character.").arg(caption));
        // Notes count a line break as the editor does, as one CR LF pair of characters.
        if (c.maxLength > 0 && c.value->size() > c.maxLength)
            throw EQsException(QStringLiteral("%1 is longer than %2 characters.").arg(caption).arg(c.maxLength));
    }
}
