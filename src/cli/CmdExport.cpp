// export: the text export of the export wizard, to standard output or to a file.
#include "CliAccountOutput.h"
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"
#include "CsvWriter.h"
#include "ExportFile.h"
#include "QsSecrets.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {
bool sameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

int run(const TCliArguments& args) {
    QStringList captions;
    for (const QString& name : args.Values("field"))
        captions << KyvnFieldCaption(CliFieldOf(name));
    if (captions.isEmpty())
        for (int f = 0; f < KyvnFieldCount; ++f)
            captions << KyvnFieldCaption(f);
    const QString target = args.Has("output") ? ExportTargetPath(args.Value("output")) : QString();
    if (args.Has("output") && target.isEmpty())
        throw CliUsageError(QStringLiteral("--output needs a file name."));
    TCliSession session(args.Positional[0]);
    if (!target.isEmpty() && sameFile(target, session.File().FileName))
        throw EQsException(QStringLiteral("An export cannot replace the passwords file itself."));
    QByteArray text = CsvExport(session.File(), captions);
    try {
        if (target.isEmpty())
            CliOutBytes(text);
        else
            WriteExportFile(target, text);
    } catch (const std::exception& e) {
        QsWipe(text);
        if (dynamic_cast<const ECliFailure*>(&e))
            throw;
        throw EQsException(QStringLiteral("Error saving file '%1'.").arg(target), QsExceptionMessage(e));
    }
    QsWipe(text);
    return kExitSuccess;
}
} // namespace

const TCliCommand CliExport{
    "export",
    "write the accounts as comma-separated values (the text export of the export wizard: a header line, "
    "every value in double quotes, CR LF, UTF-8)",
    "export FILE [--output PATH] [--field F]...",
    {{"output", "PATH",
      "write to PATH (mode 0600, replaced only when complete) instead of standard output; never the "
      "passwords file itself"},
     {"field", "F", "export only these fields, in this order (default: all nine); repeatable", true}},
    1,
    1,
    run,
};
