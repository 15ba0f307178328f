// show: the fields of one account.
#include "CliAccountOutput.h"
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"

namespace {
int run(const TCliArguments& args) {
    QList<int> fields;
    for (const QString& name : args.Values("field"))
        fields << CliFieldOf(name);
    const bool only = !fields.isEmpty();
    if (!only)
        for (int f = 0; f < KyvnFieldCount; ++f)
            fields << f;
    TCliSession session(args.Positional[0]);
    const TKYVNAccount* account = session.Account(args.Positional[1]);
    if (args.Has("json")) {
        CliOutJson(CliAccountJson(*account, fields));
        return kExitSuccess;
    }
    for (int f : fields)
        CliOut((only ? QString() : KyvnFieldCaption(f) + QStringLiteral(": ")) + CliFieldText(*account, f) +
               QLatin1Char('\n'));
    return kExitSuccess;
}
} // namespace

const TCliCommand CliShow{
    "show",
    "print the nine fields of the account as \"Caption: value\" lines",
    "show FILE NAME [--field F]... [--json]",
    {{"field", "F",
      "print only the value of that field (Account Name, Login, Password, Email, Web, Notes, Protected, "
      "Created, Modified; or name, login, ...); repeatable",
      true},
     {"json", nullptr, "one JSON object of the fields (every field, or those of --field); dates YYYY-MM-DD"}},
    2,
    2,
    run,
};
