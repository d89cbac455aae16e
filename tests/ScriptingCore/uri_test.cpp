#include "src/ScriptingCore/URI.h"

#include <gtest/gtest.h>

using FB::URI;

TEST(Uri, EncodingKeepsOnlyTheSafeSet) {
    EXPECT_EQ(URI::url_encode(" &=/\xc3\xa9"), "+%26%3d/%c3%a9");
    EXPECT_EQ(URI::url_encode("~_"), "%7e_");
    EXPECT_EQ(URI::url_encode("AZaz09!$'()*,-./_"), "AZaz09!$'()*,-./_");
    EXPECT_EQ(URI::url_encode(std::string("a\0b", 3)), "a%00b");
    EXPECT_EQ(URI::url_encode("100%+"), "100%25%2b");
}

TEST(Uri, DecodingLeavesBrokenEscapesAlone) {
    EXPECT_EQ(URI::url_decode("a+b%2B"), "a b+");
    EXPECT_EQ(URI::url_decode("%4"), "%4");
    EXPECT_EQ(URI::url_decode("%zz%"), "%zz%");
    EXPECT_EQ(URI::url_decode("%c3%A9"), "\xc3\xa9");
    for (std::string text : {"plain", "a b&c=d/\xff", "%", "50% off"}) {
        EXPECT_EQ(URI::url_decode(URI::url_encode(text)), text);
    }
}

TEST(Uri, ParsesEveryPart) {
    URI uri("HTTP://Example.COM:8080/a%20b/c?x=1&y=%41#frag");
    EXPECT_EQ(uri.protocol, "http");
    EXPECT_EQ(uri.domain, "example.com");
    EXPECT_EQ(uri.port, 8080);
    EXPECT_EQ(uri.path, "/a b/c");
    ASSERT_EQ(uri.query_data.size(), 2u);
    EXPECT_EQ(uri.query_data[1], URI::StringPair("y", "A"));
    EXPECT_EQ(uri.fragment, "frag");
    EXPECT_EQ(uri.toString(true), "http://example.com:8080/a+b/c?x=1&y=A#frag");
    EXPECT_EQ(uri.toString(false), "/a+b/c?x=1&y=A#frag");
}

TEST(Uri, QueryPiecesAndAppendedData) {
    URI uri("http://h/p?a=1&&b&c=2=3");
    ASSERT_EQ(uri.query_data.size(), 3u);
    EXPECT_EQ(uri.query_data[1], URI::StringPair("b", ""));
    EXPECT_EQ(uri.query_data[2], URI::StringPair("c", "2"));
    uri.addQueryData("offset", "10");
    uri.addQueryData("k y", "v&w");
    EXPECT_EQ(uri.toString(), "http://h/p?a=1&b=&c=2&offset=10&k+y=v%26w");
}
