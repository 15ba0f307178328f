// passwd: a new file password.
#include "CliArguments.h"
#include "CliSession.h"
#include "QsSecrets.h"

namespace {
int run(const TCliArguments& args) {
    TCliSession session(args.Positional[0]);
    QString password = CliAskNewPassword(session.File().Form());
    try {
        session.Change([&](TKYVNFile& file) { file.Password = password; });
    } catch (...) {
        QsWipe(password);
        throw;
    }
    QsWipe(password);
    return kExitSuccess;
}
} // namespace

const TCliCommand CliPasswd{
    "passwd",
    "change the file password: the current one, then the new one twice (4 to 128 characters for a protected file; 4 to "
    "25, without ' or #, for the older form)",
    "passwd FILE",
    {},
    1,
    1,
    run,
};
