#include "MergeAccounts.h"

#include <QCollator>
#include <QSet>

#include <algorithm>

QString FoldedName(const QString& name) {
    QString folded = name;
    char16_t* p = reinterpret_cast<char16_t*>(folded.data());
    for (qsizetype i = 0; i < folded.size(); ++i)
        if (p[i] >= u'a' && p[i] <= u'z')
            p[i] = char16_t(p[i] - 32);
    return folded;
}

TFoldedNameIndex::TFoldedNameIndex(const TKYVNFile& file) {
    accounts_.reserve(file.AccountCount());
    for (TKYVNAccount* account : file.Accounts)
        Add(account);
}

void TFoldedNameIndex::Add(TKYVNAccount* account) {
    QString key = FoldedName(account->AccountName);
    if (!accounts_.contains(key))
        accounts_.insert(std::move(key), account);
}

QStringList RepeatedNames(const TKYVNFile& open, const TKYVNFile& second,
                          const std::function<void(int)>& beforeAccount) {
    const TFoldedNameIndex index(second);
    QStringList names;
    for (int i = 0; i < open.AccountCount(); ++i) {
        if (beforeAccount)
            beforeAccount(i);
        const QString& name = open.Accounts[i]->AccountName;
        if (index.Contains(name))
            names.append(name);
    }
    return names;
}

void SortNamesForDisplay(QStringList& names) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(size_t(names.size()));
    // Folded first: some collations (the C locale's) make case-sensitive keys whatever they are told.
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(collator.sortKey(names[i].toCaseFolded()), i);
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : names[a.second] < names[b.second];
    });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto& key : keys)
        sorted.append(names[key.second]);
    names = std::move(sorted);
}

void TMergeImport::Run(const QStringList& namesToReplace, const std::function<void(int)>& beforeAccount) {
    if (!started_) {
        before_ = open_.Accounts;
        started_ = true;
    }
    QSet<QString> replace;
    replace.reserve(namesToReplace.size());
    for (const QString& name : namesToReplace)
        replace.insert(FoldedName(name));
    // The index follows the appended accounts too: a name that comes twice in the second file finds the
    // account its first coming added, as FindAccount would.
    TFoldedNameIndex index(open_);
    added_.reserve(size_t(second_.AccountCount()));
    for (int i = 0; i < second_.AccountCount(); ++i) {
        if (beforeAccount)
            beforeAccount(i);
        TKYVNAccount* incoming = second_.Accounts[i];
        if (TKYVNAccount* existing = index.Find(incoming->AccountName)) {
            if (replace.contains(FoldedName(incoming->AccountName))) {
                replaced_.emplace_back(existing, *existing);
                *existing = *incoming;
            }
        } else {
            open_.AddAccount(incoming);
            added_.push_back(incoming);
            index.Add(incoming);
        }
    }
}

void TMergeImport::Undo() {
    if (!started_)
        return;
    // Back to front, so an account replaced twice gets its first state back.
    for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it)
        *it->first = it->second;
    replaced_.clear();
    open_.Accounts = before_;
    if (handedOver_)
        for (TKYVNAccount* account : added_)
            delete account;
    added_.clear();
}

void TMergeImport::HandOver() {
    if (handedOver_ || added_.empty()) {
        handedOver_ = true;
        return;
    }
    const QSet<TKYVNAccount*> moved(added_.begin(), added_.end());
    QList<TKYVNAccount*> kept;
    kept.reserve(second_.AccountCount() - qsizetype(added_.size()));
    for (TKYVNAccount* account : second_.Accounts)
        if (!moved.contains(account))
            kept.append(account);
    second_.Accounts = std::move(kept);
    handedOver_ = true;
}
