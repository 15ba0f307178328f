#include "CliAccountFields.h"

#include "AccountRules.h"
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
    return TrimField(text);
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
        account.Notes = NotesLineBreaks(CliTrimmed(args.Value("notes")));
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
    try {
        CheckAccountFields(account);
    } catch (const EQsException& e) {
        throw EQsException(e.Message); // a refused value: exit status 1
    }
    // The limits a person has when typing in the account editor; notes count a line break as CR LF.
    const QString* values[] = {&account.AccountName, &account.Login, &account.Password,
                               &account.Email,       &account.Web,   &account.Notes};
    for (int f = kfAccountName; f <= kfNotes; ++f)
        if (const int limit = FieldTypingLimit(f); limit > 0 && values[f]->size() > limit)
            throw EQsException(QStringLiteral("%1 is longer than %2 characters.").arg(KyvnFieldCaption(f)).arg(limit));
}
