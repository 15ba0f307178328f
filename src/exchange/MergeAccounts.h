// Joining a second passwords file into the open one, without the wizard around it.
//
// Names compare as the file compares them (the letters a to z folded to A to Z). The look-ups go
// through an index of the folded names that keeps the first account of each name, so they answer as
// TKYVNFile::FindAccount does without searching the whole file for every account.
#pragma once

#include "clsFile.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// The name with the letters a to z mapped to A to Z; every other character as it is.
QString FoldedName(const QString& name);

class TFoldedNameIndex {
public:
    TFoldedNameIndex() = default;
    explicit TFoldedNameIndex(const TKYVNFile& file);
    // Takes the account unless an earlier one of the same folded name is there.
    void Add(TKYVNAccount* account);
    // The first account of that name, as FindAccount gives it, or nullptr.
    TKYVNAccount* Find(const QString& name) const { return accounts_.value(FoldedName(name)); }
    bool Contains(const QString& name) const { return accounts_.contains(FoldedName(name)); }

private:
    QHash<QString, TKYVNAccount*> accounts_;
};

// The names, as the open file spells them, of the open file's accounts that the second file holds too,
// in the open file's order. beforeAccount is called with each position of the open file.
QStringList RepeatedNames(const TKYVNFile& open, const TKYVNFile& second,
                          const std::function<void(int)>& beforeAccount = {});

// The names in the order a person looks for them: the user's collation, letter case ignored.
void SortNamesForDisplay(QStringList& names);

// The import of the accounts of a second file, undoable until the caller keeps it.
//
// For every account of the second file in its order: when the open file holds its name, its account
// takes every field of the second file's account if that name is among the names to replace
// (letter case ignored as above), else stays as it is; when not, the record itself is appended to the
// open file. Until HandOver, the appended records still belong to the second file as well, which
// keeps them; HandOver takes them out of it, so the open file alone owns them.
class TMergeImport {
public:
    TMergeImport(TKYVNFile& open, TKYVNFile& second) : open_(open), second_(second) {}
    // An import neither undone nor handed over is kept: both files must not own the same records.
    ~TMergeImport() { HandOver(); }
    TMergeImport(const TMergeImport&) = delete;
    TMergeImport& operator=(const TMergeImport&) = delete;

    // beforeAccount is called with each position of the second file; whatever it raises ends the run
    // with what was done so far recorded, so that Undo can take it back.
    void Run(const QStringList& namesToReplace, const std::function<void(int)>& beforeAccount = {});
    // The open file as it was before Run: its accounts, their order and their fields. After HandOver
    // the appended records are destroyed; before it they stay with the second file.
    void Undo();
    void HandOver();

    int Added() const { return int(added_.size()); }
    int Replaced() const { return int(replaced_.size()); }

private:
    TKYVNFile& open_;
    TKYVNFile& second_;
    QList<TKYVNAccount*> before_;
    bool started_ = false;
    bool handedOver_ = false;
    std::vector<std::pair<TKYVNAccount*, TKYVNAccount>> replaced_; // the account and its fields before
    std::vector<TKYVNAccount*> added_;
};
