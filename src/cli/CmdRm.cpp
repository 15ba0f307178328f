// rm: deletes an account, after the question at a terminal.
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"

namespace {
int run(const TCliArguments& args) {
    TCliSession session(args.Positional[0]);
    const QString name = session.Account(args.Positional[1])->AccountName;
    if (!args.Has("yes") && !CliConfirm(QStringLiteral("Delete Account '%1'?").arg(name)))
        throw ECliFailure(kExitError, QStringLiteral("Nothing was deleted."));
    session.Change([&](TKYVNFile& file) {
        std::unique_ptr<TKYVNAccount> removed =
            file.TakeAccount(TCliSession::AccountIn(file, args.Positional[1])->AccountName);
    });
    return kExitSuccess;
}
} // namespace

const TCliCommand CliRm{
    "rm",
    "delete the account; at a terminal, after the question \"Delete Account '<name>'?\"",
    "rm FILE NAME [--yes]",
    {{"yes", nullptr, "delete without the question"}},
    2,
    2,
    run,
};
