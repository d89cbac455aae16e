#include "plugin/capture/TScreenCapture.h"

#include <boost/make_shared.hpp>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

namespace {

class FakeUploader : public TAddExternUploadItemInterface {
public:
    unsigned long addItem(const std::wstring& path) override {
        added.push_back(path);
        return 40 + added.size();
    }
    std::vector<std::wstring> added;
};

// Stands in for the companion: notes its arguments beside itself and leaves at the output path
// what NV_FAKE_CAPTURE asks for.
const char* const fakeCompanion = R"(#!/bin/sh
printf '%s\n' "$@" > "$(dirname "$0")/arguments"
case "$NV_FAKE_CAPTURE" in
write) printf 'PNG' > "$2" ;;
link) ln -s "$(dirname "$0")/elsewhere" "$2" ;;
hardlink) printf 'PNG' > "$2" && ln "$2" "$(dirname "$0")/second-name" ;;
empty) : > "$2" ;;
esac
)";

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ScreenCaptureTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Quotes and blanks in both folders: the paths must reach the companion untouched.
        std::filesystem::create_directory(tools);
        std::filesystem::create_directory(temporary);
        environment.set("TMPDIR", temporary + "/");
        std::ofstream(tools + "/screencapture") << fakeCompanion;
        chmod((tools + "/screencapture").c_str(), 0755);
    }

    TempFolder folder{"nvcapture"};
    std::string tools = folder.path + "/it's tools";
    std::string temporary = folder.path + "/tmp 'x'";
    ScopedEnvironment environment;
    boost::shared_ptr<FakeUploader> uploader = boost::make_shared<FakeUploader>();
    TScreenCapture capture{tools + "/libnvplugin.so", uploader};
};

} // namespace

TEST_F(ScreenCaptureTest, OnlyANewFileOfTheCompanionsOwnIsHandedToTheUploader) {
    const std::pair<std::string, std::string> runs[] = {
        {"write", "capture"},    {"none", "capture"},    {"link", "clipboard"},
        {"hardlink", "capture"}, {"empty", "clipboard"}, {"write", "clipboard"}};
    std::vector<std::wstring> kept;
    for (const auto& [outcome, action] : runs) {
        SCOPED_TRACE(outcome + " " + action);
        environment.set("NV_FAKE_CAPTURE", outcome);
        std::string path = FB::wstring_to_utf8(capture.Invoke(action, {}).cast<std::wstring>());
        FB::VariantList indices = capture.Invoke("upload", {}).cast<FB::VariantList>();
        if (outcome != "write") {
            EXPECT_EQ(path, "");
            EXPECT_TRUE(indices.empty());
            continue;
        }
        EXPECT_EQ(readFile(tools + "/arguments"), action + "\n" + path + "\n");
        EXPECT_EQ(path.rfind(temporary + "/NVCapture", 0), 0u) << path;
        EXPECT_EQ(readFile(path), "PNG");
        kept.push_back(FB::utf8_to_wstring(path));
        ASSERT_EQ(indices.size(), 1u);
        EXPECT_EQ(indices[0].convert_cast<unsigned long>(), 40 + kept.size());
    }
    EXPECT_EQ(uploader->added, kept);
    EXPECT_NE(kept.front(), kept.back()) << "every capture gets a new name";
    uploader.reset(); // the root object is gone
    EXPECT_TRUE(capture.Invoke("upload", {}).cast<FB::VariantList>().empty());
}

TEST_F(ScreenCaptureTest, WithoutAnExecutableCompanionNothingRuns) {
    environment.set("NV_FAKE_CAPTURE", "write");
    chmod((tools + "/screencapture").c_str(), 0644);
    EXPECT_FALSE(capture.GetProperty("supportCapture").cast<bool>());
    EXPECT_EQ(capture.Invoke("clipboard", {}).cast<std::wstring>(), L"");
    EXPECT_FALSE(std::filesystem::exists(tools + "/arguments"));
    TScreenCapture besideNothing("libnvplugin.so", uploader);
    EXPECT_FALSE(besideNothing.GetProperty("supportCapture").cast<bool>());
}
