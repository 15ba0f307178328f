// The import of a CSV export into the open passwords file, without the wizard around it (the wizard
// and keyvane-cli share it).
//
// Each row becomes one account through the column mapping. A row without a name is named after the
// host of its web address (else its login, its e-mail address). Values the file cannot hold are made
// storable (AccountRules) and every such change is recorded, so that it can be shown. Names repeated
// within the file or against the open file are settled per name: keep both (the later one named
// "Name (2)"), replace (the later row's account takes the name), or skip (the first one stays).
#pragma once

#include "CsvReader.h"
#include "ImportSources.h"
#include "MergeAccounts.h"
#include "clsAccount.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TKYVNFile;

// One account as it will be stored, the line it came from and which of its values were changed.
struct TImportRow {
    enum : unsigned { NameMadeUp = 1u << 10 };
    TKYVNAccount Account;
    int Line = 0;
    unsigned Changed = 0; // bit (1 << field) for each text field changed to be storable; NameMadeUp
    bool FieldChanged(int field) const { return Changed & (1u << field); }
    // The values changed to be storable (a made-up name counts once).
    int ChangedCount() const;
};

// Why a value of the field was changed, for the preview.
QString ImportChangeReason(const TImportRow& row, int field);

// The accounts the rows give under the mapping; dates that the file does not give are today.
// beforeRow is called with each row's position (it may raise to stop).
std::vector<TImportRow> MapCsvRows(const TCsvTable& table, const TImportMapping& mapping, bool nameFromWeb,
                                   const QDate& today, const std::function<void(int)>& beforeRow = {});
// A date as exports write them: milliseconds or seconds since 1970, ISO 8601, the locale's short or
// long date, or DDMMYYYY. Invalid when it is none of them.
QDate ImportDate(const QString& text);

enum class TRepeatChoice { KeepBoth, Replace, Skip };
struct TRepeatedName {
    QString Name;            // as the first row spells it
    int InFile = 0;          // rows of the file that carry it
    bool InOpenFile = false; // the open file has an account of that name
    TRepeatChoice Choice = TRepeatChoice::KeepBoth;
};
// The names that come more than once in the rows, or that the open file holds too, in display order.
QList<TRepeatedName> FindRepeatedNames(const std::vector<TImportRow>& rows, const TKYVNFile& open);
// "keep-both", "replace", "skip" and back; false for another text.
bool RepeatChoiceFromText(const QString& text, TRepeatChoice& choice);

// The import, undoable until the caller keeps it (HandOver).
class TCsvImport {
public:
    explicit TCsvImport(TKYVNFile& open);
    ~TCsvImport();
    TCsvImport(const TCsvImport&) = delete;
    TCsvImport& operator=(const TCsvImport&) = delete;

    // Adds the rows' accounts, settling repeated names by choices (a name not listed: keep both).
    // beforeRow is called with each row's position; whatever it raises ends the run, which Undo takes
    // back. The rows are moved from.
    void Run(std::vector<TImportRow>& rows, const QList<TRepeatedName>& choices,
             const std::function<void(int)>& beforeRow = {});
    void Undo();
    void HandOver();

    int Imported() const { return added_ + replaced_; }
    int Added() const { return added_; }
    int Renamed() const { return renamed_; }
    int Replaced() const { return replaced_; }
    int Skipped() const { return skipped_; }
    int ChangedValues() const { return changed_; }

private:
    TKYVNFile& open_;
    std::unique_ptr<TKYVNFile> incoming_;
    std::unique_ptr<TMergeImport> merge_;
    int added_ = 0, renamed_ = 0, replaced_ = 0, skipped_ = 0, changed_ = 0;
};

// "Imported 120 accounts from a Firefox export; 2 names repeated, kept both; 3 values changed".
QString ImportSummary(const TCsvImport& import, const QString& sourceArticle, const QList<TRepeatedName>& repeated);

// Overwrites the file's bytes with zeros, flushes them to the disk and removes the file. Best effort:
// a copy-on-write file system or an SSD may keep the old blocks. Raises EQsException when the file
// cannot be removed.
void OverwriteAndRemove(const QString& path);

// keyvane-cli's way: the source named by fromId (its required columns must be there), or else the one
// the header names. Raises EQsException naming the known sources.
const TImportSource& PickImportSource(const TCsvTable& table, const QString& fromId);
// Imports every row into file, every repeated name settled by choice; gives the summary. On a failure
// the file is as it was.
QString ImportCsvRows(TKYVNFile& file, const TCsvTable& table, const TImportSource& source, TRepeatChoice choice);
