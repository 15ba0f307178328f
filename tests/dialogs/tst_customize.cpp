// The customize dialog of the accounts list: loading, the six actions, the sort choice, Reset, OK's
// refusals and the layout OK builds.
#include "KyvnTest.h"

#include "QsAnswers.h"
#include "QsExceptions.h"
#include "clsColumn.h"
#include "clsList.h"
#include "frmCustomize.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

namespace {
QString flag(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QStringList sortFields(const TCustForm& form) {
    QStringList out;
    for (int i = 0; i < form.cbSortField->count(); ++i)
        out << form.cbSortField->itemText(i);
    return out;
}

QString describe(const TKYVNList& layout) {
    QStringList parts;
    for (int i = 0; i < layout.ColumnCount(); ++i) {
        const TKYVNColumn& c = *layout.GetColumn(i);
        parts << QStringLiteral("%1,%2,%3,%4").arg(c.Caption).arg(c.Width).arg(flag(c.Visible), flag(c.Protected));
    }
    return parts.join(QLatin1Char(';')) +
           QStringLiteral("|%1,%2").arg(layout.SortIndex).arg(flag(layout.SortAscending));
}

void select(QListWidget* list, const QString& text) {
    const auto items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(items.size() == 1, qPrintable(text));
    list->setCurrentItem(items.first());
}
} // namespace

class TestCustomize : public QObject {
    Q_OBJECT

    QStringList errors_;

private slots:
    void initTestCase() { CreateListLayout(); }
    void cleanupTestCase() { ReleaseListLayout(); }
    void init() {
        ListLayout->Load(true);
        errors_.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* qe = dynamic_cast<const EQsException*>(e);
            errors_ << (qe ? qe->Message + QLatin1Char('|') + QString::number(qe->Kind) : QStringLiteral("?"));
        });
        QsAnswers::Clear();
    }
    void cleanup() { QsSetExceptionHandler(nullptr); }

    void defaultLayout() {
        TCustForm form;
        form.LoadFromLayout();
        QCOMPARE(form.windowTitle(), QStringLiteral("Customize Accounts List..."));
        QCOMPARE(TCustForm::Entries(form.lbAvailable), (QStringList{"Notes", "Password", "Protected"}));
        QCOMPARE(TCustForm::Entries(form.lbFields),
                 (QStringList{"Account Name", "Login", "Email", "Web", "Created", "Modified"}));
        QCOMPARE(sortFields(form), (QStringList{"Account Name", "Created", "Email", "Login", "Modified", "Web"}));
        QCOMPARE(form.cbSortField->currentText(), QStringLiteral("Account Name"));
        QCOMPARE(form.cbSortType->currentText(), QStringLiteral("Ascending"));
        for (QAction* a :
             {form.actAdd, form.actRemove, form.actMoveUp, form.actMoveDown, form.actProtect, form.actUnprotect})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
    }

    void loadsProtectedAndSortPosition() {
        ListLayout->GetColumn(1)->Protected = true; // Login
        ListLayout->SortIndex = 2;                  // Email among the shown
        ListLayout->SortAscending = false;
        TCustForm form;
        form.LoadFromLayout();
        QCOMPARE(TCustForm::Entries(form.lbFields).at(1), QStringLiteral("Login *"));
        QVERIFY(!sortFields(form).contains(QStringLiteral("Login")));
        QCOMPARE(form.cbSortField->currentText(), QStringLiteral("Email"));
        QCOMPARE(form.cbSortType->currentText(), QStringLiteral("Descending"));

        // A sort position on a protected column, or past the shown ones, falls to the first entry.
        for (int index : {1, 6, 40, -1}) {
            ListLayout->SortIndex = index;
            form.LoadFromLayout();
            QCOMPARE(form.cbSortField->currentText(), QStringLiteral("Account Name"));
        }
    }

    void actionStates_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("enabled"); // Add Remove Up Down Protect Unprotect
        QTest::newRow("available") << "lbAvailable"
                                   << "Notes"
                                   << "100000";
        QTest::newRow("first shown") << "lbFields"
                                     << "Account Name"
                                     << "010110";
        QTest::newRow("middle shown") << "lbFields"
                                      << "Email"
                                      << "011110";
        QTest::newRow("last shown") << "lbFields"
                                    << "Modified"
                                    << "011010";
    }
    void actionStates() {
        QFETCH(QString, list);
        QFETCH(QString, entry);
        QFETCH(QString, enabled);
        TCustForm form;
        form.LoadFromLayout();
        select(form.findChild<QListWidget*>(list), entry);
        const QAction* actions[] = {form.actAdd,      form.actRemove,  form.actMoveUp,
                                    form.actMoveDown, form.actProtect, form.actUnprotect};
        QString states;
        for (const QAction* a : actions)
            states += a->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(states, enabled);
        QCOMPARE(form.cmdAdd->isEnabled(), form.actAdd->isEnabled());
        QCOMPARE(form.cmdUnprotect->isEnabled(), form.actUnprotect->isEnabled());
    }

    void addAndRemove() {
        TCustForm form;
        form.LoadFromLayout();
        select(form.lbAvailable, QStringLiteral("Password"));
        QTest::mouseClick(form.cmdAdd, Qt::LeftButton);
        QCOMPARE(TCustForm::Entries(form.lbFields).last(), QStringLiteral("Password"));
        QCOMPARE(form.lbFields->currentItem()->text(), QStringLiteral("Password"));
        QVERIFY(sortFields(form).contains(QStringLiteral("Password")));
        QCOMPARE(TCustForm::Entries(form.lbAvailable), (QStringList{"Notes", "Protected"}));
        QCOMPARE(form.lbAvailable->currentItem()->text(), QStringLiteral("Protected")); // same position
        QCOMPARE(form.cbSortField->currentText(), QStringLiteral("Account Name"));

        // Removing a marked entry puts the plain caption back in its alphabetical place.
        select(form.lbFields, QStringLiteral("Login"));
        form.actProtect->trigger();
        QCOMPARE(form.lbFields->currentItem()->text(), QStringLiteral("Login *"));
        form.actRemove->trigger();
        QCOMPARE(TCustForm::Entries(form.lbAvailable), (QStringList{"Login", "Notes", "Protected"}));
        QCOMPARE(form.lbAvailable->currentItem()->text(), QStringLiteral("Login"));
        QCOMPARE(form.lbFields->currentItem()->text(), QStringLiteral("Email"));

        // Removing the sort field selects the first remaining one.
        form.cbSortField->setCurrentText(QStringLiteral("Web"));
        select(form.lbFields, QStringLiteral("Web"));
        form.actRemove->trigger();
        QCOMPARE(form.cbSortField->currentText(), QStringLiteral("Account Name"));

        // Double-clicks run Add and Remove.
        QListWidgetItem* notes = form.lbAvailable->findItems(QStringLiteral("Notes"), Qt::MatchExactly).first();
        form.lbAvailable->setCurrentItem(notes);
        emit form.lbAvailable->itemDoubleClicked(notes);
        QCOMPARE(TCustForm::Entries(form.lbFields).last(), QStringLiteral("Notes"));
        QListWidgetItem* last = form.lbFields->item(form.lbFields->count() - 1);
        emit form.lbFields->itemDoubleClicked(last);
        QVERIFY(TCustForm::Entries(form.lbAvailable).contains(QStringLiteral("Notes")));
    }

    void moveUpAndDown() {
        TCustForm form;
        form.LoadFromLayout();
        select(form.lbFields, QStringLiteral("Email"));
        form.actMoveUp->trigger();
        form.actMoveUp->trigger();
        QCOMPARE(TCustForm::Entries(form.lbFields),
                 (QStringList{"Email", "Account Name", "Login", "Web", "Created", "Modified"}));
        QVERIFY(!form.actMoveUp->isEnabled());
        select(form.lbFields, QStringLiteral("Created"));
        form.actMoveDown->trigger();
        QCOMPARE(TCustForm::Entries(form.lbFields).last(), QStringLiteral("Created"));
        QVERIFY(!form.actMoveDown->isEnabled());
        QVERIFY(form.actMoveUp->isEnabled());
    }

    void protectingTheSortField() {
        TCustForm form;
        form.LoadFromLayout();
        form.cbSortField->setCurrentText(QStringLiteral("Login"));
        select(form.lbFields, QStringLiteral("Login"));
        QTest::mouseClick(form.cmdProtect, Qt::LeftButton);
        QVERIFY(!sortFields(form).contains(QStringLiteral("Login")));
        QCOMPARE(form.cbSortField->currentText(), QStringLiteral("Account Name"));
        QVERIFY(form.actUnprotect->isEnabled());
        QVERIFY(!form.actProtect->isEnabled());
        QTest::mouseClick(form.cmdUnprotect, Qt::LeftButton);
        QCOMPARE(form.lbFields->currentItem()->text(), QStringLiteral("Login"));
        QCOMPARE(sortFields(form), (QStringList{"Account Name", "Created", "Email", "Login", "Modified", "Web"}));
        QCOMPARE(form.cbSortField->currentText(), QStringLiteral("Account Name"));
    }

    void dragAndDrop() {
        TCustForm form;
        form.LoadFromLayout();
        QVERIFY(form.lbFields->AcceptsDragFrom(form.lbAvailable));
        QVERIFY(form.lbAvailable->AcceptsDragFrom(form.lbFields));
        QVERIFY(!form.lbFields->AcceptsDragFrom(form.lbFields));
        QVERIFY(!form.lbAvailable->AcceptsDragFrom(form.lbAvailable));
        QVERIFY(!form.lbFields->AcceptsDragFrom(nullptr));
        // A dropped field goes to the end, wherever it was dropped.
        select(form.lbAvailable, QStringLiteral("Notes"));
        form.lbFields->OnDrop();
        QCOMPARE(TCustForm::Entries(form.lbFields).last(), QStringLiteral("Notes"));
        select(form.lbFields, QStringLiteral("Login"));
        form.lbAvailable->OnDrop();
        QCOMPARE(TCustForm::Entries(form.lbAvailable), (QStringList{"Login", "Password", "Protected"}));
    }

    void okRefusals() {
        TCustForm form;
        form.LoadFromLayout();
        const QString before = describe(*ListLayout);
        // Every shown field protected.
        for (int i = 0; i < form.lbFields->count(); ++i) {
            form.lbFields->setCurrentRow(i);
            form.actProtect->trigger();
        }
        QCOMPARE(form.cbSortField->count(), 0);
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        QCOMPARE(errors_, QStringList{QStringLiteral("You must have at least one field unprotected.|2")});
        // No shown field.
        while (form.lbFields->count() > 0) {
            form.lbFields->setCurrentRow(0);
            form.actRemove->trigger();
        }
        QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        QCOMPARE(errors_.last(), QStringLiteral("You must select at least one field.|2"));
        QVERIFY(!form.Accepted);
        QCOMPARE(describe(*ListLayout), before);
    }

    void okBuildsTheLayout() {
        ListLayout->GetColumn(0)->Width = 222; // a width set in the main window
        QsAnswers::PushHandler(QStringLiteral("TCustForm"), [](QObject* object) {
            auto* form = qobject_cast<TCustForm*>(object);
            select(form->lbAvailable, QStringLiteral("Password")); // protected in the layout
            form->actAdd->trigger();                               // starts unmarked
            select(form->lbFields, QStringLiteral("Password"));
            form->actMoveUp->trigger();
            select(form->lbFields, QStringLiteral("Login"));
            form->actProtect->trigger();
            form->actRemove->trigger(); // back to available: keeps its layout flag (false)
            select(form->lbFields, QStringLiteral("Email"));
            form->actProtect->trigger();
            form->cbSortField->setCurrentText(QStringLiteral("Password"));
            form->cbSortType->setCurrentText(QStringLiteral("Descending"));
            return QVariant(true);
        });
        QVERIFY(CustomizeList());
        QCOMPARE(describe(*ListLayout),
                 QStringLiteral("Account Name,222,true,false;Email,150,true,true;Web,150,true,false;"
                                "Created,100,true,false;Password,100,true,false;Modified,100,true,false;"
                                "Login,150,false,false;Notes,200,false,false;Protected,50,false,false|4,false"));
    }

    void availableFieldKeepsItsProtection() {
        ListLayout->GetColumn(1)->Protected = true; // Login, shown and protected
        QsAnswers::PushHandler(QStringLiteral("TCustForm"), [](QObject* object) {
            auto* form = qobject_cast<TCustForm*>(object);
            select(form->lbFields, QStringLiteral("Login *"));
            form->actUnprotect->trigger();
            form->actRemove->trigger();
            return QVariant(true);
        });
        QVERIFY(CustomizeList());
        const TKYVNColumn* login = ListLayout->FindColumn(QStringLiteral("Login"));
        QVERIFY(login);
        QVERIFY(!login->Visible);
        QVERIFY(login->Protected);
        QCOMPARE(ListLayout->IndexOfColumn(QStringLiteral("Login")), 5);
    }

    void resetThenClose() {
        ListLayout->GetColumn(0)->Visible = false;
        ListLayout->SortAscending = false;
        QsAnswers::PushHandler(QStringLiteral("TCustForm"), [](QObject* object) {
            auto* form = qobject_cast<TCustForm*>(object);
            if (TCustForm::Entries(form->lbFields).contains(QStringLiteral("Account Name")))
                return QVariant(true); // not loaded from the layout: fail below
            QTest::mouseClick(form->cmdReset, Qt::LeftButton);
            if (TCustForm::Entries(form->lbFields).first() != QStringLiteral("Account Name"))
                return QVariant(true);
            return QVariant(false); // Close
        });
        QVERIFY(!CustomizeList());
        TKYVNList defaults;
        defaults.Load(true);
        QCOMPARE(describe(*ListLayout), describe(defaults));
    }

    // The real dialog: Esc, released in any of its controls, closes it as Close does.
    void escapeCloses() {
        const QString before = describe(*ListLayout);
        QsAnswers::PushHandler(QStringLiteral("TCustForm"), [](QObject* object) {
            auto* form = qobject_cast<TCustForm*>(object);
            QTimer::singleShot(0, form, [form] {
                select(form->lbFields, QStringLiteral("Web"));
                form->actRemove->trigger();
                QTest::keyClick(form->lbFields, Qt::Key_Escape);
            });
            return QVariant(); // let the real dialog run
        });
        QVERIFY(!CustomizeList());
        QCOMPARE(describe(*ListLayout), before);
    }

    void closeAppliesNothing() {
        const QString before = describe(*ListLayout);
        QsAnswers::PushHandler(QStringLiteral("TCustForm"), [](QObject* object) {
            auto* form = qobject_cast<TCustForm*>(object);
            select(form->lbFields, QStringLiteral("Web"));
            form->actRemove->trigger();
            return QVariant(false);
        });
        QVERIFY(!CustomizeList());
        QCOMPARE(describe(*ListLayout), before);
    }
};

KYVN_TEST_MAIN(TestCustomize)
#include "tst_customize.moc"
