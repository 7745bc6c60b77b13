#include "fieldswindow.h"

#include <QAction>

using namespace store;
using store::memory::longField;
using store::memory::namedField;
using store::memory::stringField;

namespace {

const QByteArray definitions = "[Alt Field Definitions]\n"
                               "0037=Subject   '   PidTagSubject: the subject line   \n"
                               "0E08=Message Size\n"
                               "0000=Null 'key of rows without a tag\n";

class FieldListTest : public testing::Test {
protected:
    FieldListTest()
    {
        w.window->config.mapiCodes = false; // the detail reads the comment whatever the naming options say
        w.window->subDispFieldColl(Fields(
            { longField(0x0E080003, 512), longField(0x0E070003, 1), stringField(0x0037001E, QStringLiteral("Hello")),
                namedField(0x8005001F, QStringLiteral("Keywords"), Value::string(QStringLiteral("red"))) }));
    }
    void selectRow(int index) const { w.window->lstFields->setCurrentItem(w.window->lstFields->topLevelItem(index)); }

    FieldsWindow w { {}, definitions };
};

} // namespace

TEST_F(FieldListTest, RowDetailInTheStatusLine)
{
    struct Case {
        int row;
        const char* status;
    };
    const Case cases[] = {
        { 2, "3  [0037001E]  0037001E=Hello     {PidTagSubject: the subject line}" },
        { 0, "1  [0E080003]  0E080003=512" },
        { 1, "2  [0E070003]  0E070003=1" },
        { 3, "4  [8005001F]  <Keywords>=red" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        selectRow(c.row);
        w.window->lstFields_Click();
        EXPECT_EQ(w.window->statusText(), QString::fromUtf8(c.status));
    }
    // Any key released in the list refreshes the detail.
    selectRow(0);
    w.window->lstFields_KeyUp();
    EXPECT_EQ(w.window->statusText(), QStringLiteral("1  [0E080003]  0E080003=512"));

    // A row without a tag pads to "0000" and takes that key's comment.
    auto* row = FrmMain::subAddListRow(w.window->lstFields, { QStringLiteral(" To :  User  "), QStringLiteral("Ann") });
    w.window->lstFields->setCurrentItem(row);
    w.window->lstFields_Click();
    EXPECT_EQ(w.window->statusText(), QStringLiteral("5  [0000]   To :  User  =Ann     {key of rows without a tag}"));
}

TEST_F(FieldListTest, EmptyListChangesNothingButThePressStillCounts)
{
    w.window->subDispFieldColl(Fields());
    w.window->setStatusDirect(QStringLiteral("before"));
    w.window->lstFields_Click();
    w.window->lstFields_DblClick();
    EXPECT_EQ(w.window->statusText(), QStringLiteral("before"));
    EXPECT_TRUE(w.platform.boxes.isEmpty());

    w.window->activePane = PaneMessages;
    w.window->mnuActCopyItem->setEnabled(true);
    w.window->lstFields_MouseDown(Qt::LeftButton, {});
    EXPECT_FALSE(w.window->mnuActCopyItem->isEnabled());
    EXPECT_EQ(w.window->activePane, PaneFields);
}

TEST_F(FieldListTest, MousePressSetsTheEditMenu)
{
    for (QAction* item : { w.window->mnuActAddShortcut, w.window->mnuActGetURL, w.window->mnuActOffset })
        item->setEnabled(true);
    w.window->mnuActFind->setEnabled(false);
    w.window->lstFields_MouseDown(Qt::LeftButton, {});
    EXPECT_FALSE(w.window->mnuActAddShortcut->isEnabled());
    EXPECT_FALSE(w.window->mnuActGetURL->isEnabled());
    EXPECT_FALSE(w.window->mnuActOffset->isEnabled());
    EXPECT_TRUE(w.window->mnuActCopyItem->isEnabled());
    EXPECT_FALSE(w.window->mnuActFind->isEnabled()); // left as the last press elsewhere left it
    EXPECT_EQ(w.window->activePane, PaneFields);
}

TEST_F(FieldListTest, DoubleClickCopiesTheRow)
{
    selectRow(3);
    w.window->lstFields_DblClick();
    EXPECT_EQ(w.platform.clipboard, QStringLiteral("[<Keywords>] red"));
    ASSERT_EQ(w.platform.boxes.size(), 1);
    EXPECT_EQ(w.platform.boxes[0].text, QStringLiteral("[<Keywords>] \r\nred"));
    EXPECT_EQ(w.platform.boxes[0].title, QStringLiteral("Storewalker - Stored in Clipboard"));
    EXPECT_EQ(w.platform.boxes[0].buttons, Platform::Buttons::Ok);
}

TEST_F(FieldListTest, FirstHeaderClickAfterAListingSortsAscending)
{
    w.window->subDispObjFields(QStringLiteral("none")); // the driver presets the order, whatever it lists
    w.window->subDispFieldColl(
        Fields({ longField(0x0E080003, 2), longField(0x0E070003, 1), stringField(0x0037001E, QStringLiteral("3")) }));
    w.window->lstFields_ColumnClick(2);
    EXPECT_EQ(w.window->lstFields->headerItem()->text(1), QStringLiteral("Value  >"));
    EXPECT_EQ(w.rows(),
        (QStringList { QStringLiteral("0E070003=1"), QStringLiteral("0E080003=2"), QStringLiteral("0037001E=3") }));
    w.window->lstFields_ColumnClick(2);
    EXPECT_EQ(w.window->lstFields->headerItem()->text(1), QStringLiteral("Value  <"));
    EXPECT_EQ(w.rows().value(0), QStringLiteral("0037001E=3"));

    // The next listing takes the marker off and starts unsorted, in collection order.
    w.window->subDispObjFields(QStringLiteral("none"));
    EXPECT_EQ(w.window->lstFields->headerItem()->text(1), QStringLiteral("Value"));
    w.window->subDispFieldColl(Fields({ longField(0x0E080003, 2), longField(0x0E070003, 1) }));
    EXPECT_EQ(w.rows().value(0), QStringLiteral("0E080003=2"));
    w.window->lstFields_ColumnClick(1);
    EXPECT_EQ(w.window->lstFields->headerItem()->text(0), QStringLiteral("Name  >"));
}

TEST(FunCleanText, MakesOneShortLine)
{
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        { QStringLiteral("a\r\nb\r\nc"), QStringLiteral("a <cr> b <cr> c") },
        { QStringLiteral("a\nb\nc"), QStringLiteral("a <cr> b <cr> c") },
        { QStringLiteral("a\rb"), QStringLiteral("a <cr> b") },
        { QStringLiteral("a\n\rb"), QStringLiteral("a <cr>  <cr> b") },
        { QStringLiteral("end\r\n"), QStringLiteral("end <cr> ") },
        { QString(300, QLatin1Char('x')), QString(200, QLatin1Char('x')) },
        { QString(198, QLatin1Char('x')) + QStringLiteral("\r\n"),
            QString(198, QLatin1Char('x')) + QStringLiteral(" <") },
        { QString(), QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in.toStdString());
        EXPECT_EQ(FrmMain::funCleanText(c.in), c.out);
    }
}
