// search: the accounts whose fields hold a text.
#include "CliAccountOutput.h"
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"

#include <QJsonArray>

namespace {
int run(const TCliArguments& args) {
    QList<int> fields;
    for (const QString& name : args.Values("field"))
        fields << CliFieldOf(name);
    if (fields.isEmpty()) // the password only when it is named
        fields = {kfAccountName, kfLogin, kfEmail, kfWeb, kfNotes};
    const QString text = args.Positional[1];
    TCliSession session(args.Positional[0]);
    QJsonArray found;
    QStringList names;
    for (const TKYVNAccount* a : session.File().Accounts) {
        const bool matches = std::any_of(fields.begin(), fields.end(), [&](int f) {
            return CliFieldText(*a, f).contains(text, Qt::CaseInsensitive);
        });
        if (!matches)
            continue;
        names << a->AccountName;
        found.append(CliAccountJson(*a, {kfAccountName, kfLogin, kfWeb, kfCreated, kfModified}));
    }
    if (args.Has("json"))
        CliOutJson(found);
    else
        for (const QString& name : names)
            CliOut(name + QLatin1Char('\n'));
    if (names.isEmpty())
        throw ECliFailure(kExitNoAccount, QStringLiteral("No account holds '%1'.").arg(text));
    return kExitSuccess;
}
} // namespace

const TCliCommand CliSearch{
    "search",
    "print the names of the accounts whose fields hold TEXT (letter case ignored); exit status 4 when none does",
    "search FILE TEXT [--field F]... [--json]",
    {{"field", "F", "look only in that field; the password is searched only when named; repeatable", true},
     {"json", nullptr, "one JSON array of the accounts found (name, login, web and dates)"}},
    2,
    2,
    run,
};
