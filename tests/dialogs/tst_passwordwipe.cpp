// What was typed into the password dialog does not outlive it in the dialog's memory.
#include "KyvnTest.h"
#include "frmPassword.h"

#include <QLineEdit>

class TestPasswordWipe : public QObject {
    Q_OBJECT
private slots:
    void typedPasswordsAreOverwritten() {
        QString typed, verify;
        {
            TPassEdit dlg;
            dlg.SetMode(TPassEdit::ModeNew);
            dlg.show();
            QTest::keyClicks(dlg.txtPassword, "Tr0ub4dor");
            QTest::keyClicks(dlg.txtVerify, "Tr0ub4dor");
            // these copies share the edits' buffers, so they show what becomes of them
            typed = dlg.txtPassword->text();
            verify = dlg.txtVerify->text();
            QCOMPARE(typed, QString("Tr0ub4dor"));
        }
        QCOMPARE(typed, QString(9, QChar(0)));
        QCOMPARE(verify, QString(9, QChar(0)));
    }
};

KYVN_TEST_MAIN(TestPasswordWipe)
#include "tst_passwordwipe.moc"
