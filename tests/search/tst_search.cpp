#include "pstwriter.h"
#include "search/frmsearch.h"
#include "support/pstwindow.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace {

const char* const storeJson = R"({ "time": "2024-03-01T09:00:00Z", "folders": [
    { "name": "A", "messages": [ { "subject": "Budget 1", "created": "2024-03-01T09:00:00Z" },
                                 { "subject": "other", "created": "2024-03-03T09:00:00Z" } ],
      "folders": [ { "name": "Budgets", "messages": [ { "subject": "budget 2", "created": "2024-03-02T09:00:00Z" } ] } ] },
    { "name": "B", "messages": [ { "subject": "BUDGET 3", "created": "2024-03-05T09:00:00Z" },
                                 { "subject": "Budget 4", "created": "2024-03-04T09:00:00Z" } ] } ] })";

class SearchWindow : public testing::Test {
protected:
    QString write(const QByteArray& json)
    {
        const QString path = dir.filePath("search.pst");
        QString error;
        EXPECT_TRUE(pstwriter::writeStore(QJsonDocument::fromJson(json).object(), path, &error)) << error.toStdString();
        return path;
    }
    // The window, opened from the Edit menu and searching every store for the text.
    FrmSearch* open(FrmMain& w, const QString& text)
    {
        w.findChild<QAction*>("mnuActSearch")->trigger();
        auto* s = w.findChild<FrmSearch*>();
        s->txtText->setText(text);
        s->optScopeAll->setChecked(true);
        s->cmdSearch->click();
        return s;
    }
    static void finish(FrmSearch* s)
    {
        for (int i = 0; i < 1000 && s->searching(); ++i)
            QCoreApplication::processEvents();
    }
    static QStringList rows(QTreeWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1) + "|" + list->topLevelItem(i)->text(2);
        return out;
    }
    QTemporaryDir dir;
};

TEST_F(SearchWindow, MatchesInSeveralFoldersAndEachShownInTheWindow)
{
    PstWindow window(write(storeJson));
    ASSERT_TRUE(window.started);
    FrmMain& w = *window.window;
    FrmSearch* s = open(w, "budget");
    finish(s);
    const QString top = "Personal Folders|\\Top of Personal Folders\\";
    // Depth first, each folder's messages newest first, a folder's name match before its messages.
    EXPECT_EQ(rows(s->lstMatches), QStringList({ top + "A\\|Budget 1", top + "A\\Budgets\\|Budgets",
                                       top + "A\\Budgets\\|budget 2", top + "B\\|BUDGET 3", top + "B\\|Budget 4" }));
    EXPECT_EQ(s->lblCount->text(), "5 matches");
    EXPECT_TRUE(s->lblProgress->text().startsWith("Done")) << s->lblProgress->text().toStdString();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); // busy while it ran (see below), idle once done
    // The one window comes up again, its matches kept.
    w.findChild<QAction*>("mnuActSearch")->trigger();
    EXPECT_EQ(w.findChildren<FrmSearch*>().size(), 1);

    // A double-click on a match below a folder that was never opened: the tree opens down to it, its row is chosen.
    // With a limit of one row, "Budget 4" is not listed and its fields are shown directly.
    w.config.limit = 0; // with offset 1: one row
    for (const auto& [row, folder, listed] : { std::tuple { 2, "Budgets", "budget 2" }, { 3, "B", "BUDGET 3" }, { 4, "B", "" } }) {
        QTreeWidgetItem* match = s->lstMatches->topLevelItem(row);
        const QString subject = match->text(2);
        window.click(s->lstMatches, match);
        QTest::mouseDClick(s->lstMatches->viewport(), Qt::LeftButton, {}, s->lstMatches->visualItemRect(match).center());
        ASSERT_TRUE(w.tvwFolders->currentItem());
        EXPECT_EQ(w.tvwFolders->currentItem()->text(0), folder);
        EXPECT_EQ(w.lstMessages->currentItem() ? w.lstMessages->currentItem()->text(0) : QString(), listed);
        EXPECT_FALSE(w.lstFields->findItems(subject, Qt::MatchExactly, 1).isEmpty()) << subject.toStdString();
    }
    EXPECT_EQ(w.tvwFolders->findItems("Budgets", Qt::MatchRecursive).value(0)->parent()->text(0), "A");
}

TEST_F(SearchWindow, StopEndsTheSearchAtOnce)
{
    QJsonArray folders;
    for (int i = 0; i < 300; ++i)
        folders.append(QJsonObject { { "name", QString("F%1").arg(i) },
            { "messages", QJsonArray { QJsonObject { { "subject", "budget" } } } } });
    PstWindow window(write(QJsonDocument(QJsonObject { { "folders", folders } }).toJson()));
    ASSERT_TRUE(window.started);
    FrmSearch* s = open(*window.window, "budget");
    EXPECT_TRUE(window.window->busyCursor());
    QCoreApplication::processEvents(); // a slice or two: the window answers between them
    const int found = s->lstMatches->topLevelItemCount();
    EXPECT_GT(found, 0);
    EXPECT_LT(found, 300);
    // A double-click shows a match (the main window's status line then calls itself idle); the search goes on busy.
    s->lstMatches->setCurrentItem(s->lstMatches->topLevelItem(0));
    s->lstMatches_DblClick();
    EXPECT_TRUE(s->searching() && QGuiApplication::overrideCursor());
    s->cmdStop->click();
    EXPECT_TRUE(s->lblProgress->text().startsWith("Stopped")) << s->lblProgress->text().toStdString();
    EXPECT_FALSE(QGuiApplication::overrideCursor());
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(s->lstMatches->topLevelItemCount(), found);
    EXPECT_FALSE(s->searching());

    // Closing the window ends its search and the busy cursor with it.
    s->cmdSearch->click();
    s->close();
    EXPECT_FALSE(s->searching() || QGuiApplication::overrideCursor());
}

} // namespace
