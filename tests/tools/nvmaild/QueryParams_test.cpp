#include "tools/nvmaild/QueryParams.h"

#include <gtest/gtest.h>

#include "tools/nvmaild/DecimalText.h"

namespace nvmaild {
namespace {

TEST(QueryParamsTest, DecodesPairsAsTheClientEncodesThem) {
    const QueryParams params =
        QueryParams::parse("fileName=a+b%2Bc%C3%A9&&empty=&bare&crc2=x%2by%2fz&bad=%4&bad2=%zz");
    EXPECT_EQ("a b+c\xC3\xA9", params.get("fileName").value);
    EXPECT_EQ(QueryParams::State::Present, params.get("empty").state);
    EXPECT_EQ("", params.get("bare").value);
    EXPECT_EQ("x+y/z", params.get("crc2").value);
    EXPECT_EQ("%4", params.get("bad").value);
    EXPECT_EQ("%zz", params.get("bad2").value);
    EXPECT_EQ(QueryParams::State::Missing, params.get("other").state);
    EXPECT_EQ(6u, params.pairs().size());
}

TEST(QueryParamsTest, PathDecodingKeepsPlusAndEncodingRoundTrips) {
    EXPECT_EQ("/a+b c", urlDecodePath("/a+b%20c"));
    const std::string awkward = "name with & = + / \xC3\xA9\n";
    EXPECT_EQ(awkward, urlDecode(urlEncode(awkward)));
    EXPECT_EQ(std::string::npos, urlEncode(awkward).find_first_of("&=+ /\n"));
}

TEST(DecimalTextTest, OnlyPlainDigitsWithinRangeAreNumbers) {
    EXPECT_EQ(0u, parseDecimal("0"));
    EXPECT_EQ(18446744073709551615u, parseDecimal("18446744073709551615"));
    for (const char* bad :
         {"", "-1", "+1", " 1", "1 ", "12abc", "18446744073709551616", "99999999999999999999999"})
        EXPECT_FALSE(parseDecimal(bad)) << bad;
}

TEST(DecimalTextTest, SignedCrcCoversExactlyTheSigned32BitRange) {
    EXPECT_EQ(-873187034, parseSignedCrc("-873187034"));
    EXPECT_EQ(-2147483647 - 1, parseSignedCrc("-2147483648"));
    EXPECT_EQ(2147483647, parseSignedCrc("2147483647"));
    for (const char* bad : {"2147483648", "-2147483649", "3421780262", "-", "--1", "1-"})
        EXPECT_FALSE(parseSignedCrc(bad)) << bad;
}

} // namespace
} // namespace nvmaild
