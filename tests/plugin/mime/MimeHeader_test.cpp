// Header fields and field lists: loading, parameters, the boundary and storing.
#include <gtest/gtest.h>

#include <string>

#include "plugin/mime/MimeHeader.h"
#include "tests/plugin/mime/MimeTestSupport.h"

using mimetest::LoadFrom;
using mimetest::StoreToString;

namespace {

CMimeField Field(const std::string& name, const std::string& value) {
    CMimeField field;
    field.SetName(name);
    field.SetValue(value);
    return field;
}

TEST(MimeField, LoadTakesOneFieldWithItsFoldingAndEncodedWords) {
    const struct {
        std::string text;
        int consumed; // 0: the field is refused
        std::string name, value, charset;
    } cases[] = {
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
    for (const auto& c : cases) {
        CMimeField field;
        EXPECT_EQ(LoadFrom(field, c.text), c.consumed) << c.text;
        if (c.consumed > 0) {
            EXPECT_EQ(field.GetName(), c.name) << c.text;
            EXPECT_EQ(field.GetValue(), c.value) << c.text;
            EXPECT_EQ(field.GetCharset(), c.charset) << c.text;
        }
    }
}

TEST(MimeField, ParametersAreFoundQuotedOrBareByNameIgnoringCase) {
    const std::string list = "text/plain; filename=a.txt; NAME=\"x y.txt\";\r\n\tcharset=utf-8 (c)";
    // Unquoted values keep special characters up to the semicolon.
    const std::string special = "multipart/mixed; boundary=----=_Part_1.2;name=a.b(c)";
    const struct {
        std::string value, parameter;
        bool found;
        std::string expected;
    } cases[] = {
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
    for (const auto& c : cases) {
        std::string value = "stale";
        EXPECT_EQ(Field("Content-Type", c.value).GetParameter(c.parameter, value), c.found)
            << c.value << " / " << c.parameter;
        EXPECT_EQ(value, c.expected) << c.value << " / " << c.parameter;
    }
    // The main value stops at the semicolon, without trailing blanks.
    for (const char* value : {"text/plain \t; charset=utf-8", "text/plain "}) {
        std::string main;
        Field("Content-Type", value).GetValue(main);
        EXPECT_EQ(main, "text/plain") << value;
    }
}

TEST(MimeField, StoredValueCannotStartANewFieldOrEndTheHeader) {
    CMimeField field;
    LoadFrom(field, "Subject: =?utf-8?Q?hi=0D=0ABcc:_evil@x=0A=0A?=\r\n");
    ASSERT_EQ(field.GetValue(), "hi\r\nBcc: evil@x\n\n");
    const std::string stored = StoreToString(field);
    EXPECT_EQ(stored, "Subject: hi\r\n Bcc: evil@x\n \n \r\n");
    CMimeField reloaded;
    EXPECT_EQ(LoadFrom(reloaded, stored), static_cast<int>(stored.size()));
}

// The plug-in composes by giving a message a boundary: another type becomes multipart/mixed and
// loses its parameters; a multipart type keeps its subtype.
TEST(MimeHeader, SetBoundaryMakesTheContentTypeMultipart) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "multipart/mixed; boundary=\"b1\""},
        {"text/plain; charset=gbk", "multipart/mixed; boundary=\"b1\""},
        {"Multipart/Alternative; boundary=old", "Multipart/Alternative; boundary=\"b1\""},
    };
    for (const auto& [type, expected] : cases) {
        CMimeHeader header;
        if (!type.empty())
            header.SetFieldValue("Content-Type", type);
        header.SetBoundary("b1");
        EXPECT_EQ(header.FindField("content-type")->GetValue(), expected) << type;
    }
}

TEST(MimeHeader, LoadStopsAfterTheEmptyLineAndStoreWritesIt) {
    CMimeHeader header;
    EXPECT_EQ(LoadFrom(header, "A: 1\r\nB: 2\r\n\r\nbody"), 14);
    EXPECT_EQ(StoreToString(header), "A: 1\r\nB: 2\r\n\r\n");
    CMimeHeader bare;
    EXPECT_EQ(LoadFrom(bare, "A: 1\nB: 2\n\nbody"), 11);
    EXPECT_EQ(bare.GetFields().size(), 2u);
}

} // namespace
