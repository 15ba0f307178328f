// The import wizard: the file read and refused with its line number, the source recognised and the
// columns mapped by hand, the preview with its marked changes, the choice per repeated name, and the
// import that the caller can take back.
#include "KyvnTest.h"
#include "QsAnswers.h"
#include "QsExceptions.h"
#include "clsFile.h"
#include "frmImport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include <memory>

namespace {
using KyvnTest::shoot;

QStringList names(const TKYVNFile& f) {
    QStringList out;
    for (const TKYVNAccount* a : f.Accounts)
        out << a->AccountName;
    return out;
}
} // namespace

class TestImportWizard : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    std::unique_ptr<TKYVNFile> open;
    std::unique_ptr<TImportWzd> w;
    QStringList errors;

    void start() {
        w = std::make_unique<TImportWzd>();
        w->OpenFile = open.get();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void next() { w->cmdNext->click(); }
    QString csv(const QByteArray& bytes) {
        const QString path = dir.filePath("export.csv");
        KyvnTest::writeAll(path, bytes);
        return path;
    }

private slots:
    void init() {
        QsAnswers::Clear();
        errors.clear();
        QsSetExceptionHandler([this](const std::exception* e) {
            const auto* q = dynamic_cast<const EQsException*>(e);
            errors << (q ? q->Message + "|" + q->Details : QString(e->what()));
        });
        open = std::make_unique<TKYVNFile>();
        auto* a = new TKYVNAccount;
        a->AccountName = QStringLiteral("Bank");
        a->Login = QStringLiteral("kept");
        open->AddAccount(a);
    }
    void cleanup() {
        w.reset();
        open.reset();
        QCOMPARE(QsAnswers::Pending(), 0);
    }

    // A Chromium export with a repeated name and a value that must change: every page on the way.
    void chromiumExportAllTheWay() {
        const QString path = csv("name,url,username,password,note\r\n"
                                 "bank,https://bank.example,jo,\"two\nlines\",\"it's #1\"\r\n"
                                 "Shop,https://shop.example,jo,s3,\r\n"
                                 "Shop,https://shop.example,ann,s4,\r\n");
        start();
        QCOMPARE(w->HelpContext, 550);
        shoot(w.get(), "import-0-welcome");
        next();
        QVERIFY(w->pStepSource->isVisible());
        QVERIFY(!w->cmdNext->isEnabled());
        QsAnswers::Push(QStringLiteral("OpenFile"), path);
        w->cmdBrowse->click();
        QCOMPARE(w->txtSource->text(), path);
        QVERIFY(w->cmdNext->isEnabled());
        next();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(';')));
        QVERIFY(w->pStepColumns->isVisible());
        QVERIFY2(w->lblDetected->text().startsWith(QStringLiteral("This is a Chromium browser's export (3 accounts")),
                 qPrintable(w->lblDetected->text()));
        QCOMPARE(w->tblColumns->rowCount(), 5);
        QCOMPARE(w->tblColumns->item(3, 1)->text(), QString(3, QChar(0x2022))); // the password is not shown
        shoot(w.get(), "import-2-columns");
        next();
        QVERIFY(w->pStepPreview->isVisible());
        QCOMPARE(w->previewModel->rowCount(), 3);
        const QModelIndex password = w->previewModel->index(0, kfPassword);
        QVERIFY(w->previewModel->data(password, Qt::BackgroundRole).isValid());
        QVERIFY(!w->previewModel->data(w->previewModel->index(1, kfPassword), Qt::BackgroundRole).isValid());
        QVERIFY(w->previewModel->data(w->previewModel->index(0, kfNotes), Qt::ToolTipRole).toString().contains("'"));
        QVERIFY2(w->lblPreview->text().startsWith(QStringLiteral("3 accounts. 2 values in 1 accounts")),
                 qPrintable(w->lblPreview->text()));
        shoot(w.get(), "import-3-preview");
        next();
        QVERIFY(w->pStepRepeated->isVisible());
        QCOMPARE(w->tblRepeated->rowCount(), 2);
        QCOMPARE(w->tblRepeated->item(0, 0)->text(), QStringLiteral("bank"));
        QCOMPARE(w->tblRepeated->item(0, 1)->text(), QStringLiteral("in the current file"));
        QCOMPARE(w->tblRepeated->item(1, 1)->text(), QStringLiteral("2 times in the file"));
        // The choice is made as a person makes it: F2 on the row opens the list, Down picks Replace.
        w->tblRepeated->setFocus();
        w->tblRepeated->setCurrentCell(0, 2);
        QTest::keyClick(w->tblRepeated, Qt::Key_F2);
        auto* editor = w->tblRepeated->findChild<QComboBox*>();
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Down);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(w->tblRepeated->item(0, 2)->text(), QStringLiteral("Replace"));
        QVERIFY(w->pStepRepeated->isVisible()); // Return chose; it did not go on
        shoot(w.get(), "import-4-repeated");
        next();
        QVERIFY(w->pStepImport->isVisible());
        next();
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(';')));
        QVERIFY(w->pStepFinished->isVisible());
        QVERIFY(w->Imported);
        QCOMPARE(w->lblFinishDescription->text(),
                 QStringLiteral("Imported 3 accounts from a Chromium browser's export; 2 names repeated, 1 kept both, "
                                "1 replaced; 2 values changed."));
        shoot(w.get(), "import-6-finished");
        QCOMPARE(names(*open), (QStringList{"bank", "Shop", "Shop (2)"}));
        QCOMPARE(open->GetAccount(0)->Login, QStringLiteral("jo"));
        QCOMPARE(open->GetAccount(0)->Password, QStringLiteral("two lines"));
        std::unique_ptr<TCsvImport> import = w->TakeImport();
        QVERIFY(import);
        import->HandOver();
        import->Undo();
        QCOMPARE(names(*open), QStringList{"Bank"});
        QCOMPARE(open->GetAccount(0)->Login, QStringLiteral("kept"));
    }

    // A file it cannot read keeps the wizard on its page with the line number; the open file is untouched.
    void malformedFileIsRefused() {
        const QString path = csv("name,url,username,password\n\"a\",b,c,d\n\"open,b,c,d\n");
        start();
        next();
        w->txtSource->setText(path);
        next();
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors.first(), QStringLiteral("'export.csv' cannot be imported.|Line 3: a quoted value is not closed "
                                                "(its closing double quote is missing)."));
        QVERIFY(w->pStepSource->isVisible());
        QCOMPARE(names(*open), QStringList{"Bank"});
    }

    // Columns no source names are mapped by hand; Next needs at least one field.
    void unknownColumnsMappedByHand() {
        const QString path = csv("Site;Who;Secret;Colour\nshop.example;me;pw;blue\n");
        start();
        next();
        w->txtSource->setText(path);
        next();
        QVERIFY(w->pStepColumns->isVisible());
        QVERIFY(w->lblDetected->text().startsWith(QStringLiteral("Keyvane does not know the columns")));
        QCOMPARE(w->cboSource->currentIndex(), w->cboSource->count() - 1);
        const TImportMapping guessed = w->Mapping();
        QCOMPARE(guessed[0].Target, int(kfWeb));
        QCOMPARE(guessed[3].Target, int(TColumnTarget::ToNotes));
        auto combo = [this](int c) { return qobject_cast<QComboBox*>(w->tblColumns->cellWidget(c, 2)); };
        for (int c = 0; c < 4; ++c)
            combo(c)->setCurrentIndex(combo(c)->findData(int(TColumnTarget::LeaveOut)));
        QVERIFY(!w->cmdNext->isEnabled());
        combo(1)->setCurrentIndex(combo(1)->findData(int(kfLogin)));
        QCOMPARE(w->tblColumns->item(2, 1)->text(), QStringLiteral("pw"));
        combo(2)->setCurrentIndex(combo(2)->findData(int(kfPassword)));
        QCOMPARE(w->tblColumns->item(2, 1)->text(), QString(2, QChar(0x2022))); // shown no more once it is a password
        combo(3)->setCurrentIndex(combo(3)->findData(int(TColumnTarget::ToNotes)));
        QVERIFY(w->cmdNext->isEnabled());
        next();
        QVERIFY(w->pStepPreview->isVisible());
        next(); // no repeated names: straight to the import
        QVERIFY(w->pStepImport->isVisible());
        next();
        QVERIFY(w->Imported);
        const TKYVNAccount* a = open->GetAccount(1);
        QCOMPARE(a->AccountName, QStringLiteral("me")); // no name and no address: the login
        QCOMPARE(a->Password, QStringLiteral("pw"));
        QCOMPARE(a->Web, QString());
        QCOMPARE(a->Notes, QStringLiteral("Colour: blue"));
    }
};

QTEST_MAIN(TestImportWizard)
#include "tst_importwizard.moc"
