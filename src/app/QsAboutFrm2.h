// The about box: the program's name, version and notices, with the system information tool and the
// technical support page one click away.
#pragma once

#include "QsDialogBase.h"

class QFrame;
class QLabel;
class QPushButton;
class QWidget;
struct TQsApplication;

class TAboutForm : public TKeyPreviewDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    QWidget* pLeft;
    QFrame* pIcon01;
    QFrame* pIcon02;
    QFrame* pIcon03;
    QLabel* imgApplicationIcon;
    QLabel* lblApplicationName;
    QLabel* lblSpecialVersion;
    QLabel* lblApplicationVersion;
    QLabel* lblCopyright;
    QLabel* lblOtherCopyrights;
    QFrame* bLine;
    QLabel* lblLicenseText;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;
    QPushButton* cmdSupport;

    void Fill(const TQsApplication& app, const QString& fontFace);

    void cmdOKClick();
    void cmdSysInfoClick();
    void cmdSupportClick();
};

// The two-sentence legal warning under the line of the about box.
QString AboutLicenseText();
// The help context of the Tech. Support button.
constexpr int HelpTechSupport = 60000;

// Makes the about box for app, shows it modally and releases it. Goes through QsAnswers ("TAboutForm"):
// a handler gets the filled box and its answer stands for the user closing it.
void ShowAbout(const TQsApplication& app, const QString& fontFace);
