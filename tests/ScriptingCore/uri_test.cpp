#include "src/ScriptingCore/URI.h"

#include <cstdlib>

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/SystemProxyDetector.h"
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

TEST(Uri, PathHelpers) {
    URI uri("http://h/dir/");
    EXPECT_EQ(uri.filename(), "");
    uri.appendPathComponent("file.zip");
    EXPECT_EQ(uri.path, "/dir/file.zip");
    EXPECT_EQ(uri.filename(), "file.zip");
    uri.appendPathComponent("");
    EXPECT_EQ(uri.path, "/dir/file.zip");
    EXPECT_TRUE(URI("http://localhost/").isLocalhost());
}

namespace {

// Sets proxy variables for one test and restores the environment afterwards.
class ProxyEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : kNames) {
            if (const char* value = std::getenv(name)) {
                saved[name] = value;
            }
            unsetenv(name);
        }
    }
    void TearDown() override {
        for (const char* name : kNames) {
            unsetenv(name);
        }
        for (const auto& [name, value] : saved) {
            setenv(name.c_str(), value.c_str(), 1);
        }
    }
    std::map<std::string, std::string> detect(const std::string& url, bool expected) {
        std::map<std::string, std::string> settings;
        EXPECT_EQ(FB::SystemProxyDetector::get()->detectProxy(settings, url), expected) << url;
        return settings;
    }

    static constexpr const char* kNames[] = {"http_proxy",  "HTTP_PROXY", "https_proxy",
                                             "HTTPS_PROXY", "all_proxy",  "ALL_PROXY",
                                             "no_proxy",    "NO_PROXY"};
    std::map<std::string, std::string> saved;
};

} // namespace

TEST_F(ProxyEnvironment, NoVariablesMeansNoProxy) {
    EXPECT_TRUE(detect("http://mail.example/", false).empty());
}

TEST_F(ProxyEnvironment, SchemeSpecificVariablesWin) {
    setenv("http_proxy", "http://proxy.local:3128/", 1);
    setenv("HTTPS_PROXY", "secure.local:8443", 1);
    auto http = detect("http://mail.example/x", true);
    EXPECT_EQ(http["type"], "http");
    EXPECT_EQ(http["hostname"], "proxy.local");
    EXPECT_EQ(http["port"], "3128");
    auto https = detect("https://mail.example/", true);
    EXPECT_EQ(https["type"], "https");
    EXPECT_EQ(https["hostname"], "secure.local");
    EXPECT_EQ(https["port"], "8443");
}

TEST_F(ProxyEnvironment, SocksFromAllProxyAndNoProxyExclusions) {
    setenv("all_proxy", "socks5://sock.local", 1);
    setenv("no_proxy", "localhost, .internal.example", 1);
    auto socks = detect("ftp://files.example/", true);
    EXPECT_EQ(socks["type"], "socks");
    EXPECT_EQ(socks["port"], "1080");
    detect("http://mail.internal.example/", false);
    detect("http://internal.example/", false);
    detect("http://localhost:8080/", false);
    setenv("no_proxy", "*", 1);
    detect("http://anything/", false);
}

TEST_F(ProxyEnvironment, GarbageSettingsAreNoProxy) {
    setenv("http_proxy", "://", 1);
    EXPECT_TRUE(detect("http://mail.example/", false).empty());
    detect("not a url at all", false);
}
