#include "frmStartPage.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// A link answers Enter as well as Space, as links do everywhere else.
class TLink : public QCommandLinkButton {
public:
    TLink(const QString& text, const QString& description, QWidget* parent)
        : QCommandLinkButton(text, description, parent) {
        setAccessibleName(text);
        if (!description.isEmpty())
            setAccessibleDescription(description);
        setAutoDefault(false);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            animateClick();
            return;
        }
        QCommandLinkButton::keyPressEvent(event);
    }
};

// The folder as people read it: the home folder as "~".
QString shownFolder(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    const QString home = QDir::homePath();
    if (folder == home)
        return QStringLiteral("~");
    if (folder.startsWith(home + u'/'))
        return QStringLiteral("~") + folder.mid(home.size());
    return folder;
}

} // namespace

TKYVNStartPage::TKYVNStartPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StartPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    lblTitle = new QLabel(QStringLiteral("No passwords file is open."), this);
    QFont bold = lblTitle->font();
    bold.setBold(true);
    lblTitle->setFont(bold);
    layout->addWidget(lblTitle);
    lnkNew = new TLink(QStringLiteral("Create a new passwords file (Ctrl+N)"), QString(), this);
    lnkOpen = new TLink(QStringLiteral("Open a passwords file (Ctrl+O)"), QString(), this);
    layout->addWidget(lnkNew);
    layout->addWidget(lnkOpen);
    lblRecent = new QLabel(QStringLiteral("Recent files:"), this);
    lblRecent->setContentsMargins(0, 8, 0, 0);
    layout->addWidget(lblRecent);
    recentLayout_ = new QVBoxLayout;
    recentLayout_->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(recentLayout_);
    layout->addStretch(1);
    connect(lnkNew, &QAbstractButton::clicked, this, &TKYVNStartPage::NewChosen);
    connect(lnkOpen, &QAbstractButton::clicked, this, &TKYVNStartPage::OpenChosen);
    SetRecentFiles({});
}

void TKYVNStartPage::SetRecentFiles(const QStringList& paths) {
    // Later, not now: this may run while one of these links is still being clicked.
    for (QCommandLinkButton* link : std::as_const(recent_)) {
        recentLayout_->removeWidget(link);
        link->hide();
        link->deleteLater();
    }
    recent_.clear();
    QWidget* previous = lnkOpen;
    for (const QString& path : paths) {
        auto* link = new TLink(QFileInfo(path).fileName(), shownFolder(path), this);
        link->setToolTip(path);
        recentLayout_->addWidget(link);
        connect(link, &QAbstractButton::clicked, this, [this, path] { emit RecentChosen(path); });
        setTabOrder(previous, link);
        previous = link;
        recent_ << link;
    }
    lblRecent->setVisible(!paths.isEmpty());
}

QList<QCommandLinkButton*> TKYVNStartPage::Links() const {
    return QList<QCommandLinkButton*>{lnkNew, lnkOpen} + recent_;
}
