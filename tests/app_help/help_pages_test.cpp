// The pages behind the help topics: each is there, the links between them lead somewhere, and
// the numbers dialogs ask for find the right page.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <set>

#include "app/help/help_topics.h"
#include "app/help/help_window.h"

namespace ticksmith::app {
namespace {

QString PathOf(HelpTopic topic) {
    const std::string_view path = HelpResourcePath(topic);
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

QString ReadPage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

QStringList Captures(const QString& text, const QString& pattern) {
    QStringList found;
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    for (auto it = expression.globalMatch(text); it.hasNext();) {
        found << it.next().captured(1);
    }
    return found;
}

class HelpPages : public testing::Test {
  protected:
    static void SetUpTestSuite() { LoadHelpPages(); }
};

TEST_F(HelpPages, EveryTopicHasItsOwnTitledPage) {
    std::set<QString> paths;
    for (const HelpTopic topic : AllHelpTopics()) {
        const QString path = PathOf(topic);
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(paths.insert(path).second) << "two topics share a page";
        const QString text = ReadPage(path);
        ASSERT_FALSE(text.isEmpty()) << "missing or empty";
        const QStringList titles = Captures(text, QStringLiteral("<title>([^<]*)</title>"));
        ASSERT_EQ(titles.size(), 1);
        EXPECT_FALSE(titles.front().trimmed().isEmpty());
        EXPECT_EQ(Captures(text, QStringLiteral("<h1>([^<]*)</h1>")).size(), 1);
        EXPECT_FALSE(text.contains(QStringLiteral("<script"), Qt::CaseInsensitive));
    }
}

TEST_F(HelpPages, EveryPageBelongsToATopic) {
    QSet<QString> topic_paths;
    for (const HelpTopic topic : AllHelpTopics()) {
        topic_paths.insert(PathOf(topic));
    }
    const QStringList files = QDir(QStringLiteral(":/help")).entryList(QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files) {
        EXPECT_TRUE(topic_paths.contains(QStringLiteral(":/help/") + file))
            << file.toStdString() << " is no topic's page";
    }
}

// A link to a missing page or a missing anchor shows the reader an empty window.
TEST_F(HelpPages, LinksLeadToPagesAndAnchorsThatExist) {
    std::map<QString, QString> pages;
    for (const HelpTopic topic : AllHelpTopics()) {
        pages[PathOf(topic)] = ReadPage(PathOf(topic));
    }
    for (const auto& [path, text] : pages) {
        for (const QString& link : Captures(text, QStringLiteral("href\\s*=\\s*\"([^\"]*)\""))) {
            SCOPED_TRACE((path + QStringLiteral(" -> ") + link).toStdString());
            ASSERT_FALSE(link.contains(QLatin1Char(':'))) << "pages link only to each other";
            const qsizetype hash = link.indexOf(QLatin1Char('#'));
            const QString page = hash < 0 ? link : link.left(hash);
            const QString target = page.isEmpty() ? path : QStringLiteral(":/help/") + page;
            const auto found = pages.find(target);
            ASSERT_NE(found, pages.end());
            if (hash >= 0) {
                const QString anchor = link.mid(hash + 1);
                EXPECT_TRUE(
                    Captures(found->second, QStringLiteral("name=\"([^\"]*)\"")).contains(anchor));
            }
        }
    }
}

TEST_F(HelpPages, EveryPageCanBeReachedFromTheContents) {
    const QString contents = PathOf(HelpTopic::kContents);
    QSet<QString> reached{contents};
    QStringList waiting{contents};
    while (!waiting.isEmpty()) {
        const QString path = waiting.takeLast();
        for (QString link :
             Captures(ReadPage(path), QStringLiteral("href\\s*=\\s*\"([^\"#]+)[^\"]*\""))) {
            const QString target = QStringLiteral(":/help/") + link;
            if (!reached.contains(target)) {
                reached.insert(target);
                waiting << target;
            }
        }
    }
    for (const HelpTopic topic : AllHelpTopics()) {
        EXPECT_TRUE(reached.contains(PathOf(topic))) << PathOf(topic).toStdString();
    }
}

TEST(HelpContexts, NumberedTopicsOpenTheirPages) {
    EXPECT_EQ(HelpTopicForContext(131197), HelpTopic::kTutorial);
    EXPECT_EQ(HelpTopicForContext(131194), HelpTopic::kAnomalyReport);
    // 0x2007A is how the anomaly report's number is often written.
    EXPECT_EQ(HelpTopicForContext(0x2007A), HelpTopic::kAnomalyReport);
    for (const std::uint32_t unknown : {0u, 131195u, 131196u, 131198u, 0xFFFFFFFFu}) {
        EXPECT_EQ(HelpTopicForContext(unknown), std::nullopt) << unknown;
    }
}

}  // namespace
}  // namespace ticksmith::app
