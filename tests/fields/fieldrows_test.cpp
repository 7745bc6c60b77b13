#include "fieldswindow.h"

using namespace store;
using store::memory::failingField;
using store::memory::longField;
using store::memory::namedField;
using store::memory::stringField;

namespace {

const QByteArray definitions = "[MAPI Field Definitions]\n"
                               "0037=PR_SUBJECT\n"
                               "001A=PR_MESSAGE_CLASS\n"
                               "0E1D=PR_NORMALIZED_SUBJECT  'comment after two blanks\n"
                               "8001=PR_NAMED_ONE\n"
                               "0000=PR_NULL\n"
                               "[Alt Field Definitions]\n"
                               "0037=Subject        'PidTagSubject: the subject line\n"
                               "0E1D=Topic\t'a tab before the apostrophe\n"
                               "3001='only a comment\n"
                               "0FFF=Entry 'Id' of it   'two apostrophes\n";

struct NamingCase {
    const char* what;
    bool mapiCodes;
    bool altCodes;
    Field field;
    const char* name;
};

} // namespace

TEST(FieldRows, NamesFromTheDefinitionTables)
{
    const NamingCase cases[] = {
        { "alt wins", true, true, stringField(0x0037001E, QStringLiteral("x")), "Subject" },
        { "alt off: MAPI", true, false, stringField(0x0037001E, QStringLiteral("x")), "PR_SUBJECT" },
        { "codes off: tag", false, true, stringField(0x0037001E, QStringLiteral("x")), "0037001E" },
        { "only MAPI defines", true, true, stringField(0x001A001F, QStringLiteral("x")), "PR_MESSAGE_CLASS" },
        { "two blanks before comment", true, false, stringField(0x0E1D001E, QStringLiteral("x")),
            "PR_NORMALIZED_SUBJECT" },
        { "tab before comment", true, true, stringField(0x0E1D001E, QStringLiteral("x")), "Topic" },
        { "leading apostrophe: empty, tag", true, true, stringField(0x3001001E, QStringLiteral("x")), "3001001E" },
        { "cut at the last apostrophe", true, true, stringField(0x0FFF0102, QStringLiteral("x")), "Entry 'Id' of it" },
        { "small tag padded", false, true, longField(0x1E, 5), "0000001E" },
        { "small tag key 0000", true, true, longField(0x1E, 5), "PR_NULL" },
        { "high tag, 8 digits", false, true, stringField(0x8001001F, QStringLiteral("x")), "8001001F" },
        { "high tag key 8001", true, true, stringField(0x8001001F, QStringLiteral("x")), "PR_NAMED_ONE" },
        { "undefined", true, true, longField(0x0E080003, 5), "0E080003" },
        { "named field ignores tables", true, true,
            namedField(0x8001001F, QStringLiteral("Keywords"), Value::string(QStringLiteral("x"))), "<Keywords>" },
    };
    FieldsWindow w({}, definitions);
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.what);
        w.window->config.mapiCodes = c.mapiCodes;
        w.window->config.altCodes = c.altCodes;
        w.window->subDispFieldColl(Fields({ c.field }));
        ASSERT_EQ(w.rows().size(), 1);
        EXPECT_EQ(w.window->lstFields->topLevelItem(0)->text(0), QString::fromUtf8(c.name));
    }
}

TEST(FieldRows, NoSettingsFileGivesHexTags)
{
    FieldsWindow w;
    QFile::remove(w.iniPath());
    w.window->subDispFieldColl(Fields({ stringField(0x0037001E, QStringLiteral("Hi")) }));
    EXPECT_EQ(w.rows(), QStringList { QStringLiteral("0037001E=Hi") });
}

TEST(FieldRows, ValuesTypesSizesAndRowTags)
{
    struct Case {
        const char* what;
        Field field;
        const char* row; // name-type:size=value
        const char* tag;
    };
    const QString text1000(1000, QLatin1Char('a'));
    const QString text1001 = text1000 + QLatin1Char('b');
    const Case cases[] = {
        { "text", stringField(0x0037001E, QStringLiteral("Hello World!")), "0037001E-String:12=Hello World!",
            "37001E" },
        { "number", longField(0x0E080003, 1234), "0E080003-Long:4=1234", "E080003" },
        { "Long() array",
            Field(0x10031003, {},
                Value::array(Value::Type::Long, { Value::longValue(1), Value::longValue(2), Value::longValue(3) })),
            "10031003-Long():9=(1)(2)(3)", "10031003" },
        { "empty array", Field(0x1003101F, {}, Value::array(Value::Type::String, {})),
            "1003101F-String():0=", "1003101F" },
        { "Variant() with number and text",
            Field(0x10041048, {},
                Value::array(Value::Type::Empty, { Value::longValue(42), Value::string(QStringLiteral("two")) })),
            "10041048-Variant():9=(42)(two)", "10041048" },
        { "binary as hexadecimal", Field(0x0FFF0102, {}, Value::binary(QByteArray("\x01\xAB", 2))),
            "0FFF0102-String:4=01AB", "FFF0102" },
        { "high tag", longField(0x80010003, 7), "80010003-Long:1=7", "80010003" },
    };
    FieldsWindow w;
    w.window->showFieldType = true;
    w.window->showFieldSize = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        w.window->subDispFieldColl(Fields({ c.field }));
        EXPECT_EQ(w.rows(), QStringList { QString::fromUtf8(c.row) });
        EXPECT_EQ(w.rowTags(), QStringList { QString::fromUtf8(c.tag) });
    }

    w.window->subDispFieldColl(Fields({ stringField(0x1000001F, text1000), stringField(0x1000001E, text1001) }));
    EXPECT_EQ(w.rows().value(0), QStringLiteral("1000001F-String:1000=") + text1000);
    EXPECT_EQ(w.rows().value(1), QStringLiteral("1000001E-String:1001=") + text1000 + QStringLiteral("***"));
}

TEST(FieldRows, LargeBinaryIsCutWithItsFullSize)
{
    FieldsWindow w;
    w.window->showFieldSize = true;
    w.window->subDispFieldColl(Fields({ Field(0x37010102, {}, Value::binary(QByteArray(3000, '\x5A'))) }));
    EXPECT_EQ(w.rows().value(0),
        QStringLiteral("37010102:6000=") + QStringLiteral("5A").repeated(500) + QStringLiteral("***"));
}

TEST(FieldRows, CaptionCountsAndEmptyCollection)
{
    FieldsWindow w;
    w.window->subDispFieldColl(Fields({ longField(0x0E080003, 1), longField(0x0E070003, 2) }));
    EXPECT_EQ(w.caption(), QStringLiteral("Fields: (2)"));
    w.window->subDispFieldColl(Fields());
    EXPECT_EQ(w.caption(), QStringLiteral("Fields: (0)"));
    EXPECT_TRUE(w.rows().isEmpty());
}

TEST(FieldRows, FailingFieldEndsTheListingAndPassesTheFailure)
{
    FieldsWindow w;
    const Fields fields({ longField(0x0E080003, 1), failingField(0x0E070003, Error(mapi::E_CORRUPT_DATA, "bad")),
        longField(0x0E060003, 3) });
    try {
        w.window->subDispFieldColl(fields);
        FAIL() << "the failure must reach the caller";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), mapi::E_CORRUPT_DATA);
    }
    EXPECT_EQ(w.caption(), QStringLiteral("Fields: (3)"));
    EXPECT_EQ(w.rows(), QStringList { QStringLiteral("0E080003=1") });
}

TEST(FieldRows, HandEditOfTheTablesShowsAtTheNextListing)
{
    FieldsWindow w({}, "[MAPI Field Definitions]\n0037=PR_SUBJECT\n");
    const Fields fields({ stringField(0x0037001E, QStringLiteral("x")) });
    w.window->subDispFieldColl(fields);
    EXPECT_EQ(w.rows(), QStringList { QStringLiteral("PR_SUBJECT=x") });
    w.writeIni("[MAPI Field Definitions]\n0037=PR_SUBJECT\n[Alt Field Definitions]\n0037=Subject 'edited\n");
    w.window->subDispFieldColl(fields);
    EXPECT_EQ(w.rows(), QStringList { QStringLiteral("Subject=x") });
}
