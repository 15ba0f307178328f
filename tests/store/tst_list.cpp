#include "KyvnTest.h"

#include "QsExceptions.h"
#include "QsRegUtils.h"
#include "clsList.h"
#include "uOptions.h"

namespace {

const QStringList kDefaultTexts = {"Account Name,150,True,False", "Login,150,True,False",   "Password,100,False,True",
                                   "Email,150,True,False",        "Web,150,True,False",     "Notes,200,False,False",
                                   "Protected,50,False,False",    "Created,100,True,False", "Modified,100,True,False"};

QStringList texts(const TKYVNList& list) {
    QStringList out;
    for (const TKYVNColumn* c : list.Columns)
        out << ColumnToText(*c);
    return out;
}

void store(const QStringList& columns, int sortIndex, bool ascending) {
    DeleteRegValues(TKYVNList::Root(), TKYVNList::Key());
    for (int n = 0; n < columns.size(); ++n)
        if (!columns[n].isNull())
            WriteRegString(TKYVNList::Root(), TKYVNList::Key(), QString("Col%1").arg(n), columns[n]);
    WriteRegInteger(TKYVNList::Root(), TKYVNList::Key(), "SortIndex", sortIndex);
    WriteRegBool(TKYVNList::Root(), TKYVNList::Key(), "SortAscending", ascending);
}

} // namespace

class TestList : public QObject {
    Q_OBJECT
private slots:
    void defaults() {
        TKYVNList list;
        list.Load(true);
        QCOMPARE(texts(list), kDefaultTexts);
        QCOMPARE(list.SortIndex, 0);
        QVERIFY(list.SortAscending);
        QCOMPARE(TKYVNList::Key(), QString("Software\\Tessivo\\Tessivo Nimbrel\\Keyvane\\Storage\\List"));
    }

    void storedLayouts_data() {
        QTest::addColumn<QStringList>("stored"); // a null entry is a missing value
        QTest::addColumn<QStringList>("loaded"); // empty: the defaults
        QStringList custom = kDefaultTexts;
        custom.move(3, 0);
        custom[1] = "Account Name,222,True,False";
        QTest::newRow("custom layout") << custom << custom;
        QStringList lastMissing = custom;
        lastMissing[8] = QString();
        QTest::newRow("Col8 missing") << lastMissing << QStringList();
        QStringList wrongCase = custom;
        wrongCase[1] = "login,150,True,False";
        QTest::newRow("caption in the wrong case") << wrongCase << QStringList();
        QStringList lowerTrue = custom;
        lowerTrue[4] = "Web,150,true,False";
        QStringList lowerTrueRead = custom;
        lowerTrueRead[4] = "Web,150,False,False";
        QTest::newRow("lower-case true is false") << lowerTrue << lowerTrueRead;
        QStringList threeParts = custom;
        threeParts[4] = "Web,150,True";
        QTest::newRow("three parts") << threeParts << QStringList();
        QStringList fiveParts = custom;
        fiveParts[4] = "Web,150,True,False,x";
        QStringList fivePartsRead = custom;
        fivePartsRead[4] = "Web,150,True,False";
        QTest::newRow("five parts") << fiveParts << fivePartsRead;
        QStringList badWidth = custom;
        badWidth[2] = "Password,wide,False,True";
        QTest::newRow("width not a number") << badWidth << QStringList();
        QStringList twice = custom;
        twice[5] = twice[0];
        QTest::newRow("same caption twice") << twice << twice;
    }
    void storedLayouts() {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, loaded);
        store(stored, 3, false);
        TKYVNList list;
        list.AddColumn("Notes", 1, true, true); // Load starts from nothing
        list.Load(false);
        if (loaded.isEmpty()) {
            QCOMPARE(texts(list), kDefaultTexts);
            QCOMPARE(list.SortIndex, 0);
            QVERIFY(list.SortAscending);
        } else {
            QCOMPARE(texts(list), loaded);
            QCOMPARE(list.SortIndex, 3);
            QVERIFY(!list.SortAscending);
        }
    }

    void noKeyGivesDefaults() {
        DeleteRegValues(TKYVNList::Root(), TKYVNList::Key());
        TKYVNList list;
        list.Load(false);
        QCOMPARE(texts(list), kDefaultTexts);
    }

    void sortValuesFallBackAlone() {
        store(kDefaultTexts, 0, true);
        WriteRegString(TKYVNList::Root(), TKYVNList::Key(), "SortIndex", "2");
        DeleteRegValue(TKYVNList::Root(), TKYVNList::Key(), "SortAscending");
        TKYVNList list;
        list.Load(false);
        QCOMPARE(list.SortIndex, 0);
        QVERIFY(list.SortAscending);
    }

    void saveFollowsSaveList() {
        store(kDefaultTexts, 0, true);
        TKYVNList list;
        list.Load(false);
        list.FindColumn("web")->Width = 321;
        list.SortIndex = 4;
        list.Save(false);
        TKYVNList unchanged;
        unchanged.Load(false);
        QCOMPARE(unchanged.FindColumn("Web")->Width, 150);
        QCOMPARE(unchanged.SortIndex, 0);

        list.Save(true);
        TKYVNList changed;
        changed.Load(false);
        QCOMPARE(changed.FindColumn("Web")->Width, 321);
        QCOMPARE(changed.SortIndex, 4);
        QCOMPARE(ReadRegString(TKYVNList::Root(), TKYVNList::Key(), "Col2", ""), QString("Password,100,False,True"));

        // Shutdown writes through the preferences' SaveList.
        TKYVNOptions options;
        options.SaveList = false;
        Options = &options;
        CreateListLayout();
        ListLayout->SortIndex = 5;
        ReleaseListLayout();
        QVERIFY(!ListLayout);
        QCOMPARE(ReadRegInteger(TKYVNList::Root(), TKYVNList::Key(), "SortIndex", -1), 4);
        options.SaveList = true;
        CreateListLayout();
        ListLayout->SortIndex = 5;
        ReleaseListLayout();
        QCOMPARE(ReadRegInteger(TKYVNList::Root(), TKYVNList::Key(), "SortIndex", -1), 5);
        Options = nullptr;
    }

    void columnFromText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("good") << "Web,150,True,False"
                              << "";
        QTest::newRow("empty") << ""
                               << "Invalid operation.";
        QTest::newRow("no comma") << "Web"
                                  << "Invalid operation.";
        QTest::newRow("unknown caption") << "Colour,1,True,False"
                                         << "Invalid operation.";
        QTest::newRow("no width comma") << "Web,150"
                                        << "Invalid operation.";
        QTest::newRow("width not a number") << "Web,x,True,False"
                                            << "'x' is not a valid integer value";
        QTest::newRow("empty width") << "Web,,True,False"
                                     << "'' is not a valid integer value";
    }
    void columnFromText() {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QString raised;
        try {
            const TKYVNColumn c = ColumnFromText(text);
            QCOMPARE(ColumnToText(c), text);
        } catch (const EQsException& e) {
            raised = e.Message;
        }
        QCOMPARE(raised, error);
    }

    void findingColumns() {
        TKYVNList list;
        list.SetDefaults();
        QCOMPARE(list.IndexOfColumn("EMAIL"), 3);
        QCOMPARE(list.IndexOfColumn("Colour"), -1);
        QVERIFY(!list.FindColumn("Colour"));
        QVERIFY(IsFieldCaption("Account Name"));
        QVERIFY(!IsFieldCaption("account name"));
        TKYVNList copy = list;
        copy.GetColumn(0)->Width = 1;
        QCOMPARE(list.GetColumn(0)->Width, 150);
        QCOMPARE(copy.ColumnCount(), 9);
    }
};

KYVN_TEST_CORE_MAIN(TestList)
#include "tst_list.moc"
