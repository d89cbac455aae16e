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

TEST(MimeField, LoadTakesNameAndValueAndKeepsFolding) {
    CMimeField field;
    EXPECT_EQ(LoadField(field, "Subject: \t Hello\r\n\tworld\r\nNext: x\r\n"), 26);
    EXPECT_EQ(field.GetName(), "Subject");
    EXPECT_EQ(field.GetValue(), "Hello\r\n\tworld");
    EXPECT_EQ(field.GetCharset(), "");
}

TEST(MimeField, LoadDecodesEncodedWordsAndRecordsTheirCharset) {
    CMimeField field;
    LoadField(field, "Subject: =?GB2312?B?1tDOxA==?=\r\n");
    EXPECT_EQ(field.GetValue(), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(field.GetCharset(), "GB2312");
}

TEST(MimeField, BareLineFeedEndsAFieldToo) {
    CMimeField field;
    EXPECT_EQ(LoadField(field, "To: a@b\n c@d\nX: y\n"), 13);
    EXPECT_EQ(field.GetValue(), "a@b\n c@d");
}

TEST(MimeField, FieldWithoutLineEndFails) {
    CMimeField field;
    EXPECT_EQ(LoadField(field, "Subject: no line end"), 0);
    EXPECT_EQ(LoadField(field, "Subject: folded\r\n more"), 0);
    EXPECT_EQ(LoadField(field, "\r\n"), 0);
    EXPECT_EQ(LoadField(field, ""), 0);
}

TEST(MimeField, LeadingContinuationLinesAreDroppedAndColonlessLinesHaveNoName) {
    CMimeField field;
    EXPECT_EQ(LoadField(field, " stray\r\n\tstray\r\nTo: x\r\n"), 23);
    EXPECT_EQ(field.GetName(), "To");
    EXPECT_EQ(LoadField(field, "no colon here\r\n"), 15);
    EXPECT_EQ(field.GetName(), "");
    EXPECT_EQ(field.GetValue(), "no colon here");
}

TEST(MimeField, MainValueStopsAtSemicolonWithoutTrailingSpace) {
    std::string main;
    Field("Content-Type", "text/plain \t; charset=utf-8").GetValue(main);
    EXPECT_EQ(main, "text/plain");
    Field("Content-Type", "text/html ").GetValue(main);
    EXPECT_EQ(main, "text/html");
}

TEST(MimeField, GetParameterFindsQuotedAndBareValuesByNameIgnoringCase) {
    const CMimeField field = Field(
        "Content-Type", "text/plain; filename=a.txt; NAME=\"x y.txt\";\r\n\tcharset=utf-8 (c)");
    std::string value;
    EXPECT_TRUE(field.GetParameter("name", value));
    EXPECT_EQ(value, "x y.txt");
    EXPECT_TRUE(field.GetParameter("Charset", value));
    EXPECT_EQ(value, "utf-8");
    EXPECT_TRUE(field.GetParameter("filename", value));
    EXPECT_EQ(value, "a.txt");
    value = "stale";
    EXPECT_FALSE(field.GetParameter("boundary", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(Field("Content-Type", "text/plain").GetParameter("charset", value));
}

TEST(MimeField, UnquotedValueKeepsSpecialCharactersUpToTheSemicolon) {
    const CMimeField field =
        Field("Content-Type", "multipart/mixed; boundary=----=_Part_1.2;name=a.b(c)");
    std::string value;
    EXPECT_TRUE(field.GetParameter("boundary", value));
    EXPECT_EQ(value, "----=_Part_1.2");
    EXPECT_TRUE(field.GetParameter("name", value));
    EXPECT_EQ(value, "a.b(c)");
}

TEST(MimeField, UnclosedQuoteKeepsTheRestOfTheWord) {
    std::string value;
    EXPECT_TRUE(Field("Content-Type", "a/b; name=\"open end").GetParameter("name", value));
    EXPECT_EQ(value, "open");
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
    CMimeField reloaded;
    LoadField(reloaded, StoreField(field));
    EXPECT_EQ(reloaded.GetValue(), field.GetValue());
    EXPECT_EQ(reloaded.GetCharset(), "UTF-8");
}

} // namespace
