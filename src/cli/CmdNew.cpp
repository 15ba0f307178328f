// new: an empty passwords file.
#include "CliArguments.h"
#include "CliSession.h"
#include "QsSecrets.h"

#include <QFileInfo>

namespace {
void refuseExisting(const QString& path, const QString& typed) {
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        throw EQsException(QStringLiteral("File '%1' already exists.").arg(typed));
}

int run(const TCliArguments& args) {
    const QString path = QFileInfo(args.Positional[0]).absoluteFilePath();
    refuseExisting(path, args.Positional[0]);
    const TKYVNFileForm form = args.Has("unprotected") ? TKYVNFileForm::Designed : TKYVNFileForm::Protected;
    TKYVNFile file;
    file.FileName = path;
    file.SetForm(form);
    file.Password = CliAskNewPassword(form);
    TKYVNFileLock lock(path);
    // two commands making the same file at once: the second finds the first one's file
    refuseExisting(path, args.Positional[0]);
    file.Save();
    QsWipe(file.Password);
    return kExitSuccess;
}
} // namespace

const TCliCommand CliNew{
    "new",
    "create an empty passwords file, protected by its password (4 to 128 characters); FILE must not exist",
    "new FILE [--unprotected]",
    {{"unprotected", nullptr,
      "the form that Keyvane 1.3 and older read, under a fixed key: anyone with a copy can read it. The "
      "password has 4 to 25 characters, without ' or #"}},
    1,
    1,
    run,
};
