// The health analysis: which accounts are weak, reused, old, empty or breached, in what order, how many.
#include "KyvnTest.h"
#include "clsAccount.h"
#include "uBreachList.h"
#include "uHealth.h"

#include <QCryptographicHash>
#include <memory>

namespace {

const QDate kToday(2026, 6, 1);
const QString kStrong = QStringLiteral("(B]x^7Kq:Lz<p2Vd@Mw?");

struct TFixture {
    std::vector<std::unique_ptr<TKYVNAccount>> owned;
    QList<TKYVNAccount*> accounts;
    TKYVNAccount* add(const QString& name, const QString& password, int daysOld = 10, const QString& login = {}) {
        auto a = std::make_unique<TKYVNAccount>();
        a->AccountName = name;
        a->Login = login;
        a->Password = password;
        a->Created = a->Modified = kToday.addDays(-daysOld);
        accounts << a.get();
        owned.push_back(std::move(a));
        return accounts.back();
    }
};

QStringList names(const THealthReport& r) {
    QStringList out;
    for (const THealthEntry& e : r.Entries)
        out << e.Account->AccountName;
    return out;
}

} // namespace

class TestHealth : public QObject {
    Q_OBJECT

private slots:
    void listsWhatNeedsAttentionWorstFirst() {
        TFixture f;
        f.add("Fine", kStrong);
        f.add("Fine but old", "tiger-lamp-ocean-violet-87-Zq", 400);
        f.add("Exactly a year", "another-Good-pass-phrase-19x", 365);
        f.add("Empty", "");
        f.add("Bank", "Tr0ub4dor&3");
        f.add("Mail", "shared-Secret-phrase-2024!x");
        f.add("Shop", "password");
        f.add("Forum", "shared-Secret-phrase-2024!x", 500);
        f.add("Login as password", "jsmith1984", 10, "jsmith");
        f.add("Chat", "shared-Secret-phrase-2024!x");
        f.add("Pair A", "qwertyuiop");
        f.add("Pair B", "qwertyuiop");
        f.add("Case differs", "Shared-Secret-phrase-2024!x");
        f.add("No date", kStrong + "z")->Modified = KyvnDayZero();

        const THealthReport r = AnalyzeHealth(f.accounts, {kToday, 365, nullptr});
        QCOMPARE(r.Accounts, 14);
        QCOMPARE(r.Empty, 1);
        QCOMPARE(r.Reused, 5);
        QCOMPARE(r.ReuseGroups, 2);
        QCOMPARE(r.Old, 2);
        QCOMPARE(r.Breached, 0);
        QVERIFY(!r.BreachesChecked);
        // Poor ones by bits (the login used as password counts as a guess), then the reused groups,
        // largest first and kept together (the oldest first within), then weak, then old.
        QCOMPARE(names(r), (QStringList{"Empty", "Shop", "Login as password", "Pair A", "Pair B", "Forum", "Chat",
                                        "Mail", "Bank", "Fine but old"}));
        for (const THealthEntry& e : r.Entries) {
            if (e.Account->AccountName == "Chat" || e.Account->AccountName == "Forum")
                QCOMPARE(e.ReuseCount, 3);
            if (e.Account->AccountName == "Pair A")
                QCOMPARE(e.ReuseCount, 2);
        }
        const THealthEntry& forum = r.Entries[5];
        QCOMPARE(forum.Problems, unsigned(hpReused | hpOld));
        QCOMPARE(HealthProblemTexts(forum), (QStringList{"Same password in 3 accounts", "Not changed for 500 days"}));
        QCOMPARE(r.Entries[0].Problems, unsigned(hpEmpty));
        QCOMPARE(HealthProblemTexts(r.Entries[1]), QStringList{"Poor, 0 bits"});
        QCOMPARE(HealthProblemTexts(r.Entries[8]).first(), StrengthText(PasswordStrength("Tr0ub4dor&3")));
    }

    void ageLimitIsThePreference_data() {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("old");
        QTest::newRow("a year") << 365 << 1;
        QTest::newRow("a month") << 30 << 2;
        QTest::newRow("ten years") << 3650 << 0;
    }
    void ageLimitIsThePreference() {
        QFETCH(int, limit);
        QFETCH(int, old);
        TFixture f;
        f.add("New", kStrong, 0);
        f.add("Forty days", kStrong + "a", 40);
        f.add("Two years", kStrong + "b", 730);
        QCOMPARE(AnalyzeHealth(f.accounts, {kToday, limit, nullptr}).Old, old);
    }

    void breachedComeFirstWithTheirCounts() {
        TFixture f;
        f.add("Poor", "qwertyuiop");
        f.add("Strong but leaked", kStrong);
        f.add("Leaked twice A", "tiger-lamp-ocean-violet-87");
        f.add("Leaked twice B", "tiger-lamp-ocean-violet-87");
        QTemporaryDir dir;
        QList<QByteArray> lines;
        lines << QCryptographicHash::hash(kStrong.toUtf8(), QCryptographicHash::Sha1).toHex().toUpper() + ":3"
              << QCryptographicHash::hash("tiger-lamp-ocean-violet-87", QCryptographicHash::Sha1).toHex() + ":120"
              << QByteArray("0000000000000000000000000000000000000000:1");
        std::sort(lines.begin(), lines.end(),
                  [](const QByteArray& a, const QByteArray& b) { return a.toUpper() < b.toUpper(); });
        KyvnTest::writeAll(dir.filePath("list.txt"), lines.join('\n') + '\n');
        TBreachList list;
        list.Open(dir.filePath("list.txt"));
        const THealthReport r = AnalyzeHealth(f.accounts, {kToday, 365, &list});
        QVERIFY(r.BreachesChecked);
        QCOMPARE(r.Breached, 3);
        QCOMPARE(names(r), (QStringList{"Leaked twice A", "Leaked twice B", "Strong but leaked", "Poor"}));
        QCOMPARE(r.Entries[0].BreachCount, 120);
        QCOMPARE(HealthProblemTexts(r.Entries[2]), QStringList{"Breached (seen 3 times)"});
    }

    void progressReportsAndStops() {
        TFixture f;
        for (int i = 0; i < 1000; ++i)
            f.add(QString("A%1").arg(i), "password");
        int calls = 0;
        int last = -1;
        const THealthReport full = AnalyzeHealth(f.accounts, {kToday, 365, nullptr}, [&](int done, int total) {
            ++calls;
            last = done;
            return total == 1000;
        });
        QVERIFY(calls > 2);
        QCOMPARE(last, 1000);
        QCOMPARE(full.Entries.size(), 1000);
        QCOMPARE(full.ReuseGroups, 1);
        const THealthReport stopped =
            AnalyzeHealth(f.accounts, {kToday, 365, nullptr}, [](int done, int) { return done < 300; });
        QVERIFY(stopped.Entries.isEmpty());
        QCOMPARE(stopped.Accounts, 0);
    }
};

QTEST_GUILESS_MAIN(TestHealth)
#include "tst_health.moc"
