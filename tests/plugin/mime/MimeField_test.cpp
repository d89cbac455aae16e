// One header field: loading, parameters and storing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "plugin/mime/MimeField.h"

namespace {

int LoadField(CMimeField& field, const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() > 0 ? text.size() : 1]);
    text.copy(copy.get(), text.size());
    return field.Load(copy.get(), static_cast<int>(text.size()));
}

std::string StoreField(const CMimeField& field, int size = -1) {
    const int length = size < 0 ? field.GetLength() : size;
    std::unique_ptr<char[]> out(new char[length > 0 ? length : 1]);
    return std::string(out.get(), field.Store(out.get(), length));
}

CMimeField Field(const std::string& name, const std::string& value) {
    CMimeField field;
    field.SetName(name);
    field.SetValue(value);
    return field;
}

TEST(MimeField, LoadTakesOneFieldWithItsFoldingAndEncodedWords) {
    struct Case {
        std::string text;
        int consumed; // 0: the field is refused
        std::string name;
        std::string value;
        std::string charset;
    };
    const Case cases[] = {
        {"Subject: \t Hello\r\n\tworld\r\nNext: x\r\n", 26, "Subject", "Hello\r\n\tworld", ""},
        {"Subject: =?GB2312?B?1tDOxA==?=\r\n", 32, "Subject", "\xD6\xD0\xCE\xC4", "GB2312"},
        {"To: a@b\n c@d\nX: y\n", 13, "To", "a@b\n c@d", ""},
        // Leading continuation lines are dropped; a line without a colon has no name.
        {" stray\r\n\tstray\r\nTo: x\r\n", 23, "To", "x", ""},
        {"no colon here\r\n", 15, "", "no colon here", ""},
        // A field must end with a line end.
        {"Subject: no line end", 0, "", "", ""},
        {"Subject: folded\r\n more", 0, "", "", ""},
        {"\r\n", 0, "", "", ""},
        {"", 0, "", "", ""},
    };
    for (const Case& c : cases) {
        CMimeField field;
        EXPECT_EQ(LoadField(field, c.text), c.consumed) << c.text;
        if (c.consumed > 0) {
            EXPECT_EQ(field.GetName(), c.name) << c.text;
            EXPECT_EQ(field.GetValue(), c.value) << c.text;
            EXPECT_EQ(field.GetCharset(), c.charset) << c.text;
        }
    }
}

TEST(MimeField, MainValueStopsAtSemicolonWithoutTrailingSpace) {
    std::string main;
    Field("Content-Type", "text/plain \t; charset=utf-8").GetValue(main);
    EXPECT_EQ(main, "text/plain");
    Field("Content-Type", "text/html ").GetValue(main);
    EXPECT_EQ(main, "text/html");
}

TEST(MimeField, GetParameterFindsQuotedAndBareValuesByNameIgnoringCase) {
    struct Case {
        std::string value;
        std::string parameter;
        bool found;
        std::string expected;
    };
    const std::string list = "text/plain; filename=a.txt; NAME=\"x y.txt\";\r\n\tcharset=utf-8 (c)";
    // Unquoted values keep special characters up to the semicolon.
    const std::string special = "multipart/mixed; boundary=----=_Part_1.2;name=a.b(c)";
    const Case cases[] = {
        {list, "name", true, "x y.txt"},
        {list, "Charset", true, "utf-8"},
        {list, "filename", true, "a.txt"},
        {list, "boundary", false, ""},
        {"text/plain", "charset", false, ""},
        {special, "boundary", true, "----=_Part_1.2"},
        {special, "name", true, "a.b(c)"},
        // An unclosed quote keeps the rest of the word.
        {"a/b; name=\"open end", "name", true, "open"},
    };
    for (const Case& c : cases) {
        std::string value = "stale";
        EXPECT_EQ(Field("Content-Type", c.value).GetParameter(c.parameter, value), c.found)
            << c.value << " / " << c.parameter;
        EXPECT_EQ(value, c.expected) << c.value << " / " << c.parameter;
    }
}

TEST(MimeField, SetParameterQuotesAndReplacesInPlaceOrAppends) {
    CMimeField field = Field("Content-Type", "multipart/mixed; boundary=old; charset=x");
    field.SetParameter("boundary", "abc");
    EXPECT_EQ(field.GetValue(), "multipart/mixed; boundary=\"abc\"; charset=x");
    field.SetParameter("name", "\"already\"");
    EXPECT_EQ(field.GetValue(), "multipart/mixed; boundary=\"abc\"; charset=x; name=\"already\"");
    field.SetParameter("charset", "\"");
    EXPECT_EQ(field.GetValue(),
              "multipart/mixed; boundary=\"abc\"; charset=\"\"; name=\"already\"");
}

TEST(MimeField, StoreWritesNameValueAndLineEndWithinTheBound) {
    const CMimeField field = Field("X-Test", "value");
    EXPECT_EQ(StoreField(field), "X-Test: value\r\n");
    EXPECT_GE(field.GetLength(), 15);
    EXPECT_EQ(StoreField(field, 14), "");
}

TEST(MimeField, StoredValueCannotStartANewFieldOrEndTheHeader) {
    CMimeField field;
    LoadField(field, "Subject: =?utf-8?Q?hi=0D=0ABcc:_evil@x=0A=0A?=\r\n");
    ASSERT_EQ(field.GetValue(), "hi\r\nBcc: evil@x\n\n");
    const std::string stored = StoreField(field);
    EXPECT_EQ(stored, "Subject: hi\r\n Bcc: evil@x\n \n \r\n");
    CMimeField reloaded;
    EXPECT_EQ(LoadField(reloaded, stored), static_cast<int>(stored.size()));
}

TEST(MimeField, StoreEncodesEightBitValuesInTheFieldCharset) {
    CMimeField field = Field("Subject", "\xC3\xA9t\xC3\xA9");
    field.SetCharset("UTF-8");
    EXPECT_EQ(StoreField(field), "Subject: =?UTF-8?B?w6l0w6k=?=\r\n");
}

} // namespace
