#include "plugin/capture/TScreenCapture.h"

#include <boost/make_shared.hpp>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "plugin/capture/TRecorders.h"
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

TEST(ToolPath, IsTheToolBesideTheBasePath) {
    struct Case {
        const char* base;
        const char* expected;
    };
    for (const Case& c : std::vector<Case>{{"/opt/tools/plugin.bin", "/opt/tools/screencapture"},
                                           {"", "screencapture"},
                                           {"plugin.bin", "screencapture"},
                                           {"/libnvplugin.so", "/screencapture"},
                                           {"/opt/nv/", "/opt/nv/screencapture"}}) {
        EXPECT_EQ(TToolPluginBase::toolPath(c.base, "screencapture"), c.expected) << c.base;
    }
}

TEST_F(ScreenCaptureTest, RunsTheCompanionWithTheActionAndANewFileName) {
    environment.set("NV_FAKE_CAPTURE", "write");
    EXPECT_TRUE(capture.GetProperty("supportCapture").cast<bool>());
    EXPECT_EQ(capture.GetProperty("execpath").cast<std::string>(), tools + "/screencapture");
    std::string first = FB::wstring_to_utf8(capture.Invoke("capture", {}).cast<std::wstring>());
    EXPECT_EQ(readFile(tools + "/arguments"), "capture\n" + first + "\n");
    std::string second = FB::wstring_to_utf8(capture.Invoke("clipboard", {}).cast<std::wstring>());
    EXPECT_EQ(readFile(tools + "/arguments"), "clipboard\n" + second + "\n");
    for (const std::string& path : {first, second}) {
        EXPECT_EQ(path.rfind(temporary + "/NVCapture", 0), 0u) << path;
        EXPECT_EQ(path.substr(path.size() - 4), ".png");
        EXPECT_EQ(readFile(path), "PNG");
    }
    EXPECT_NE(first, second);
    FB::VariantList indices = capture.Invoke("upload", {}).cast<FB::VariantList>();
    ASSERT_EQ(indices.size(), 1u);
    EXPECT_EQ(indices[0].convert_cast<unsigned long>(), 41u);
    EXPECT_EQ(uploader->added, std::vector<std::wstring>{FB::utf8_to_wstring(second)});
}

TEST_F(ScreenCaptureTest, GivesNothingUnlessTheCompanionMadeANewFileOfItsOwn) {
    for (const char* outcome : {"none", "link", "hardlink", "empty"}) {
        environment.set("NV_FAKE_CAPTURE", outcome);
        EXPECT_EQ(capture.Invoke("capture", {}).cast<std::wstring>(), L"") << outcome;
        EXPECT_TRUE(capture.Invoke("upload", {}).cast<FB::VariantList>().empty()) << outcome;
    }
    EXPECT_TRUE(uploader->added.empty());
}

TEST_F(ScreenCaptureTest, WithoutAnExecutableCompanionNothingRuns) {
    environment.set("NV_FAKE_CAPTURE", "write");
    chmod((tools + "/screencapture").c_str(), 0644);
    EXPECT_FALSE(capture.GetProperty("supportCapture").cast<bool>());
    EXPECT_TRUE(capture.GetProperty("supportClipboard").cast<bool>());
    EXPECT_EQ(capture.Invoke("clipboard", {}).cast<std::wstring>(), L"");
    EXPECT_FALSE(std::filesystem::exists(tools + "/arguments"));
    TScreenCapture besideNothing("libnvplugin.so", uploader);
    EXPECT_FALSE(besideNothing.GetProperty("supportCapture").cast<bool>());
}

TEST_F(ScreenCaptureTest, UploadFindsNoUploaderOnceTheRootObjectIsGone) {
    environment.set("NV_FAKE_CAPTURE", "write");
    EXPECT_TRUE(capture.Invoke("upload", {}).cast<FB::VariantList>().empty()) << "nothing taken";
    EXPECT_NE(capture.Invoke("capture", {}).cast<std::wstring>(), L"");
    TSoundRecorder sound(tools + "/libnvplugin.so", uploader);
    TVideoRecorder video(tools + "/libnvplugin.so", uploader);
    EXPECT_TRUE(sound.Invoke("upload", {}).cast<FB::VariantList>().empty());
    EXPECT_TRUE(video.Invoke("upload", {}).cast<FB::VariantList>().empty());
    EXPECT_TRUE(uploader->added.empty());
    uploader.reset();
    EXPECT_TRUE(capture.Invoke("upload", {}).cast<FB::VariantList>().empty());
}
