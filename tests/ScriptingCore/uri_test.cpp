#include "src/ScriptingCore/URI.h"

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include "tests/support/ErrorText.h"

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

TEST(Uri, TextsWithoutSchemeOrPath) {
    URI bare("host.example/x");
    EXPECT_EQ(bare.protocol, "");
    EXPECT_EQ(bare.domain, "host.example");
    EXPECT_EQ(bare.path, "/x");

    URI root("http://host");
    EXPECT_EQ(root.path, "/");
    EXPECT_EQ(root.port, 0);
    EXPECT_EQ(root.toString(true), "http://host/");

    URI file("file:///tmp/a%20b?q=1");
    EXPECT_EQ(file.domain, "");
    EXPECT_EQ(file.path, "/tmp/a b");
    EXPECT_EQ(file.query_data.size(), 1u);
}

TEST(Uri, MalformedTextsFailClearly) {
    EXPECT_EQ(nvtest::errorOf<std::runtime_error>([] { URI("my-scheme://host/"); }),
              "URI: invalid characters in protocol part");
    EXPECT_THROW(URI("http://host:/x"), boost::bad_lexical_cast);
    EXPECT_THROW(URI("http://host:80a/x"), boost::bad_lexical_cast);
    EXPECT_EQ(URI("http://host:65537/").port, 1) << "ports wrap into 16 bits";
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
