// "Check Store..." in the window: a store without a file lets the user choose files; the result window copies
// and saves what it shows.

#include "dialogs/frmcheckresult.h"
#include "mainwindow/windowfixture.h"

#include <QAction>
#include <QApplication>
#include <gtest/gtest.h>

namespace {

TEST(CheckWindow, ChosenFileIsCheckedAndTheResultCopiedAndSaved)
{
    store::memory::SessionData data;
    data.stores.emplace_back().root.name = QStringLiteral("Top");
    WindowFixture f(data);
    ASSERT_TRUE(f.load());
    const QString store = f.dir.filePath(QStringLiteral("no store.pst"));
    QFile file(store);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(600, 'x')) == 600);
    file.close();
    f.platform.chosenFiles.push_back({ store }); // the memory store has no file: the user picks one
    f.w->mnuFileCheck->trigger();
    ASSERT_TRUE(f.w->checkResult);
    const QString text = f.w->checkResult->text();
    EXPECT_TRUE(text.startsWith("Store: " + store + "\nCannot be opened as a store: ")) << text.toStdString();
    EXPECT_EQ(f.w->statusText(), QStringLiteral("  Check= problems found"));
    EXPECT_FALSE(QApplication::overrideCursor());

    f.w->checkResult->copy();
    EXPECT_EQ(f.platform.clipboard, text);
    const QString saved = f.dir.filePath(QStringLiteral("result.txt"));
    f.platform.chosenFiles.push_back({ saved });
    f.w->checkResult->save();
    QFile back(saved);
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(back.readAll()), text);
}

} // namespace
