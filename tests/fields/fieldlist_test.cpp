#include "fieldswindow.h"

TEST(FieldList, RowDetailAndCopy)
{
    FieldsWindow w({},
        "[Alt Field Definitions]\n0037=Subject   '   PidTagSubject: the subject line   \n0E08=Message Size\n"
        "0000=Null 'key of rows without a tag\n");
    w.w->config.mapiCodes = false; // the detail reads the comment whatever the naming options say
    w.w->subDispFieldColl(Fields({ longField(0x0E080003, 512), stringField(0x0037001E, u"Hello"_s),
        namedField(0x8005001F, u"Keywords"_s, Value::string(u"red"_s)) }));
    FrmMain::subAddListRow(w.w->lstFields, { u" To :  User  "_s, u"Ann"_s }); // a recipient row: no tag
    const QString details[] = {
        "1  [0E080003]  0E080003=512",
        "2  [0037001E]  0037001E=Hello     {PidTagSubject: the subject line}",
        "3  [8005001F]  <Keywords>=red",
        "4  [0000]   To :  User  =Ann     {key of rows without a tag}",
    };
    for (int row = 0; row < 4; ++row) {
        w.w->lstFields->setCurrentItem(w.w->lstFields->topLevelItem(row));
        w.w->lstFields_Click();
        EXPECT_EQ(w.w->statusText(), details[row]);
    }

    w.w->lstFields->setCurrentItem(w.w->lstFields->topLevelItem(2));
    w.w->lstFields_DblClick();
    EXPECT_EQ(w.platform.clipboard, u"[<Keywords>] red"_s);
    ASSERT_EQ(w.platform.boxes.size(), 1);
    EXPECT_EQ(w.platform.boxes[0].text, u"[<Keywords>] \r\nred"_s);
    EXPECT_EQ(w.platform.boxes[0].title, u"Storewalker - Stored in Clipboard"_s);

    // An empty list has no row to show or copy.
    w.w->subDispFieldColl(Fields());
    w.w->lstFields_Click();
    w.w->lstFields_DblClick();
    EXPECT_EQ(w.w->statusText(), details[3]);
    EXPECT_EQ(w.platform.boxes.size(), 1);
}

TEST(FieldList, FirstHeaderClickAfterEveryListingSortsAscending)
{
    FieldsWindow w;
    for (int listing = 1; listing <= 2; ++listing) {
        w.w->subDispObjFields(u"none"_s); // presets the order, whatever it lists
        w.w->subDispFieldColl(Fields({ longField(0x0E080003, 2), longField(0x0E070003, 1) }));
        w.w->lstFields_ColumnClick(2);
        EXPECT_EQ(w.rows(), (QStringList { u"0E070003=1"_s, u"0E080003=2"_s })) << "listing " << listing;
    }
}

TEST(FunCleanText, MakesOneShortLine)
{
    const std::pair<QString, QString> cases[] = {
        { "a\r\nb\r\nc", "a <cr> b <cr> c" },
        { "a\nb\nc", "a <cr> b <cr> c" },
        { "a\rb", "a <cr> b" },
        { "a\n\rb", "a <cr>  <cr> b" },
        { "end\r\n", "end <cr> " },
        { QString(300, u'x'), QString(200, u'x') },
        { QString(198, u'x') + "\r\n", QString(198, u'x') + " <" },
        { {}, {} },
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(FrmMain::funCleanText(in), out) << in.toStdString();
}
