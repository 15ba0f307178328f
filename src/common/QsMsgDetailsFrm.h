// The error box: a message with one of three pictures, OK, and a button that unfolds the details.
//
// Goes through QsAnswers ("QsMessageDetails"): any valid queued answer skips the box; a handler receives
// the set-up TQsMessageDetails and may return an invalid QVariant to let the real box run.
// The recorded text is the message, followed by a line feed and the details when there are any.
#pragma once

#include "QsMsgFrm.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

// MessageType: 0 critical, 1 warning, 2 information. Language: 0 Portuguese, 1 English.
// Raises std::invalid_argument (not EQsException) for a bad language or type.
void QsMessageDetails(const QString& Text, const QString& Details, const QString& Caption, quint8 MessageType,
                      quint8 Language, const QString& DialogFont);

class TQsMessageDetails : public TQsKeyUpDialog {
    Q_OBJECT
public:
    // The heights for a message of up to five lines or so. A longer one grows both by what it needs, up
    // to MaxMessageHeight (less on a small screen); beyond that the message scrolls.
    static constexpr int FoldedHeight = 102;
    static constexpr int UnfoldedHeight = 212;
    static constexpr int MaxMessageHeight = 400;

    explicit TQsMessageDetails(QWidget* parent = nullptr);
    void Setup(const QString& Text, const QString& Details, const QString& Caption, quint8 MessageType, quint8 Language,
               const QString& DialogFont);
    bool DetailsShown() const;
    // The window heights for the message set up last, folded and unfolded.
    int FoldedHeightNow() const { return FoldedHeight + growth_; }
    int UnfoldedHeightNow() const { return UnfoldedHeight + growth_; }

    QLabel* imgCritical;
    QLabel* imgWarning;
    QLabel* imgInformation;
    QScrollArea* scrErrorMsg; // holds lblErrorMsg; scrolls only a message taller than MaxMessageHeight
    QLabel* lblErrorMsg;
    QPushButton* cmdOK;
    QPushButton* cmdDetails;
    QPlainTextEdit* txtErrorDetails;

    QString CaptionOK;
    QString CaptionShowDetails;
    QString CaptionHideDetails;
    quint8 MessageType = 0;

    void cmdOKClick();
    void cmdDetailsClick();

private:
    void placeControls();
    void fitMessage(int left, int width);
    int growth_ = 0; // what the message adds to both heights
};
