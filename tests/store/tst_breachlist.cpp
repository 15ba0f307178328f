// The breach list: binary search over a sorted "HASH:COUNT" file, whatever the letter case and line ends.
#include "KyvnTest.h"
#include "QsExceptions.h"
#include "uBreachList.h"

#include <QCryptographicHash>

#include <algorithm>

namespace {

QByteArray sha1(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Sha1);
}

// The digest one above or below (as a 160-bit number): a hash that sorts right next to the given one.
QByteArray neighbour(QByteArray digest, int step) {
    for (int i = int(digest.size()) - 1; i >= 0; --i) {
        const int byte = quint8(digest[i]) + step;
        digest[i] = char(byte & 0xFF);
        if (byte >= 0 && byte <= 0xFF)
            break;
    }
    return digest;
}

struct TEntry {
    QByteArray Digest;
    QByteArray Password;
    qint64 Count;
};

// A few thousand breached passwords, sorted by hash; odd lines in lower case, every fifth in mixed case.
std::vector<TEntry> breachedPasswords() {
    std::vector<TEntry> entries;
    for (int i = 0; i < 3000; ++i) {
        const QByteArray password = "leaked-" + QByteArray::number(i);
        entries.push_back({sha1(password), password, qint64(i) * 7919 + 1});
    }
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.Digest < b.Digest; });
    return entries;
}

QByteArray listText(const std::vector<TEntry>& entries, const QByteArray& lineEnd, bool finalLineEnd) {
    QByteArray text;
    for (size_t i = 0; i < entries.size(); ++i) {
        QByteArray hex = entries[i].Digest.toHex().toUpper();
        if (i % 2 == 1)
            hex = hex.toLower();
        if (i % 5 == 0)
            for (int k = 0; k < hex.size(); k += 2)
                hex[k] = char(std::tolower(hex[k]));
        text += hex + ':' + QByteArray::number(entries[i].Count);
        if (i + 1 < entries.size() || finalLineEnd)
            text += lineEnd;
    }
    return text;
}

} // namespace

class TestBreachList : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void findsHitsAndMisses_data() {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::addColumn<bool>("finalLineEnd");
        QTest::newRow("LF") << QByteArray("\n") << true;
        QTest::newRow("CR LF") << QByteArray("\r\n") << true;
        QTest::newRow("LF, none after the last line") << QByteArray("\n") << false;
        QTest::newRow("CR LF, none after the last line") << QByteArray("\r\n") << false;
    }
    void findsHitsAndMisses() {
        QFETCH(QByteArray, lineEnd);
        QFETCH(bool, finalLineEnd);
        const std::vector<TEntry> entries = breachedPasswords();
        const QString path = dir_.filePath("list.txt");
        KyvnTest::writeAll(path, listText(entries, lineEnd, finalLineEnd));
        TBreachList list;
        list.Open(path);
        QVERIFY(list.IsOpen());

        // Every line is found, the first and the last included, each with its own count.
        for (const TEntry& e : entries)
            QCOMPARE(list.Count(e.Digest), e.Count);
        QCOMPARE(list.CountOfPassword(QString::fromLatin1(entries.front().Password)), entries.front().Count);
        QCOMPARE(list.CountOfPassword(QString::fromLatin1(entries.back().Password)), entries.back().Count);
        QCOMPARE(list.CountOfPassword(QString::fromLatin1(entries[1500].Password)), entries[1500].Count);

        // Hashes right beside a listed one are not listed; nor are those before the first or after the last.
        for (size_t i : {size_t(0), size_t(1), size_t(777), size_t(1500), entries.size() - 2, entries.size() - 1}) {
            QCOMPARE(list.Count(neighbour(entries[i].Digest, -1)), 0);
            QCOMPARE(list.Count(neighbour(entries[i].Digest, +1)), 0);
        }
        QCOMPARE(list.Count(QByteArray(20, '\0')), 0);
        QCOMPARE(list.Count(QByteArray(20, '\xFF')), 0);
        QCOMPARE(list.CountOfPassword("never leaked anywhere"), 0);
        QCOMPARE(list.CountOfPassword(QString()), 0);
        QCOMPARE(list.Count(QByteArray("short")), 0);
    }

    void oneLineList() {
        const QString path = dir_.filePath("one.txt");
        KyvnTest::writeAll(path, sha1("hunter2").toHex() + ":17\n");
        TBreachList list;
        list.Open(path);
        QCOMPARE(list.CountOfPassword("hunter2"), 17);
        QCOMPARE(list.CountOfPassword("hunter3"), 0);
    }

    // A list that cannot be searched says so rather than reporting every password as safe.
    void refusesWhatItCannotSearch_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        std::vector<TEntry> entries = breachedPasswords();
        const QByteArray sorted = listText(entries, "\n", true);
        std::reverse(entries.begin(), entries.end());
        QTest::newRow("ordered by count") << listText(entries, "\n", true) << "is not sorted by hash";
        QTest::newRow("empty") << QByteArray() << "is not a breach list";
        QTest::newRow("NTLM hashes") << QByteArray("8846F7EAEE8FB117AD06BDD830B7586C:12\n")
                                     << "is not a list of SHA-1 password hashes";
        QTest::newRow("plain words") << QByteArray("password\n123456\n") << "is not a list of SHA-1 password hashes";
        QTest::newRow("damaged in the middle") << QByteArray(sorted).replace(sorted.size() / 2, 80, QByteArray(80, 'z'))
                                               << "is not a list of SHA-1 password hashes";
    }
    void refusesWhatItCannotSearch() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = dir_.filePath("bad.txt");
        KyvnTest::writeAll(path, content);
        TBreachList list;
        try {
            list.Open(path);
            QFAIL("opened");
        } catch (const EQsException& e) {
            QVERIFY2(e.Message.contains(message), qPrintable(e.Message));
        }
        QVERIFY(!list.IsOpen());
        QCOMPARE(list.CountOfPassword("leaked-1"), 0);
    }

    void missingFileAndFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << dir_.filePath("none.txt");
        QTest::newRow("a folder") << dir_.path();
    }
    void missingFileAndFolder() {
        QFETCH(QString, path);
        TBreachList list;
        QVERIFY_THROWS_EXCEPTION(EQsException, list.Open(path));
        QVERIFY(!list.IsOpen());
    }
};

QTEST_GUILESS_MAIN(TestBreachList)
#include "tst_breachlist.moc"
