// The commands of keyvane-cli: one row per command (name, summary, usage, options, run), each in its own
// file; the help is made from the rows, so what the help says and what the parser takes never differ.
#pragma once

#include "QsExceptions.h"

#include <QString>

#include <vector>

class TCliArguments;

// The exit statuses a script can rely on.
enum TCliStatus {
    kExitSuccess = 0,
    kExitError = 1,
    kExitUsage = 2,
    kExitWrongPassword = 3,
    kExitNoAccount = 4,
    kExitRefused = 5, // the file is damaged, changed, or of a newer version
};

// A failure that ends the run with its own exit status; the message (and details) go to standard error.
class ECliFailure : public EQsException {
public:
    ECliFailure(int status, const QString& message, const QString& details = QString())
        : EQsException(message, details), Status(status) {}
    int Status;
};

// A usage error: exit status 2.
inline ECliFailure CliUsageError(const QString& message) {
    return ECliFailure(kExitUsage, message);
}

struct TCliOption {
    const char* name;  // without the leading "--"
    const char* value; // the value's placeholder; nullptr for a flag
    const char* help;
    bool repeatable = false;
};

struct TCliCommand {
    const char* name;
    const char* summary;
    const char* usage; // after "keyvane-cli "
    std::vector<TCliOption> options;
    int minPositional;
    int maxPositional;
    int (*run)(const TCliArguments& args);
    bool needsDisplay = false; // runs with a QGuiApplication (the clipboard)
};

// Every command, in the order the help lists them.
const std::vector<const TCliCommand*>& CliCommands();
const TCliCommand* CliFindCommand(const QString& name);

// The whole help, and one command's.
QString CliHelp();
QString CliCommandHelp(const TCliCommand& command);

// The rows of the commands, each defined in its own file.
extern const TCliCommand CliLs, CliShow, CliSearch, CliNew, CliAdd, CliEdit, CliMv, CliRm, CliClip, CliGenerate,
    CliExport, CliMerge, CliImport, CliPasswd, CliProtect, CliInfo, CliAnalyze;
