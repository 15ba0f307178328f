// The CSV import without the wizard: the reader, the sources and their mappings, values made storable,
// repeated names, the round trip with the export and the undo of a failed import. The export files of
// the other programs are written here by Python's csv module, the traps of each included.
#include "CsvImport.h"
#include "CsvReader.h"
#include "CsvWriter.h"
#include "ImportSources.h"
#include "KyvnTest.h"
#include "QsExceptions.h"
#include "clsFile.h"

#include <QProcess>
#include <QRandomGenerator>

#include <unistd.h>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

// Writes one export per source into the folder given, from the same five logins: a comma, quotes, ' and
// # and a line break inside values; accents and an emoji; an empty password; a row without a name; a
// name repeated in the file. Each source in its own form (BOM, UTF-16, Windows-1252, semicolons).
const char* kWriter = R"PY(
import csv, os, sys
out = sys.argv[1]
rows = [
    dict(name='Bank', login='jsmith', password='p\'a#ss,"w"', url='https://bank.example/login',
         notes='line1\nline2 it\'s #1'),
    dict(name='Café ☕', login='zoë', password='', url='https://cafe.example', notes=''),
    dict(name='', login='anon', password='x', url='https://noname.example/path', notes=''),
    dict(name='Mail', login='a@mail.example', password='1', url='https://mail.example', notes=''),
    dict(name='Mail', login='b@mail.example', password='2', url='https://mail.example', notes=''),
]
def write(name, header, conv, encoding='utf-8', delimiter=','):
    with open(os.path.join(out, name + '.csv'), 'w', newline='', encoding=encoding) as f:
        w = csv.writer(f, delimiter=delimiter)
        w.writerow(header)
        for r in rows:
            if encoding == 'cp1252':
                r = {k: v.replace(' ☕', '') for k, v in r.items()}
            w.writerow(conv(r))
noon = '1614859200000'  # 2021-03-04 12:00 UTC
write('chromium', ['name', 'url', 'username', 'password', 'note'],
      lambda r: [r['name'], r['url'], r['login'], r['password'], r['notes']])
write('firefox', ['url', 'username', 'password', 'httpRealm', 'formActionOrigin', 'guid', 'timeCreated',
                  'timeLastUsed', 'timePasswordChanged'],
      lambda r: [r['url'], r['login'], r['password'], '', r['url'], '{guid-1}', noon, noon, noon],
      encoding='utf-8-sig')
write('safari', ['Title', 'URL', 'Username', 'Password', 'Notes', 'OTPAuth'],
      lambda r: [r['name'], r['url'], r['login'], r['password'], r['notes'], ''])
write('bitwarden', ['folder', 'favorite', 'type', 'name', 'notes', 'fields', 'reprompt', 'login_uri',
                    'login_username', 'login_password', 'login_totp'],
      lambda r: ['Work', '', 'login', r['name'], r['notes'], '', '1' if r['name'] == 'Bank' else '0', r['url'],
                 r['login'], r['password'], ''])
write('keepassxc', ['Group', 'Title', 'Username', 'Password', 'URL', 'Notes', 'TOTP', 'Icon', 'Last Modified',
                    'Created'],
      lambda r: ['Root', r['name'], r['login'], r['password'], r['url'], r['notes'], 'otpauth://x', '0',
                 '2022-05-06T07:08:09Z', '2021-03-04T12:00:00Z'])
write('1password', ['Title', 'Url', 'Username', 'Password', 'OTPAuth', 'Favorite', 'Archived', 'Tags', 'Notes'],
      lambda r: [r['name'], r['url'], r['login'], r['password'], '', 'false', 'false', 'home', r['notes']],
      encoding='utf-16')
write('lastpass', ['url', 'username', 'password', 'totp', 'extra', 'name', 'grouping', 'fav'],
      lambda r: [r['url'], r['login'], r['password'], '', r['notes'], r['name'], 'Shopping', '0'],
      encoding='cp1252')
write('keyvane', ['Account Name', 'Login', 'Password', 'Email', 'Web', 'Notes', 'Protected'],
      lambda r: [r['name'], r['login'], r['password'], '', r['url'], r['notes'], 'False'],
      delimiter=';')
)PY";

std::unique_ptr<TKYVNFile> openFileWith(const QStringList& names) {
    auto file = std::make_unique<TKYVNFile>();
    for (const QString& n : names) {
        auto* a = new TKYVNAccount;
        a->AccountName = n;
        a->Password = QStringLiteral("old");
        file->AddAccount(a);
    }
    return file;
}

QStringList namesOf(const TKYVNFile& file) {
    QStringList names;
    for (const TKYVNAccount* a : file.Accounts)
        names.append(a->AccountName);
    return names;
}

} // namespace

class TestCsvImport : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase() {
        QProcess p;
        p.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kWriter), dir.path()});
        QVERIFY(p.waitForFinished(-1));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
    }

    void readerRecords_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected"); // rows joined by "|", values by "/"
        QTest::addColumn<QString>("delimiter");
        QTest::newRow("quotes, commas, line breaks inside")
            << QByteArray("a,b\r\n\"x,1\",\"say \"\"hi\"\"\r\nnext\"\r\n") << "x,1/say \"hi\"\r\nnext"
            << ",";
        QTest::newRow("LF only, no final break, empty values") << QByteArray("a,b,c\n1,,3\n,,") << "1//3|//"
                                                               << ",";
        QTest::newRow("semicolons") << QByteArray("a;b\n\"1;2\";3\n") << "1;2/3"
                                    << ";";
        QTest::newRow("tabs") << QByteArray("a\tb\n1,2\t3\n") << "1,2/3"
                              << "\t";
        QTest::newRow("blank lines skipped") << QByteArray("a,b\n\n1,2\n\n") << "1/2"
                                             << ",";
        QTest::newRow("short row padded") << QByteArray("a,b,c\n1\n") << "1//"
                                          << ",";
        QTest::newRow("trailing delimiter") << QByteArray("a,b\n1,2,\n") << "1/2"
                                            << ",";
        QTest::newRow("BOM") << QByteArray("\xEF\xBB\xBF"
                                           "a\n\xC3\xA9t\xC3\xA9\n")
                             << QString::fromUtf8("été") << ",";
        QTest::newRow("Windows-1252 line among UTF-8")
            << QByteArray("a,b\n\xC3\xA9,1\n\xE9\x80,2\n") << QString::fromUtf8("é/1|é€/2") << ",";
        QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE"
                                                 "a\0\n\0\x60\x22\n\0",
                                                 10)
                                   << QString::fromUtf8("≠") << ",";
    }
    void readerRecords() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QFETCH(QString, delimiter);
        const TCsvTable table = ReadCsv(bytes);
        QStringList rows;
        for (const QStringList& r : table.Rows)
            rows.append(r.join(QLatin1Char('/')));
        QCOMPARE(rows.join(QLatin1Char('|')), expected);
        QCOMPARE(QString(table.Delimiter), delimiter);
    }

    // A record that cannot be read is refused with the line where it starts or goes wrong.
    void malformedRecords_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("quote never closed") << QByteArray("a,b\n1,2\n3,\"open\n4,5\n6,7\n")
                                            << "Line 3: a quoted value is not closed (its closing double quote is "
                                               "missing).";
        QTest::newRow("text after the closing quote")
            << QByteArray("a,b\n\"x\ny\"z,1\n") << "Line 3: a value goes on after its closing double quote.";
        QTest::newRow("more values than columns") << QByteArray("a,b\n1,2\n\"multi\nline\",2\n1,2,3\n")
                                                  << "Line 5: 3 values, but the header line names 2 columns.";
        QTest::newRow("empty") << QByteArray("") << "The file is empty.";
    }
    void malformedRecords() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        try {
            ReadCsv(bytes);
            QFAIL("read");
        } catch (const EQsException& e) {
            QCOMPARE(e.Message, message);
        }
    }

    // Every source's export, recognised by its header and imported with nothing lost.
    void sources_data() {
        QTest::addColumn<QString>("source");
        for (const TImportSource& s : ImportSources())
            QTest::newRow(s.Id) << QString::fromLatin1(s.Id);
    }
    void sources() {
        QFETCH(QString, source);
        const TCsvTable table = ReadCsvFile(dir.filePath(source + ".csv"));
        const TImportSource* recognised = RecognizeImportSource(table.Header);
        QVERIFY(recognised);
        QCOMPARE(QString::fromLatin1(recognised->Id), source);
        const bool firefox = source == QLatin1String("firefox");
        const bool cp1252 = source == QLatin1String("lastpass");
        const bool withNotes = !firefox;

        auto open = openFileWith({firefox ? "Bank.Example" : "bank"});
        const QString summary = ImportCsvRows(*open, table, *recognised, TRepeatChoice::KeepBoth);
        const QString cafe = cp1252 ? QStringLiteral("Café") : QStringLiteral("Café ☕");
        const QStringList expected = firefox
                                         ? QStringList{"Bank.Example",   "bank.example (2)", "cafe.example",
                                                       "noname.example", "mail.example",     "mail.example (2)"}
                                         : QStringList{"bank", "Bank (2)", cafe, "noname.example", "Mail", "Mail (2)"};
        QCOMPARE(namesOf(*open), expected);
        QCOMPARE(open->GetAccount(0)->Password, QStringLiteral("old")); // the open file's account is untouched

        const TKYVNAccount* bank = open->GetAccount(1);
        QCOMPARE(bank->Login, QStringLiteral("jsmith"));
        QCOMPARE(bank->Password, QStringLiteral("p'a#ss,\"w\""));
        QCOMPARE(bank->Web, QStringLiteral("https://bank.example/login"));
        if (withNotes)
            QVERIFY2(bank->Notes.startsWith(QStringLiteral("line1\r\nline2 it\u2019s \uFF031")),
                     qPrintable(bank->Notes));
        QCOMPARE(open->GetAccount(2)->Login, QStringLiteral("zoë"));
        QCOMPARE(open->GetAccount(2)->Password, QString());
        QCOMPARE(open->GetAccount(5)->Login, QStringLiteral("b@mail.example"));
        for (const TKYVNAccount* a : open->Accounts)
            QVERIFY(!a->Notes.contains(QLatin1Char('\'')) && !a->Notes.contains(QLatin1Char('#')));

        // What each source carries beyond the fields, kept in the notes or in the flags and dates.
        if (source == QLatin1String("bitwarden")) {
            QVERIFY(bank->Protected);
            QVERIFY(!open->GetAccount(2)->Protected);
            QVERIFY(bank->Notes.endsWith(QStringLiteral("\r\nFolder: Work")));
            QVERIFY(!bank->Notes.contains(QStringLiteral("Type:")));
        }
        if (source == QLatin1String("keepassxc")) {
            QCOMPARE(bank->Created, QDate(2021, 3, 4));
            QCOMPARE(bank->Modified, QDate(2022, 5, 6));
            QVERIFY(bank->Notes.contains(QStringLiteral("Group: Root\r\nOne-time password: otpauth://x")));
            QVERIFY(!bank->Notes.contains(QStringLiteral("Icon")));
        }
        if (firefox) {
            QCOMPARE(bank->Created, QDate(2021, 3, 4));
            QCOMPARE(bank->Modified, QDate(2021, 3, 4));
            QVERIFY(bank->Notes.contains(QStringLiteral("Firefox ID: {guid-1}")));
        }
        if (source == QLatin1String("lastpass"))
            QVERIFY(bank->Notes.endsWith(QStringLiteral("Group: Shopping")));
        if (source == QLatin1String("1password"))
            QVERIFY(bank->Notes.endsWith(QStringLiteral("Tags: home")));
        // The notes of the first row, and for named sources the made-up name, are the changed values.
        const int changed = firefox ? 0 : 2;
        QCOMPARE(summary, QStringLiteral("Imported 5 accounts from %1; 2 names repeated, kept both; %2 values changed")
                              .arg(QLatin1String(recognised->Article))
                              .arg(changed));
    }

    void repeatedNameChoices_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("logins");
        QTest::newRow("keep both") << int(TRepeatChoice::KeepBoth)
                                   << QStringList{"bank", "Other", "Bank (2)", "Mail", "Mail (2)", "MAIL (3)"}
                                   << QStringList{"o", "", "n1", "m1", "m2", "m3"};
        QTest::newRow("replace") << int(TRepeatChoice::Replace) << QStringList{"Bank", "Other", "MAIL"}
                                 << QStringList{"n1", "", "m3"};
        QTest::newRow("skip") << int(TRepeatChoice::Skip) << QStringList{"bank", "Other", "Mail"}
                              << QStringList{"o", "", "m1"};
    }
    void repeatedNameChoices() {
        QFETCH(int, choice);
        QFETCH(QStringList, names);
        QFETCH(QStringList, logins);
        auto open = openFileWith({"bank", "Other"});
        open->GetAccount(0)->Login = QStringLiteral("o");
        const TCsvTable table = ReadCsv("name,login\nBank,n1\nMail,m1\nMail,m2\nMAIL,m3\n");
        TImportMapping mapping = GuessMapping(table.Header);
        std::vector<TImportRow> rows = MapCsvRows(table, mapping, false, QDate(2020, 1, 1));
        QList<TRepeatedName> repeated = FindRepeatedNames(rows, *open);
        QCOMPARE(repeated.size(), 2);
        QCOMPARE(repeated[0].Name, QStringLiteral("Bank"));
        QVERIFY(repeated[0].InOpenFile);
        QCOMPARE(repeated[1].InFile, 3);
        for (TRepeatedName& r : repeated)
            r.Choice = TRepeatChoice(choice);
        TCsvImport import(*open);
        import.Run(rows, repeated);
        import.HandOver();
        QCOMPARE(namesOf(*open), names);
        QStringList seen;
        for (const TKYVNAccount* a : open->Accounts)
            seen.append(a->Login);
        QCOMPARE(seen, logins);
    }

    // A failure half way (here the progress callback) leaves the open file as it was, records and fields.
    void failedImportIsUndone() {
        auto open = openFileWith({"A", "B"});
        const QList<TKYVNAccount*> before = open->Accounts;
        QByteArray csv = "name,password\nb,new\n";
        for (int i = 0; i < 100; ++i)
            csv += "n" + QByteArray::number(i) + ",p\n";
        const TCsvTable table = ReadCsv(csv);
        std::vector<TImportRow> rows = MapCsvRows(table, GuessMapping(table.Header), false, QDate(2020, 1, 1));
        QList<TRepeatedName> repeated = FindRepeatedNames(rows, *open);
        repeated[0].Choice = TRepeatChoice::Replace;
        TCsvImport import(*open);
        import.Run(rows, repeated);
        QCOMPARE(open->AccountCount(), 102);
        QCOMPARE(open->GetAccount(1)->Password, QStringLiteral("new"));
        import.Undo();
        QCOMPARE(open->Accounts, before);
        QCOMPARE(open->GetAccount(1)->Password, QStringLiteral("old"));
        QCOMPARE(open->GetAccount(1)->AccountName, QStringLiteral("B"));

        TCsvImport stopped(*open);
        std::vector<TImportRow> again = MapCsvRows(table, GuessMapping(table.Header), false, QDate(2020, 1, 1));
        QVERIFY_THROWS_EXCEPTION(EQsException, stopped.Run(again, repeated, [](int i) {
            if (i == 50)
                throw EQsException(QStringLiteral("stop"));
        }));
        stopped.Undo();
        QCOMPARE(open->Accounts, before);
    }

    // Values made storable, each change visible.
    void storableValues() {
        // The whole literal, NUL inside it included, without its terminating NUL.
        static const char csv[] = "name,password,notes\n\"two\nlines\",\"a\r\nb\",\"it's #1\"\n"
                                  "plain,x\0y,ok\n";
        const TCsvTable table = ReadCsv(QByteArray(csv, sizeof csv - 1));
        std::vector<TImportRow> rows = MapCsvRows(table, GuessMapping(table.Header), false, QDate(2020, 1, 1));
        QCOMPARE(rows[0].Account.AccountName, QStringLiteral("two lines"));
        QCOMPARE(rows[0].Account.Password, QStringLiteral("a b"));
        QCOMPARE(rows[0].Account.Notes, QStringLiteral("it\u2019s \uFF031"));
        QCOMPARE(rows[0].ChangedCount(), 3);
        QVERIFY(!ImportChangeReason(rows[0], kfNotes).isEmpty());
        QCOMPARE(rows[1].Account.Password, QStringLiteral("xy"));
        QCOMPARE(rows[1].ChangedCount(), 1);
        QCOMPARE(rows[1].Line, 5); // the first row spans lines 2 to 4

        // A name of NUL characters alone is no name: it is made from the address, never left empty.
        const TCsvTable nuls = ReadCsv(QByteArray("name,url\n\0\0,https://x.example/a\n", 32));
        const std::vector<TImportRow> named = MapCsvRows(nuls, GuessMapping(nuls.Header), false, QDate(2020, 1, 1));
        QCOMPARE(named[0].Account.AccountName, QStringLiteral("x.example"));
    }

    // What the text export writes, the import reads back as the same accounts.
    void exportThenImportRoundTrips() {
        TKYVNFile source;
        auto* rng = QRandomGenerator::global();
        const QString alphabet = QStringLiteral("abcXYZ019 ,;\"'#éü☕\t-_/:@");
        auto text = [&](int n) {
            QString s;
            for (int i = 0; i < n; ++i)
                s += alphabet.at(rng->bounded(int(alphabet.size())));
            return s.trimmed();
        };
        for (int i = 0; i < 1000; ++i) {
            auto* a = new TKYVNAccount;
            a->AccountName = QStringLiteral("Acc %1 ").arg(i) + text(8);
            a->Login = text(10);
            a->Password = text(20);
            a->Email = text(12);
            a->Web = text(15);
            a->Notes = text(10) + QStringLiteral("\r\n") + text(10).remove(u'\'').remove(u'#');
            a->Notes.remove(u'\'').remove(u'#');
            a->Protected = rng->bounded(2) == 1;
            a->Created = QDate(1990, 1, 1).addDays(rng->bounded(20000));
            a->Modified = a->Created.addDays(rng->bounded(300));
            source.AddAccount(a);
        }
        QStringList captions;
        for (int f = 0; f < KyvnFieldCount; ++f)
            captions.append(KyvnFieldCaption(f));
        const TCsvTable table = ReadCsv(CsvExport(source, captions));
        const TImportSource* recognised = RecognizeImportSource(table.Header);
        QVERIFY(recognised);
        QCOMPARE(QString::fromLatin1(recognised->Id), QStringLiteral("keyvane"));
        TKYVNFile target;
        QCOMPARE(ImportCsvRows(target, table, *recognised, TRepeatChoice::KeepBoth),
                 QStringLiteral("Imported 1000 accounts from a Keyvane export; 0 values changed"));
        QCOMPARE(target.AccountCount(), 1000);
        for (int i = 0; i < 1000; ++i) {
            const TKYVNAccount& a = *source.GetAccount(i);
            const TKYVNAccount& b = *target.GetAccount(i);
            QCOMPARE(b.AccountName, a.AccountName);
            QCOMPARE(b.Login, a.Login);
            QCOMPARE(b.Password, a.Password);
            QCOMPARE(b.Email, a.Email);
            QCOMPARE(b.Web, a.Web);
            QCOMPARE(b.Notes, a.Notes);
            QCOMPARE(b.Protected, a.Protected);
            QCOMPARE(b.Created, a.Created);
            QCOMPARE(b.Modified, a.Modified);
        }
    }

    void deletingTheExportOverwritesIt() {
        const QString path = dir.filePath("secret.csv");
        KyvnTest::writeAll(path, QByteArray(100000, 'p'));
        const QString link = dir.filePath("link.csv");
        QVERIFY(QFile::link(path, link));
        OverwriteAndRemove(link); // the link goes, never what it points to
        QCOMPARE(KyvnTest::readAll(path), QByteArray(100000, 'p'));
        QVERIFY(!QFileInfo(link).isSymLink());
        // A hard link keeps the inode alive after the removal, so the overwrite can be seen.
        const QString keep = dir.filePath("keep.csv");
        QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(keep).constData()) == 0);
        OverwriteAndRemove(path);
        QVERIFY(!QFile::exists(path));
        QCOMPARE(KyvnTest::readAll(keep), QByteArray(100000, '\0'));
    }
};

QTEST_GUILESS_MAIN(TestCsvImport)
#include "tst_csvimport.moc"
