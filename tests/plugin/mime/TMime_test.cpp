// The mail message object through its script members: error texts, the main content part, the
// plain-text alternative, the S/MIME recognisers and structures, and where attachment files go.
// The page callbacks and the attach question run in the browser (e2e/pages/mime.html), real
// signatures and composed trees against OpenSSL and Python (smime_roundtrip.py).
#include "plugin/mime/TMime.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "plugin/mime/HtmlText.h"
#include "plugin/mime/MailFiles.h"
#include "plugin/mime/MimeCodeBase.h"
#include "plugin/mime/MimeEnvironment.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/plugin/platform/FakeDialog.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestBrowserHost.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Claims the largest encoding there is: content too large for the library to store.
struct HugeCoder : CMimeCodeBase {
    static std::unique_ptr<CMimeCodeBase> create() { return std::make_unique<HugeCoder>(); }
    int GetEncodeLength() const override { return kMaxLength; }
};

class TMimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        environment.set("TMPDIR", tmp.path);
        mime = boost::make_shared<TMime>(boost::weak_ptr<FB::PluginCore>(), host);
    }
    void TearDown() override { host->shutdown(); }

    FB::variant call(const std::string& name, const FB::VariantList& args = {}) {
        return mime->Invoke(name, args);
    }
    template <class T = std::string> T get(const std::string& name) {
        return mime->GetProperty(name).convert_cast<T>();
    }
    std::pair<std::string, int> lastError() {
        return {get("getLastErrorMessage"), get<int>("getLastErrorNum")};
    }
    std::string path(const FB::variant& wide) {
        return FB::wstring_to_utf8(wide.convert_cast<std::wstring>());
    }
    std::string makeFile(const std::string& name, const std::string& content) {
        std::ofstream(tmp.path + "/" + name, std::ios::binary) << content;
        return tmp.path + "/" + name;
    }
    // Parses what the object composed into a fresh object.
    boost::shared_ptr<TMime> reparsed() {
        auto other = boost::make_shared<TMime>(boost::weak_ptr<FB::PluginCore>(), host);
        other->parseMessage(get("getMailMessage"));
        return other;
    }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    ScopedEnvironment environment;
    TempFolder tmp{"nvmime"};
    boost::shared_ptr<TMime> mime;
};

} // namespace

TEST_F(TMimeTest, MissingPartsFailWithTheirTexts) {
    call("parseMessage", {std::string("Subject: x\r\n\r\nbody\r\n")});
    EXPECT_EQ(get<int>("getAttachmentCount"), 1);
    EXPECT_EQ(get<int>("getBodyCount"), 1);
    EXPECT_EQ(get("getMailContent"), "body\r\n");
    const std::pair<std::function<void()>, std::pair<std::string, int>> cases[] = {
        {[&] { call("getAttachmentName", {5}); }, {"Attachment not found!", -1}},
        {[&] { call("getAttachmentAsStringAt", {-1}); }, {"Attachment not found!", -1}},
        {[&] { call("getBodyAt", {1}); }, {"Body not found!", -1}},
        {[&] { call("getBodyOnlyAt", {1}); }, {"Body not found!", -1}},
        {[&] { get("getSubject"); }, {"", 0}},
    };
    for (const auto& [run, expected] : cases) {
        run();
        EXPECT_EQ(lastError(), expected);
    }
    EXPECT_EQ(call("getBodyOnlyAt", {-7}).convert_cast<std::string>(), "body\r\n");
}

TEST_F(TMimeTest, TheMainContentPrefersHtmlAndStopsAfterTheFirstAlternative) {
    const std::pair<std::string, std::string> cases[] = {
        {"--b\r\nContent-Type: text/plain\r\n\r\np\r\n--b\r\nContent-Type: text/html\r\n\r\nh\r\n",
         "h"},
        {"--b\r\nContent-Type: text/plain\r\n\r\np\r\n--b\r\nContent-Type: image/png\r\n\r\ni\r\n",
         "p"},
        {"--b\r\nContent-Type: multipart/alternative; boundary=c\r\n\r\n--c\r\nContent-Type: "
         "text/plain\r\n\r\nq\r\n--c--\r\n--b\r\nContent-Type: text/html\r\n\r\nh\r\n",
         "q"},
        {"--b\r\nContent-Type: image/png\r\n\r\ni\r\n", ""},
    };
    for (const auto& [parts, content] : cases) {
        call("parseMessage",
             {"Content-Type: multipart/mixed; boundary=b\r\n\r\n" + parts + "--b--\r\n"});
        EXPECT_EQ(get("getMailContent"), content) << parts;
    }
}

TEST(HtmlText, TagsGoOnlyBrBreaksAndFiveEntitiesReturn) {
    const std::pair<std::string, std::string> cases[] = {
        {"a<br>b &amp; c", "a\r\nb & c"},
        {"<P>x</p><BR><br/>y", "x\r\ny"},
        {"&lt;&gt;&quot;&nbsp;&amp;lt;", "<>\" &lt;"},
        {"say \"<b>\" now<i>!", "say \"<b>\" now!"},
        {"<a href=\"x>y\">t</a>", "t"},
        {"1 > 0", "1 > 0"},
    };
    for (const auto& [html, plain] : cases) {
        std::string out = "kept:";
        html2PlainText(html, out);
        EXPECT_EQ(out, "kept:" + plain) << html;
    }
}

TEST_F(TMimeTest, TheRecognisersReadTheContentTypeByItsSubstrings) {
    struct Case {
        std::string type;
        bool isSigned, detached, encrypted;
        std::string method;
    };
    const Case cases[] = {
        {"multipart/signed; micalg=sha1; protocol=\"application/x-pkcs7-signature\"", true, true,
         false, "sha1; protocol=\"application/x-pkcs7-signature"},
        {"multipart/signed; protocol=\"application/pkcs7-signature\"; micalg=\"sha-256\"", false,
         false, false, "sha-256"},
        {"application/pkcs7-mime; smime-type=signed-data; name=smime.p7m", true, false, false, ""},
        {"application/x-pkcs7-mime; smime-type=enveloped-data; name=\"smime.p7m\"", false, false,
         true, ""},
        {"application/x-pkcs7-mime; smime-type=enveloped-data", false, false, false, ""},
        {"text/plain; micalg='", false, false, false, "'"},
    };
    for (const Case& c : cases) {
        call("parseMessage", {"Content-Type: " + c.type + "\r\n\r\nx"});
        EXPECT_EQ(get<bool>("isSigned"), c.isSigned) << c.type;
        EXPECT_EQ(get<bool>("isDetachSigned"), c.detached) << c.type;
        EXPECT_EQ(get<bool>("isEncrypt"), c.encrypted) << c.type;
        EXPECT_EQ(get("getSignMethod"), c.method) << c.type;
    }
}

TEST_F(TMimeTest, SignaturesAndEnvelopesRebuildTheStructure) {
    call("setPlainTestWithEncoding", {std::wstring(L"hello"), std::string("")});
    call("setBaseMailInfo", {"a@example.com", "", "", "", "Hi", ""});
    call("setSignature", {"U0lH", true, ""});
    auto back = reparsed();
    EXPECT_TRUE(back->isDetachSigned() && back->isSigned());
    EXPECT_EQ(back->getSignMethod(), "SHA1");
    EXPECT_EQ(back->getSignedPartIndex(), 1);
    EXPECT_EQ(back->getBodyOnlyWithoutRNAt(1), "U0lH");
    EXPECT_EQ(back->getFrom(), "a@example.com");

    call("setSignature", {"T1BBUVVF", false, "sha256"});
    back = reparsed();
    EXPECT_TRUE(back->isSigned());
    EXPECT_FALSE(back->isDetachSigned());
    EXPECT_EQ(back->getBodyCount(), 1);
    EXPECT_EQ(back->getBodyOnlyWithoutRNAt(0), "T1BBUVVF");
    EXPECT_EQ(back->getFrom(), "a@example.com");

    call("setEncryptedData", {"RU5W"});
    back = reparsed();
    EXPECT_TRUE(back->isEncrypt());
    EXPECT_FALSE(back->isSigned());
    EXPECT_EQ(back->getBodyOnlyWithoutRNAt(0), "RU5W");
}

TEST_F(TMimeTest, AttachmentsAreSavedInsideTheirFolderUnderTheirLastNameOnly) {
    const std::pair<std::string, std::string> cases[] = {{"../../.bashrc", ".bashrc"},
                                                         {"dir/a.txt", "a.txt"},
                                                         {"..", ""},
                                                         {".", ""},
                                                         {"a/", ""},
                                                         {"", ""},
                                                         {std::string(300, 'n'), ""},
                                                         {"\xD6\xD0.txt", "\xE4\xB8\xAD.txt"}};
    for (const auto& [name, saved] : cases) {
        call("parseMessage", {"Content-Type: text/plain; name=\"" + name +
                              "\"\r\nContent-Transfer-Encoding: base64\r\n\r\nQUJD\r\n"});
        const std::string file = path(call("saveAttachment", {0}));
        const std::filesystem::path where(file);
        if (saved.empty()) {
            EXPECT_EQ(where.parent_path(), tmp.path) << name;
            EXPECT_EQ(where.extension(), ".htm") << name;
        } else {
            EXPECT_EQ(where.parent_path().parent_path(), tmp.path) << name;
            EXPECT_EQ(where.filename(), saved) << name;
        }
        EXPECT_EQ(readFile(file), "ABC") << name;
        struct stat info {};
        ASSERT_EQ(stat(file.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << name;
    }
}

TEST_F(TMimeTest, TemporaryFilesAreCreatedOnlyWhereNothingExists) {
    const std::string target = makeFile("target", "untouched");
    const std::string link = tmp.path + "/link";
    std::filesystem::create_symlink(target, link);
    const std::string dangling = tmp.path + "/dangling";
    std::filesystem::create_symlink(tmp.path + "/nowhere", dangling);
    for (const std::string& taken : {target, link, dangling}) {
        EXPECT_EQ(MailFiles::createFile(FB::utf8_to_wstring(taken), true), -1) << taken;
        EXPECT_EQ(errno, EEXIST) << taken;
    }
    EXPECT_EQ(readFile(target), "untouched");
    EXPECT_FALSE(std::filesystem::exists(tmp.path + "/nowhere"));
}

TEST_F(TMimeTest, SavedBodiesArePrivateAndGoWithTheObject) {
    call("parseMessage", {std::string("Subject: x\r\n\r\nbody\r\n")});
    const std::string first = path(get<std::wstring>("saveBody"));
    const std::string second = path(get<std::wstring>("saveBody"));
    const std::string attachment = path(call("saveAttachment", {0}));
    ASSERT_NE(first, second);
    EXPECT_EQ(std::filesystem::path(first).extension(), ".mht");
    EXPECT_EQ(readFile(first), get("getMailMessage"));
    struct stat info {};
    ASSERT_EQ(stat(first.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    mime.reset();
    for (const std::string& file : {first, second, attachment}) {
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
    }
}

TEST_F(TMimeTest, LengthsBeyondTheLibrarysIntsFailWithANumber) {
    FakeDialog dialog(environment, tmp.path, "zenity");
    dialog.answer(R"({"button": "Yes"})");
    const std::string huge = tmp.path + "/huge.bin";
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, 3ULL << 30); // sparse: costs no disk
    call("addAttachment", {FB::utf8_to_wstring(huge), ""});
    EXPECT_FALSE(call("endofAddAttachments", {L"", L""}).convert_cast<bool>());
    EXPECT_EQ(lastError(), std::make_pair(std::string("Fail to read attachment file!"), EFBIG));

    // A coder that claims the largest encoding stands for content too large to store.
    CMimeEnvironment::RegisterCoder("x-huge", &HugeCoder::create);
    call("parseMessage", {std::string("Content-Transfer-Encoding: x-huge\r\n\r\nx")});
    EXPECT_EQ(get("getMailMessage"), "");
    EXPECT_EQ(lastError(), std::make_pair(std::string("get mail message fail"), EOVERFLOW));
    EXPECT_EQ(get("getBody"), "");
    EXPECT_EQ(lastError(), std::make_pair(std::string("get mail body fail"), EOVERFLOW));
    CMimeEnvironment::RegisterCoder("x-huge", nullptr);
}
