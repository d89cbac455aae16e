// The mail message object where the browser page (e2e/pages/mime.html) cannot reach: where
// attachment files go and who may read them, the main content part, the plain-text alternative
// and lengths beyond the library's ints. Real signatures run against OpenSSL in smime_roundtrip.py.
#include "plugin/mime/TMime.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

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
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    ScopedEnvironment environment;
    TempFolder tmp{"nvmime"};
    boost::shared_ptr<TMime> mime;
};

} // namespace

TEST_F(TMimeTest, TheMainContentIsTextAndStopsAfterTheFirstAlternative) {
    const std::pair<std::string, std::string> cases[] = {
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

TEST_F(TMimeTest, SavedFilesStayInsideTheirFolderArePrivateAndGoWithTheObject) {
    const std::pair<std::string, std::string> cases[] = {{"../../.bashrc", ".bashrc"},
                                                         {"dir/a.txt", "a.txt"},
                                                         {"..", ""},
                                                         {".", ""},
                                                         {"a/", ""},
                                                         {"", ""},
                                                         {std::string(300, 'n'), ""},
                                                         {"\xD6\xD0.txt", "\xE4\xB8\xAD.txt"}};
    std::vector<std::string> files;
    for (const auto& [name, saved] : cases) {
        call("parseMessage", {"Content-Type: text/plain; name=\"" + name +
                              "\"\r\nContent-Transfer-Encoding: base64\r\n\r\nQUJD\r\n"});
        const std::string file = files.emplace_back(path(call("saveAttachment", {0})));
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
    files.push_back(path(get<std::wstring>("saveBody")));
    mime.reset();
    for (const std::string& file : files)
        EXPECT_FALSE(std::filesystem::exists(file)) << file;
}

TEST_F(TMimeTest, TemporaryFilesAreCreatedOnlyWhereNothingExists) {
    const std::string target = tmp.path + "/target";
    std::ofstream(target) << "untouched";
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
