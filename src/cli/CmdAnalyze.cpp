// analyze: the accounts whose passwords need attention, worst first.
#include "CliAccountOutput.h"
#include "CliArguments.h"
#include "CliSession.h"
#include "CliTerminal.h"
#include "uBreachList.h"
#include "uHealth.h"
#include "uOptions.h"

#include <QJsonArray>

#include <cmath>

namespace {
QJsonObject healthJson(const QString& path, const THealthReport& r) {
    QJsonArray entries;
    for (const THealthEntry& e : r.Entries) {
        QJsonArray problems;
        const std::pair<unsigned, const char*> names[] = {
            {hpBreached, "breached"}, {hpEmpty, "empty"}, {hpWeak, "weak"}, {hpReused, "reused"}, {hpOld, "old"}};
        for (const auto& [bit, name] : names)
            if (e.Problems & bit)
                problems.append(QLatin1String(name));
        QJsonObject entry{{"account", e.Account->AccountName},
                          {"problems", problems},
                          {"description", HealthProblemTexts(e).join(QStringLiteral("; "))}};
        if (!(e.Problems & hpEmpty)) {
            entry.insert("band", StrengthBandName(e.Strength.Band));
            entry.insert("bits", std::round(e.Strength.Bits * 100) / 100);
        }
        if (e.Problems & hpReused) {
            entry.insert("reuseGroup", e.ReuseGroup);
            entry.insert("reuseCount", e.ReuseCount);
        }
        if (e.Problems & hpOld)
            entry.insert("ageDays", e.AgeDays);
        if (e.Problems & hpBreached)
            entry.insert("breachCount", double(e.BreachCount));
        entries.append(entry);
    }
    QJsonObject counts{
        {"empty", r.Empty}, {"weak", r.Weak}, {"reused", r.Reused}, {"reuseGroups", r.ReuseGroups}, {"old", r.Old}};
    if (r.BreachesChecked)
        counts.insert("breached", r.Breached);
    return {{"file", path},
            {"accounts", r.Accounts},
            {"breachesChecked", r.BreachesChecked},
            {"counts", counts},
            {"entries", entries}};
}

int run(const TCliArguments& args) {
    // A list that cannot be searched is refused before the password is asked.
    TBreachList breaches;
    if (args.Has("breaches"))
        breaches.Open(args.Value("breaches"));
    TCliSession session(args.Positional[0]);
    THealthOptions options;
    options.MaxAgeDays = Options ? Options->OldPasswordDays : TKYVNOptions().OldPasswordDays;
    options.Breaches = breaches.IsOpen() ? &breaches : nullptr;
    const THealthReport report = AnalyzeHealth(session.File().Accounts, options);
    if (args.Has("json")) {
        CliOutJson(healthJson(session.File().FileName, report));
        return kExitSuccess;
    }
    CliOut(HealthCountsText(report) + QLatin1Char('\n'));
    for (const THealthEntry& e : report.Entries)
        CliOut(e.Account->AccountName + QLatin1Char('\t') + HealthProblemTexts(e).join(QStringLiteral("; ")) +
               QLatin1Char('\n'));
    return kExitSuccess;
}
} // namespace

const TCliCommand CliAnalyze{
    "analyze",
    "list the accounts whose passwords need attention, worst first: breached, empty, weak (Poor under 40 "
    "bits, Weak under 75, as zxcvbn measures them), reused, old (unchanged for longer than the preference, "
    "a year unless changed); one \"NAME<tab>problems\" line each, after a line of counts",
    "analyze FILE [--breaches LIST] [--json]",
    {{"breaches", "LIST",
      "also look each password up in a breach list on disk: the published SHA-1 list ordered by hash "
      "(\"HASH:COUNT\" lines); nothing is sent anywhere"},
     {"json", nullptr, "print one JSON object instead"}},
    1,
    1,
    run,
};
