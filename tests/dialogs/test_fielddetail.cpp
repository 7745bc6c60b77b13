// The field detail window on a message of the in-memory store: opened from the Edit menu and by Enter, enabled only
// for a selected field row, following the selection, copied and saved.

#include "dialogs/frmfielddetail.h"
#include "fields/fieldswindow.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

TEST(FieldDetailWindow, OpensFollowsCopiesAndSaves)
{
    const MessageData message { .id = "M1",
        .subject = "Hello",
        .fields = { Field(0x0FFF0102, {}, Value::binary(QByteArray::fromHex("00000000AABB"))),
            Field(0x8001001F, u"PSETID_Common:0x8580"_s, Value::string(u"acct"_s)) } };
    FieldsWindow w({ .stores = { { "S1", "Mailbox", {}, {},
                         { .id = "F0",
                             .folders = { { .id = "F1",
                                 .name = "Inbox",
                                 .messages = { message, { .id = "00000000AB", .subject = "No stored id" } } } } } } } },
        "[Named Field Definitions]\nPSETID_Common:0x8580=PidLidInternetAccountName 'Area: General messaging\n");
    w.w->storeTag = u"S1"_s;
    w.select(w.w->lstMessages, u"M1"_s, u"M1"_s);
    w.w->subDispObjFields(u"Message"_s);
    auto* action = w.w->findChild<QAction*>(u"mnuActFieldDetails"_s);
    ASSERT_TRUE(action);
    const auto enabledNow = [&] {
        emit w.w->mnuAct->aboutToShow();
        return action->isEnabled();
    };
    const auto row = [&](const QString& name) { return w.w->lstFields->findItems(name, Qt::MatchStartsWith).value(0); };

    w.w->activePane = PaneMessages;
    w.w->lstFields->setCurrentItem(row(u"0FFF0102"_s));
    EXPECT_FALSE(enabledNow()); // another pane is active
    w.w->activePane = PaneFields;
    EXPECT_TRUE(enabledNow());
    w.w->lstFields->clearSelection();
    EXPECT_FALSE(enabledNow());

    w.w->lstFields->setCurrentItem(row(u"0FFF0102"_s));
    ASSERT_TRUE(enabledNow());
    action->trigger();
    auto* window = w.w->findChild<FrmFieldDetail*>();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible() && !window->isModal());
    EXPECT_TRUE(window->text().startsWith(u"Tag: 0FFF0102\nName: 0FFF0102\n"_s)) << window->text().toStdString();
    EXPECT_TRUE(window->text().contains(u"Stopped at offset 4 (0x4): the provider UID needs 16 bytes, 2 left"_s));

    // The named row carries its canonical name, and the open window follows the selection.
    w.w->lstFields->setCurrentItem(row(u"PidLidInternetAccountName"_s));
    EXPECT_TRUE(window->text().contains(
        u"Property set: {00062008-0000-0000-C000-000000000046} (PSETID_Common)\nNumber: 0x8580\n"_s));
    w.w->lstFields_Click();
    EXPECT_TRUE(w.w->statusText().endsWith(u"{Area: General messaging}"_s)) << w.w->statusText().toStdString();

    window->cmdCopy_Click();
    EXPECT_EQ(w.platform.clipboard, window->text());
    QTemporaryDir dir;
    w.platform.chosenFiles.push_back({ dir.filePath(u"detail.txt"_s) });
    window->cmdSave_Click();
    QFile saved(dir.filePath(u"detail.txt"_s));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), window->text());

    // Enter on a row brings the one window back.
    window->close();
    w.w->lstFields->setCurrentItem(row(u"0FFF0102"_s));
    QTest::keyClick(w.w->lstFields, Qt::Key_Return);
    EXPECT_EQ(w.w->findChildren<FrmFieldDetail*>().size(), 1);
    EXPECT_TRUE(w.w->findChild<FrmFieldDetail*>()->text().startsWith(u"Tag: 0FFF0102"_s));

    // The entry identifier button: the stored one, else the one the store gives the object, said to be unstored.
    window->cmdEntryId->click();
    EXPECT_TRUE(window->text().startsWith(u"Tag: 0FFF0102\nName: 0FFF0102\nType:"_s)) << window->text().toStdString();
    w.select(w.w->lstMessages, u"00000000AB"_s, u"00000000AB"_s);
    w.w->subDispObjFields(u"Message"_s);
    window->cmdEntryId->click();
    EXPECT_TRUE(window->text().startsWith(
        u"Tag: 0FFF0102\nName: 0FFF0102\nNot stored: the identifier the store gives the object\n"_s))
        << window->text().toStdString();
    EXPECT_TRUE(window->text().contains(u"00000000  00 00 00 00 AB"_s));
}
