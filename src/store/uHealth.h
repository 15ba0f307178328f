// The health of a file's passwords: which accounts need attention and why, worst first. Passwords are
// read where the accounts hold them and never copied into the result.
#pragma once

#include "uStrength.h"

#include <QDate>
#include <QList>
#include <QString>

#include <functional>

class TKYVNAccount;
class TBreachList;

// What makes an account need attention, as bits of THealthEntry::Problems.
enum THealthProblem : unsigned {
    hpBreached = 1u << 0, // the password is in the breach list
    hpEmpty = 1u << 1,    // no password at all
    hpWeak = 1u << 2,     // Poor or Weak
    hpReused = 1u << 3,   // the same password as other accounts
    hpOld = 1u << 4,      // not changed for longer than the limit
};

struct THealthEntry {
    TKYVNAccount* Account = nullptr;
    unsigned Problems = 0;
    TPasswordStrength Strength;
    int ReuseGroup = -1; // accounts with the same password share a group number (from 1); -1 none
    int ReuseCount = 0;  // accounts in the group, this one included
    int AgeDays = 0;     // days since the account was last changed
    qint64 BreachCount = 0;
};

struct THealthOptions {
    QDate Today = QDate::currentDate();
    int MaxAgeDays = 365;                  // an account unchanged for longer is old
    const TBreachList* Breaches = nullptr; // checked when set
};

struct THealthReport {
    QList<THealthEntry> Entries; // only the accounts that need attention, worst first
    int Accounts = 0;            // accounts looked at
    int Weak = 0;
    int Reused = 0; // accounts whose password another account shares
    int ReuseGroups = 0;
    int Old = 0;
    int Empty = 0;
    int Breached = 0;
    bool BreachesChecked = false;
};

// Called as the analysis goes, with the accounts done and the total; false stops it (the report is
// then empty).
using THealthProgress = std::function<bool(int done, int total)>;

// Analyses the accounts. Stops early and returns an empty report when progress says so.
THealthReport AnalyzeHealth(const QList<TKYVNAccount*>& accounts, const THealthOptions& options,
                            const THealthProgress& progress = {});

// "14 accounts: 2 breached, 1 empty, 3 weak, 5 reused (2 groups), 2 old", without the breached part when
// no list was searched.
QString HealthCountsText(const THealthReport& report);

// The problems in words, worst first: "Breached (seen 3,861 times)", "Empty", "Poor, 12 bits",
// "Same password in 3 accounts", "Not changed for 400 days".
QStringList HealthProblemTexts(const THealthEntry& entry);
