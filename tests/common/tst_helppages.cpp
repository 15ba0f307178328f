// The help pages shipped with the program: every help context leads to a page, every page is reachable
// from the contents, and no link points at a page that is not there.
#include "KyvnTest.h"

#include "QsHelpUtils.h"

#include <QRegularExpression>

class TestHelpPages : public QObject {
    Q_OBJECT
    const QDir help{QStringLiteral(KEYVANE_SOURCE_DIR "/share/help")};

    QStringList links(const QString& page) const {
        const QString html = QString::fromUtf8(KyvnTest::readAll(help.filePath(page)));
        QStringList targets;
        static const QRegularExpression href(QStringLiteral("href=\"([^\"#:]+)(#([^\"]*))?\""));
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const auto m = it.next();
            targets << m.captured(1) + (m.captured(3).isEmpty() ? QString() : u'#' + m.captured(3));
        }
        return targets;
    }

private slots:
    void everyContextHasItsOwnPage() {
        QSet<QString> pages;
        for (const int context : {0, 500, 510, 520, 530, 540, 550, 60000}) {
            const QString page = QsHelpPage(context);
            QVERIFY2(help.exists(page), qPrintable(page));
            pages.insert(page);
        }
        QCOMPARE(pages.size(), 7);
    }

    void theContentsLinkEveryPage() {
        const QStringList fromIndex = links(QStringLiteral("index.html"));
        for (const QString& page : help.entryList({QStringLiteral("*.html")})) {
            if (page == QStringLiteral("index.html"))
                continue;
            const bool linked = std::any_of(fromIndex.begin(), fromIndex.end(),
                                            [&](const QString& l) { return l.section(u'#', 0, 0) == page; });
            QVERIFY2(linked, qPrintable(page));
        }
    }

    void everyLinkAndAnchorExists() {
        for (const QString& page : help.entryList({QStringLiteral("*.html")})) {
            for (const QString& link : links(page)) {
                const QString target = link.section(u'#', 0, 0);
                QVERIFY2(help.exists(target), qPrintable(page + " -> " + link));
                const QString anchor = link.section(u'#', 1);
                if (!anchor.isEmpty() && target.endsWith(QStringLiteral(".html"))) {
                    const QString html = QString::fromUtf8(KyvnTest::readAll(help.filePath(target)));
                    QVERIFY2(html.contains(QStringLiteral("id=\"%1\"").arg(anchor)), qPrintable(page + " -> " + link));
                }
            }
        }
    }
};

KYVN_TEST_MAIN(TestHelpPages)
#include "tst_helppages.moc"
