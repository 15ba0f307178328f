// protect: a file of the older form becomes protected by its password, in place.
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"

#include <QFileInfo>

namespace {
int run(const TCliArguments& args) {
    TCliSession session(args.Positional[0]);
    if (session.File().IsProtected()) {
        CliOut(QStringLiteral("'%1' is already protected.\n").arg(QFileInfo(session.File().FileName).fileName()));
        return kExitSuccess;
    }
    session.Change([](TKYVNFile& file) { file.SetForm(TKYVNFileForm::Protected); });
    return kExitSuccess;
}
} // namespace

const TCliCommand CliProtect{
    "protect", "protect a file of the older form by its password, in place (its backup too)", "protect FILE", {}, 1, 1,
    run,
};
