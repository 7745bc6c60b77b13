#include "fieldswindow.h"

TEST(FieldRows, NamesFromTheDefinitionTables)
{
    FieldsWindow w({},
        "[MAPI Field Definitions]\n0037=PR_SUBJECT  'comment after two blanks\n001A=PR_MESSAGE_CLASS\n"
        "8001=PR_NAMED_ONE\n0000=PR_NULL\n[Alt Field Definitions]\n0037=Subject        'PidTagSubject\n"
        "0E1D=Topic\t'a tab before the apostrophe\n3001='only a comment\n0FFF=Entry 'Id' of it   'two apostrophes\n");
    const struct {
        const char* what;
        bool mapiCodes, altCodes;
        quint32 tag;
        QString name;
    } cases[] = {
        { "alt wins", true, true, 0x0037001E, "Subject" },
        { "alt off: MAPI, comment stripped", true, false, 0x0037001E, "PR_SUBJECT" },
        { "codes off: tag", false, true, 0x0037001E, "0037001E" },
        { "alt on, only MAPI defines", true, true, 0x001A001F, "PR_MESSAGE_CLASS" },
        { "tab before comment", true, true, 0x0E1D001E, "Topic" },
        { "leading apostrophe: empty, tag", true, true, 0x3001001E, "3001001E" },
        { "cut at the last apostrophe", true, true, 0x0FFF0102, "Entry 'Id' of it" },
        { "small tag padded", false, true, 0x1E, "0000001E" },
        { "small tag key 0000", true, true, 0x1E, "PR_NULL" },
        { "high tag, 8 digits", false, true, 0x8001001F, "8001001F" },
        { "high tag key 8001", true, true, 0x8001001F, "PR_NAMED_ONE" },
        { "undefined", true, true, 0x0E080003, "0E080003" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        w.w->config.mapiCodes = c.mapiCodes;
        w.w->config.altCodes = c.altCodes;
        w.w->subDispFieldColl(Fields({ stringField(c.tag, u"x"_s) }));
        EXPECT_EQ(w.rows(), QStringList { c.name + u"=x"_s });
    }
    // A named field ignores the tables.
    w.w->subDispFieldColl(Fields({ namedField(0x8001001F, u"Keywords"_s, Value::string(u"x"_s)) }));
    EXPECT_EQ(w.rows(), QStringList { u"<Keywords>=x"_s });

    // The file is read at every listing: a hand edit shows at once, a missing file gives hex tags.
    w.writeIni("[Alt Field Definitions]\n0037=Edited 'by hand\n");
    w.w->subDispFieldColl(Fields({ stringField(0x0037001E, u"x"_s) }));
    EXPECT_EQ(w.rows(), QStringList { u"Edited=x"_s });
    QFile::remove(w.iniPath());
    w.w->subDispFieldColl(Fields({ stringField(0x0037001E, u"x"_s) }));
    EXPECT_EQ(w.rows(), QStringList { u"0037001E=x"_s });
}

TEST(FieldRows, ValuesTypesSizesAndFailures)
{
    const QString text1000(1000, u'a');
    const struct {
        const char* what;
        Field field;
        QString row; // name-type:size=value
    } cases[] = {
        { "number", longField(0x0E080003, 1234), "0E080003-Long:4=1234" },
        { "empty array", Field(0x1003101F, {}, Value::array(Value::Type::String, {})), "1003101F-String():0=" },
        { "Variant() with number and text",
            Field(0x10041048, {}, Value::array(Value::Type::Empty, { Value::longValue(42), Value::string(u"two"_s) })),
            "10041048-Variant():9=(42)(two)" },
        { "binary as hexadecimal", Field(0x0FFF0102, {}, Value::binary(QByteArray("\x01\xAB", 2))),
            "0FFF0102-String:4=01AB" },
        { "1000 characters whole", stringField(0x1000001F, text1000), "1000001F-String:1000=" + text1000 },
        { "1001 cut", stringField(0x1000001E, text1000 + u'b'), "1000001E-String:1001=" + text1000 + "***" },
        { "large binary cut, full size", Field(0x37010102, {}, Value::binary(QByteArray(3000, '\x5A'))),
            "37010102-String:6000=" + u"5A"_s.repeated(500) + "***" },
    };
    FieldsWindow w;
    w.w->showFieldType = w.w->showFieldSize = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        w.w->subDispFieldColl(Fields({ c.field }));
        EXPECT_EQ(w.rows(), QStringList { c.row });
    }

    // An unreadable field shows its failure, number and text, as its value, and the listing goes on; an empty
    // collection clears the list.
    const Fields failing({ longField(0x0E080003, 1), failingField(0x0E070003, Error(mapi::E_CORRUPT_DATA, "bad")),
        longField(0x0E170003, 2) });
    w.w->subDispFieldColl(failing);
    EXPECT_EQ(w.caption(), u"Fields: (3)"_s);
    EXPECT_EQ(w.rows(),
        (QStringList { u"0E080003-Long:1=1"_s, u"0E070003=Error 0x8004011B: bad"_s, u"0E170003-Long:1=2"_s }));
    w.w->subDispFieldColl(Fields());
    EXPECT_EQ(w.caption(), u"Fields: (0)"_s);
    EXPECT_TRUE(w.rows().isEmpty());
}
