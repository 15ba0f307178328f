// The splash window shown while the program starts: the splash picture with the version and the
// legal notices over it.
#pragma once

#include <QColor>
#include <QImage>
#include <QStringList>
#include <QWidget>

class QLabel;
struct TQsApplication;

class TSplashForm : public QWidget {
    Q_OBJECT
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    QLabel* ImgSplash;
    QLabel* lblSpecialVersion;
    QLabel* lblCopyright;
    QLabel* lblWarning;
    QLabel* lblApplicationVersion;

    void Fill(const TQsApplication& app, const QImage& picture, const QColor& noticeColor);
};

// A control's design caption used as a format: each "%s" in turn takes the next argument.
QString DesignFormat(QString format, const QStringList& args);

// The one-line legal warning of the splash window.
QString SplashWarningText();

// The splash picture the program carries, 500 x 400; a null image when it cannot be drawn.
QImage LoadSplashPicture();
// Makes, fills and shows the splash window without blocking; a null picture leaves the teal background.
void ShowSplash(const TQsApplication& app, const QImage& picture, const QColor& noticeColor);
// Closes and releases the splash window; nothing when none is shown.
void CloseSplash();
// The splash window while it is shown, else null.
TSplashForm* SplashForm();
