// The registries: lookup by name, front insertion, removal and the auto-folding switch.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/MimeEnvironment.h"
#include "plugin/mime/MimeMessage.h"
#include "tests/plugin/mime/MimeTestSupport.h"

namespace {

class TaggedBody : public CMimeBody {};

std::unique_ptr<CMimeBody> MakeTaggedBody() {
    return std::make_unique<TaggedBody>();
}

std::unique_ptr<CMimeCodeBase> MakeUpperCaseCoder() {
    struct UpperCase : CMimeCodeBase {
        int Decode(char* buffer, int size) override {
            const int count = CMimeCodeBase::Decode(buffer, size);
            for (int i = 0; i < count; ++i)
                buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(buffer[i])));
            return count;
        }
    };
    return std::make_unique<UpperCase>();
}

std::string EncodeWith(const std::string& coderName, const std::string& text) {
    auto coder = CMimeEnvironment::CreateCoder(coderName);
    return mimetest::Convert(*coder, text, true);
}

TEST(MimeEnvironment, CodersAreFoundByNameIgnoringCaseWithCopyingFallback) {
    mimetest::EnvironmentGuard guard;
    const std::string line = std::string(70, 'a') + " " + std::string(10, 'b');
    const std::string folded = std::string(70, 'a') + "\r\n " + std::string(10, 'b');
    EXPECT_EQ(EncodeWith("BASE64", "abc"), "YWJj\r\n");
    EXPECT_EQ(EncodeWith("Quoted-Printable", "a=b"), "a=3Db");
    EXPECT_EQ(EncodeWith("x-unknown", "a=b"), "a=b");
    EXPECT_EQ(EncodeWith("", line), line);
    // Auto folding turns the 7bit and 8bit coders into folding ones.
    CMimeEnvironment::SetAutoFolding(true);
    EXPECT_EQ(EncodeWith("8bit", line), folded);
    EXPECT_EQ(EncodeWith("", line), folded);
    CMimeEnvironment::SetAutoFolding(false);
    EXPECT_EQ(EncodeWith("7bit", line), line);
}

TEST(MimeEnvironment, LatestRegistrationWinsAndNullRemoves) {
    CMimeEnvironment::RegisterCoder("x-upper", &MakeUpperCaseCoder);
    CMimeEnvironment::RegisterCoder("X-UPPER", &CMimeCodeBase64::CreateObject);
    EXPECT_EQ(EncodeWith("x-upper", "abc"), "YWJj\r\n");
    CMimeEnvironment::RegisterCoder("x-Upper", nullptr);
    EXPECT_EQ(EncodeWith("x-upper", "abc"), "abc");
}

TEST(MimeEnvironment, RegisteredCoderAndBodyClassAreUsedWhileLoading) {
    CMimeEnvironment::RegisterCoder("x-upper", &MakeUpperCaseCoder);
    CMimeEnvironment::RegisterMediaType("image", &MakeTaggedBody);
    CMimeMessage message;
    mimetest::LoadFrom(message, "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                                "Content-Type: image/gif\r\nContent-Transfer-Encoding: x-upper\r\n"
                                "\r\ngif\r\n--b\r\n\r\ntext\r\n--b--\r\n");
    CMimeEnvironment::RegisterCoder("x-upper", nullptr);
    CMimeEnvironment::RegisterMediaType("image", nullptr);
    ASSERT_EQ(message.GetParts().size(), 2u);
    EXPECT_NE(dynamic_cast<TaggedBody*>(message.GetParts().front().get()), nullptr);
    EXPECT_EQ(dynamic_cast<TaggedBody*>(message.GetParts().back().get()), nullptr);
    EXPECT_EQ(mimetest::ContentOf(*message.GetParts().front()), "GIF");
    EXPECT_EQ(dynamic_cast<TaggedBody*>(CMimeEnvironment::CreateBodyPart("image").get()), nullptr);
}

} // namespace
