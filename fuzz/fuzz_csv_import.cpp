// The CSV exports of other programs: any bytes are a table or a refusal that names a line, and every
// account the import makes of a table is one the passwords file can keep.
#include "FuzzSupport.h"

#include "AccountRules.h"
#include "CsvImport.h"
#include "QsExceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KyvnFuzz::ensureApplication();
    TCsvTable table;
    try {
        table = ReadCsv(KyvnFuzz::bytes(data, size));
    } catch (const EQsException& e) {
        KYVN_FUZZ_CHECK(e.Message.startsWith(QLatin1String("Line ")) ||
                        e.Message == QLatin1String("The file is empty."));
        return 0;
    }
    KYVN_FUZZ_CHECK(table.Rows.size() == table.RowLines.size());
    for (const QStringList& row : table.Rows)
        KYVN_FUZZ_CHECK(row.size() == table.Header.size());
    const TImportSource* source = RecognizeImportSource(table.Header);
    const TImportMapping mapping = source ? SourceMapping(*source, table.Header) : GuessMapping(table.Header);
    const std::vector<TImportRow> rows = MapCsvRows(table, mapping, source && source->NameFromWeb, QDate(2020, 1, 1));
    KYVN_FUZZ_CHECK(rows.size() == size_t(table.Rows.size()));
    for (const TImportRow& row : rows) {
        KYVN_FUZZ_CHECK(!row.Account.AccountName.isEmpty());
        const QString* fields[] = {&row.Account.AccountName, &row.Account.Login, &row.Account.Password,
                                   &row.Account.Email,       &row.Account.Web,   &row.Account.Notes};
        for (int f = kfAccountName; f <= kfNotes; ++f)
            KYVN_FUZZ_CHECK(FieldProblem(f, *fields[f]).isEmpty());
        KYVN_FUZZ_CHECK(row.Account.Created.isValid() && row.Account.Modified.isValid());
    }
    return 0;
}
