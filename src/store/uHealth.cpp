#include "uHealth.h"

#include "clsAccount.h"
#include "uBreachList.h"

#include <QLocale>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

// How bad the worst problem is: the lower, the sooner the account is listed.
int rank(const THealthEntry& e) {
    if (e.Problems & hpBreached)
        return 0;
    if (e.Problems & hpEmpty)
        return 1;
    if ((e.Problems & hpWeak) && e.Strength.Band == TStrengthBand::Poor)
        return 2;
    if (e.Problems & hpReused)
        return 3;
    if (e.Problems & hpWeak)
        return 4;
    return 5;
}

bool worseFirst(const THealthEntry& a, const THealthEntry& b) {
    const int ra = rank(a);
    const int rb = rank(b);
    if (ra != rb)
        return ra < rb;
    if (a.BreachCount != b.BreachCount)
        return a.BreachCount > b.BreachCount;
    if (a.Strength.Bits != b.Strength.Bits)
        return a.Strength.Bits < b.Strength.Bits;
    // The accounts of one group share their password, so they stay side by side.
    if (a.ReuseCount != b.ReuseCount)
        return a.ReuseCount > b.ReuseCount;
    if (a.ReuseGroup != b.ReuseGroup)
        return a.ReuseGroup < b.ReuseGroup;
    if (a.AgeDays != b.AgeDays)
        return a.AgeDays > b.AgeDays;
    return QString::compare(a.Account->AccountName, b.Account->AccountName, Qt::CaseInsensitive) < 0;
}

} // namespace

THealthReport AnalyzeHealth(const QList<TKYVNAccount*>& accounts, const THealthOptions& options,
                            const THealthProgress& progress) {
    THealthReport report;
    const int total = int(accounts.size());
    report.Accounts = total;
    report.BreachesChecked = options.Breaches && options.Breaches->IsOpen();
    std::vector<THealthEntry> entries(static_cast<size_t>(total));

    // Reuse: the accounts sorted by password, compared in place; equal neighbours form a group.
    std::vector<int> order(static_cast<size_t>(total));
    std::iota(order.begin(), order.end(), 0);
    std::erase_if(order, [&](int i) { return accounts[i]->Password.isEmpty(); });
    std::sort(order.begin(), order.end(), [&](int a, int b) { return accounts[a]->Password < accounts[b]->Password; });
    for (size_t first = 0; first < order.size();) {
        size_t last = first + 1;
        while (last < order.size() && accounts[order[last]]->Password == accounts[order[first]]->Password)
            ++last;
        if (last - first > 1) {
            ++report.ReuseGroups;
            for (size_t k = first; k < last; ++k) {
                THealthEntry& e = entries[size_t(order[k])];
                e.Problems |= hpReused;
                e.ReuseGroup = report.ReuseGroups;
                e.ReuseCount = int(last - first);
            }
        }
        first = last;
    }

    constexpr int ProgressStep = 256;
    for (int i = 0; i < total; ++i) {
        if (progress && i % ProgressStep == 0 && !progress(i, total))
            return {};
        const TKYVNAccount& account = *accounts[i];
        THealthEntry& e = entries[size_t(i)];
        e.Account = accounts[i];
        if (account.Password.isEmpty()) {
            e.Problems |= hpEmpty;
        } else {
            e.Strength = PasswordStrength(account.Password, StrengthUserWords(account));
            if (e.Strength.IsWeak())
                e.Problems |= hpWeak;
            if (report.BreachesChecked) {
                e.BreachCount = options.Breaches->CountOfPassword(account.Password);
                if (e.BreachCount > 0)
                    e.Problems |= hpBreached;
            }
        }
        // An account that never got a date (day zero) has no age to speak of.
        if (account.Modified.isValid() && account.Modified > KyvnDayZero()) {
            e.AgeDays = int(account.Modified.daysTo(options.Today));
            if (e.AgeDays > options.MaxAgeDays)
                e.Problems |= hpOld;
        }
    }
    if (progress && !progress(total, total))
        return {};

    for (THealthEntry& e : entries) {
        if (e.Problems == 0)
            continue;
        report.Weak += (e.Problems & hpWeak) ? 1 : 0;
        report.Reused += (e.Problems & hpReused) ? 1 : 0;
        report.Old += (e.Problems & hpOld) ? 1 : 0;
        report.Empty += (e.Problems & hpEmpty) ? 1 : 0;
        report.Breached += (e.Problems & hpBreached) ? 1 : 0;
        report.Entries.append(e);
    }
    std::stable_sort(report.Entries.begin(), report.Entries.end(), worseFirst);
    return report;
}

QStringList HealthProblemTexts(const THealthEntry& e) {
    QStringList texts;
    const QLocale locale;
    if (e.Problems & hpBreached)
        texts << QStringLiteral("Breached (seen %1 times)").arg(locale.toString(e.BreachCount));
    if (e.Problems & hpEmpty)
        texts << QStringLiteral("Empty");
    if (e.Problems & hpWeak)
        texts << StrengthText(e.Strength);
    if (e.Problems & hpReused)
        texts << QStringLiteral("Same password in %1 accounts").arg(e.ReuseCount);
    if (e.Problems & hpOld)
        texts << QStringLiteral("Not changed for %1 days").arg(e.AgeDays);
    return texts;
}

QString HealthCountsText(const THealthReport& r) {
    QStringList parts;
    if (r.BreachesChecked)
        parts << QStringLiteral("%1 breached").arg(r.Breached);
    parts << QStringLiteral("%1 empty").arg(r.Empty) << QStringLiteral("%1 weak").arg(r.Weak)
          << QStringLiteral("%1 reused (%2 %3)")
                 .arg(r.Reused)
                 .arg(r.ReuseGroups)
                 .arg(r.ReuseGroups == 1 ? QStringLiteral("group") : QStringLiteral("groups"))
          << QStringLiteral("%1 old").arg(r.Old);
    return QStringLiteral("%1 %2: %3")
        .arg(r.Accounts)
        .arg(r.Accounts == 1 ? QStringLiteral("account") : QStringLiteral("accounts"))
        .arg(parts.join(QStringLiteral(", ")));
}
