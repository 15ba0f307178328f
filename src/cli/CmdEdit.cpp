// edit: changes the fields given, as the account editor does.
#include "CliAccountFields.h"
#include "CliArguments.h"
#include "CliSession.h"

namespace {
std::vector<TCliOption> options() {
    std::vector<TCliOption> o = CliAccountOptions();
    o.push_back({"unprotected", nullptr, "clear the protected mark"});
    return o;
}

int run(const TCliArguments& args) {
    // the fields are checked before any question, with a stand-in for the others
    TKYVNAccount probe;
    probe.AccountName = QStringLiteral("-");
    CliApplyAccountFields(probe, args);
    CliCheckAccount(probe);
    TCliSession session(args.Positional[0]);
    TKYVNAccount asked = *session.Account(args.Positional[1]);
    CliAskAccountPassword(asked, args);
    session.Change([&](TKYVNFile& file) {
        // A protected account needs no second question here: the file password was typed.
        std::unique_ptr<TKYVNAccount> account =
            file.TakeAccount(TCliSession::AccountIn(file, args.Positional[1])->AccountName);
        TKYVNAccount edited = *account;
        CliApplyAccountFields(edited, args);
        if (args.Has("ask"))
            edited.Password = asked.Password;
        edited.Modified = QDate::currentDate();
        CliCheckAccount(edited);
        *account = edited;
        // as in the window, an edited account moves to the end of the file order
        file.AddAccount(account.release());
    });
    return kExitSuccess;
}
} // namespace

const TCliCommand CliEdit{
    "edit",
    "change the fields given; the others stay. Modified becomes today",
    "edit FILE NAME [--login L] [--password P | --generate N | --ask] [--email E] [--web W] [--notes T] "
    "[--protected | --unprotected]",
    options(),
    2,
    2,
    run,
};
