// add: a new account at the end of the file.
#include "AccountRules.h"
#include "CliAccountFields.h"
#include "CliArguments.h"
#include "CliSession.h"

namespace {
int run(const TCliArguments& args) {
    TKYVNAccount account;
    account.AccountName = CliTrimmed(args.Positional[1]);
    CliApplyAccountFields(account, args);
    account.Created = account.Modified = QDate::currentDate();
    CliCheckAccount(account);
    TCliSession session(args.Positional[0]);
    CliAskAccountPassword(account, args);
    CliCheckAccount(account);
    session.Change([&](TKYVNFile& file) {
        if (AccountNameInUse(&file, account.AccountName)) {
            const EQsException inUse = NameInUseError(account.AccountName);
            throw EQsException(inUse.Message, inUse.Details);
        }
        file.AddAccount(new TKYVNAccount(account));
    });
    return kExitSuccess;
}
} // namespace

const TCliCommand CliAdd{
    "add",
    "add an account, created and modified today",
    "add FILE NAME [--login L] [--password P | --generate N | --ask] [--email E] [--web W] [--notes T] "
    "[--protected]",
    CliAccountOptions(),
    2,
    2,
    run,
};
