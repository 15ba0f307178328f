// info: the form of a file and its number of accounts.
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"

namespace {
int run(const TCliArguments& args) {
    TCliSession session(args.Positional[0]);
    CliOut(QStringLiteral("Form: %1\nAccounts: %2\n")
               .arg(session.File().FormDescription())
               .arg(session.File().AccountCount()));
    return kExitSuccess;
}
} // namespace

const TCliCommand CliInfo{
    "info", "print the file's form and its number of accounts", "info FILE", {}, 1, 1, run,
};
