// generate: random passwords from the generator of the account editor.
#include "CliArguments.h"
#include "CliTerminal.h"
#include "QsSecrets.h"
#include "uGenerator.h"
#include "uOptions.h"

#include <algorithm>

namespace {
int run(const TCliArguments& args) {
    const int preferred = std::clamp(Options ? int(Options->PasswordLength) : 8, 1, 100);
    const int length = args.Number("length", 1, 100, preferred);
    const int count = args.Number("count", 1, 10000, 1);
    for (int i = 0; i < count; ++i) {
        QString password = GeneratePassword(length) + QLatin1Char('\n');
        CliOut(password);
        QsWipe(password);
    }
    return kExitSuccess;
}
} // namespace

const TCliCommand CliGenerate{
    "generate",
    "print random passwords of the characters \"(\" to \"|\", never ' or #; no file is needed",
    "generate [--length N] [--count K]",
    {{"length", "N", "characters in each (1 to 100; default: the preference of the account editor)"},
     {"count", "K", "how many, one per line (default 1)"}},
    0,
    0,
    run,
};
