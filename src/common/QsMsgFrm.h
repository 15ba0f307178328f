// The program's question and notice box: a text, one of four pictures and one of five button sets.
//
// Every question goes through QsAnswers ("QsMessage"): a queued answer that is a number is returned as
// the box's result without showing it; a handler receives the set-up TQsMessage and may return an
// invalid QVariant to let the real box run (after queuing key presses, for instance).
#pragma once

#include <QDialog>
#include <QString>
#include <array>

class QLabel;
class QPushButton;
class QWidget;

// Results: which button closed the box, whatever the set.
enum : quint8 {
    QsAnswerOK = 0,
    QsAnswerYes = 1,
    QsAnswerYesToAll = 2,
    QsAnswerNo = 3,
    QsAnswerNoToAll = 4,
    QsAnswerCancel = 5,
    QsAnswerAll = 6,
};

// MessageType: 0 error, 1 warning, 2 information, 3 question.
// Buttons: 0 OK; 1 Yes No; 2 Yes No Cancel; 3 Yes No Cancel All; 4 Yes, Yes to All, No, No to All, Cancel.
// DefaultButton: position (from 1, left) of the button focused on opening; out of range means 1.
// Language: 0 Portuguese, 1 English. DialogFont: a face name, used when installed.
// Raises std::invalid_argument (not EQsException) for a bad language, type or button set.
quint8 QsMessage(const QString& Text, const QString& Caption, quint8 MessageType, quint8 Buttons, qint16 DefaultButton,
                 quint8 Language, const QString& DialogFont);

// The same with the application's title, language and dialog font from AppInfo.
quint8 QsAppMessage(const QString& Text, quint8 MessageType, quint8 Buttons, qint16 DefaultButton = 1);

// The title of the boxes when no caption is given: AppInfo's Title, else the application's name.
QString QsApplicationTitle();

// The face of every box: "Tahoma" 8 points, or DialogFont when that face is installed.
QFont QsDialogFont(const QString& DialogFont);

// Base of the program's boxes: Esc closes them when it is released, as the window's close box does.
// The dialog sees key releases before its controls, which would otherwise keep some of them.
class TQsKeyUpDialog : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void CenterOnScreen();
};

class TQsMessage : public TQsKeyUpDialog {
    Q_OBJECT
public:
    explicit TQsMessage(QWidget* parent = nullptr);

    // Steps of setting up; each raises std::invalid_argument on a value outside its table.
    void Setup(const QString& Text, const QString& Caption, quint8 MessageType, quint8 Buttons, qint16 DefaultButton,
               quint8 Language, const QString& DialogFont);
    // The value the box returns after it closed (or now, for the button pressed so far).
    quint8 Result() const;

    QWidget* pBottom;
    QWidget* pLeft;
    QWidget* pMessage;
    QLabel* imgQuestion;
    QLabel* imgWarning;
    QLabel* imgError;
    QLabel* imgInformation;
    QWidget* bSpacer;
    QLabel* lblMessage;
    std::array<QPushButton*, 5> cmdBtn{};

    qint16 ButtonPressed = 0;
    quint8 CloseResult = 0;
    quint8 ButtonSet = 0;
    int DefaultPosition = 1; // the button that takes the focus on opening, after range correction

    void cmdBtnClick(int position);

protected:
    void showEvent(QShowEvent* event) override;
};

// The display form of a text: a lone LF becomes CR LF, an existing CR LF stays, a final LF is dropped.
QString ConvertLineBreaks(const QString& text);
