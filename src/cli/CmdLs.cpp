// ls: the account names in file order.
#include "CliAccountOutput.h"
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"

#include <QJsonArray>

namespace {
const QList<int> longFields{kfAccountName, kfLogin, kfWeb, kfCreated, kfModified};

int run(const TCliArguments& args) {
    TCliSession session(args.Positional[0]);
    const bool isLong = args.Has("long");
    if (args.Has("json")) {
        QJsonArray list;
        for (const TKYVNAccount* a : session.File().Accounts)
            list.append(isLong ? QJsonValue(CliAccountJson(*a, longFields)) : QJsonValue(a->AccountName));
        CliOutJson(list);
        return kExitSuccess;
    }
    for (const TKYVNAccount* a : session.File().Accounts) {
        QStringList columns;
        for (int f : isLong ? longFields : QList<int>{kfAccountName})
            columns << CliFieldText(*a, f);
        CliOut(columns.join(QLatin1Char('\t')) + QLatin1Char('\n'));
    }
    return kExitSuccess;
}
} // namespace

const TCliCommand CliLs{
    "ls",
    "print the account names in file order, one per line",
    "ls FILE [--long] [--json]",
    {{"long", nullptr, "add the login, the web address and the dates, separated by tabs"},
     {"json", nullptr, "one JSON array: of names, or with --long of objects"}},
    1,
    1,
    run,
};
