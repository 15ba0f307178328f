// mv: a new name for an account.
#include "AccountRules.h"
#include "CliAccountFields.h"
#include "CliArguments.h"
#include "CliSession.h"

namespace {
int run(const TCliArguments& args) {
    const QString newName = args.Positional[2];
    TKYVNAccount probe;
    probe.AccountName = newName;
    CliCheckAccount(probe);
    TCliSession session(args.Positional[0]);
    session.Change([&](TKYVNFile& file) {
        TKYVNAccount* account = TCliSession::AccountIn(file, args.Positional[1]);
        // Another account of that name is refused; the same account may change the case of its letters.
        const TKYVNAccount* holder = file.FindAccount(newName);
        if (holder && holder != account) {
            const EQsException inUse = NameInUseError(newName);
            throw EQsException(inUse.Message, inUse.Details);
        }
        account->AccountName = newName;
    });
    return kExitSuccess;
}
} // namespace

const TCliCommand CliMv{
    "mv",
    "give the account a new name (not trimmed); a name that another account has is refused",
    "mv FILE NAME NEWNAME",
    {},
    3,
    3,
    run,
};
