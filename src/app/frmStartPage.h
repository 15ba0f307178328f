// What the accounts list shows while no passwords file is open: the ways to begin and the recent files,
// as links the keyboard reaches (Tab, then Enter or Space) and a screen reader names.
#pragma once

#include <QCommandLinkButton>
#include <QList>
#include <QStringList>
#include <QWidget>

class QLabel;
class QVBoxLayout;

class TKYVNStartPage : public QWidget {
    Q_OBJECT
public:
    explicit TKYVNStartPage(QWidget* parent = nullptr);

    // One link per file, most recent first; the heading goes when there are none.
    void SetRecentFiles(const QStringList& paths);
    // Every link in the order the keyboard reaches them.
    QList<QCommandLinkButton*> Links() const;

    QLabel* lblTitle = nullptr;
    QCommandLinkButton* lnkNew = nullptr;
    QCommandLinkButton* lnkOpen = nullptr;
    QLabel* lblRecent = nullptr;

signals:
    void NewChosen();
    void OpenChosen();
    void RecentChosen(const QString& path);

private:
    QVBoxLayout* recentLayout_ = nullptr;
    QList<QCommandLinkButton*> recent_;
};
