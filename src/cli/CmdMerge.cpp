// merge: brings the accounts of a second file in, with the merge wizard's rules.
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"
#include "MergeAccounts.h"

#include <QFileInfo>

namespace {
int run(const TCliArguments& args) {
    args.Exclusive({"take", "take-all"});
    TCliSession session(args.Positional[0]);
    TKYVNFile other;
    CliOpenFile(other, args.Positional[1], QString());
    if (other.Damaged())
        throw ECliFailure(kExitRefused,
                          QStringLiteral("The file '%1' is damaged; nothing was merged.").arg(args.Positional[1]));
    int added = 0, replaced = 0;
    session.Change([&](TKYVNFile& file) {
        const QStringList repeated = RepeatedNames(file, other);
        QStringList take;
        if (args.Has("take-all")) {
            take = repeated;
        } else {
            TFoldedNameIndex index;
            for (const QString& name : repeated)
                index.Add(file.FindAccount(name));
            for (const QString& name : args.Values("take")) {
                if (!index.Contains(name))
                    throw ECliFailure(kExitNoAccount,
                                      QStringLiteral("There is no account named '%1' in both files.").arg(name));
                take << name;
            }
        }
        TMergeImport import(file, other);
        import.Run(take);
        import.HandOver();
        added = import.Added();
        replaced = import.Replaced();
    });
    CliErr(QStringLiteral("Accounts added: %1, replaced: %2.\n").arg(added).arg(replaced));
    return kExitSuccess;
}
} // namespace

const TCliCommand CliMerge{
    "merge",
    "bring the accounts of OTHER into FILE: names FILE lacks are added; an account whose name FILE has "
    "too stays as it is unless taken. OTHER's password is asked after FILE's",
    "merge FILE OTHER [--take NAME]... [--take-all]",
    {{"take", "NAME", "OTHER's account of that name replaces FILE's; repeatable", true},
     {"take-all", nullptr, "every account of OTHER replaces FILE's of the same name"}},
    2,
    2,
    run,
};
