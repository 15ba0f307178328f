// import: the accounts of another program's CSV export, with the import wizard's reader and rules.
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"
#include "CsvImport.h"
#include "CsvReader.h"
#include "ImportSources.h"

namespace {
int run(const TCliArguments& args) {
    TRepeatChoice choice = TRepeatChoice::KeepBoth;
    if (args.Has("repeated") && !RepeatChoiceFromText(args.Value("repeated"), choice))
        throw CliUsageError(QStringLiteral("--repeated takes keep-both, replace or skip."));
    // The export is read and understood before the password is asked: a file that cannot be imported
    // costs nothing.
    const TCsvTable table = ReadCsvFile(args.Positional[1]);
    const TImportSource& source = PickImportSource(table, args.Value("from"));
    TCliSession session(args.Positional[0]);
    QString summary;
    session.Change([&](TKYVNFile& file) { summary = ImportCsvRows(file, table, source, choice); });
    CliOut(summary + QStringLiteral(".\n"));
    return kExitSuccess;
}
} // namespace

const TCliCommand CliImport{
    "import",
    "add the accounts of a CSV export of a browser or password manager, all or nothing, and say what was done",
    "import FILE CSV [--from SOURCE] [--repeated keep-both|replace|skip]",
    {{"from", "SOURCE",
      "the program that wrote it (chromium, firefox, safari, bitwarden, keepassxc, 1password, lastpass, keyvane); "
      "found from the header otherwise"},
     {"repeated", "CHOICE",
      "for names the export repeats or the passwords file holds already: keep-both (the default: the new one is "
      "named as Name (2)), replace or skip"}},
    2,
    2,
    run,
};
