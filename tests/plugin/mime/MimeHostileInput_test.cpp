// Mail is hostile input: every case here loads from an exact-size buffer without a terminating
// NUL, so the sanitizer builds catch any access past the data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/mime/MimeMessage.h"
#include "tests/plugin/mime/MimeTestSupport.h"

using mimetest::ContentOf;
using mimetest::LoadFrom;
using mimetest::StoreToString;

namespace {

std::string NestedMultiparts(int depth) {
    std::string head;
    std::string tail;
    for (int level = 0; level < depth; ++level) {
        const std::string boundary = "=_" + std::to_string(level) + "_=";
        head += "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary +
                "\r\n";
        tail = "\r\n--" + boundary + "--\r\n" + tail;
    }
    return head + "\r\ncore" + tail;
}

int MultipartDepth(const CMimeBody& body) {
    int depth = 0;
    for (const auto& part : body.GetParts())
        depth = std::max(depth, MultipartDepth(*part));
    return body.GetMediaType() == CMimeHeader::MediaMultipart ? depth + 1 : depth;
}

TEST(MimeHostileInput, DeepNestingStopsSplittingAtTheCap) {
    CMimeMessage withinCap;
    LoadFrom(withinCap, NestedMultiparts(CMimeBody::kMaxNestingDepth));
    std::vector<CMimeBody*> leaves;
    withinCap.GetBodyPartList(leaves);
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(ContentOf(*leaves[0]), "core");

    const std::string text = NestedMultiparts(5000);
    CMimeMessage message;
    EXPECT_GT(LoadFrom(message, text), 0);
    EXPECT_EQ(MultipartDepth(message), CMimeBody::kMaxNestingDepth + 1);
    const CMimeBody* deepest = &message;
    while (!deepest->GetParts().empty())
        deepest = deepest->GetParts().front().get();
    EXPECT_EQ(deepest->GetMediaType(), CMimeHeader::MediaMultipart);
    EXPECT_NE(ContentOf(*deepest).find("core"), std::string::npos);
    int result = 0;
    StoreToString(message, &result);
    EXPECT_GT(result, 0);
}

TEST(MimeHostileInput, BoundaryThatNeverAppearsLeavesOneTextBody) {
    CMimeMessage message;
    const std::string body = std::string(100000, '-') + "\r\n--almost\r\n";
    EXPECT_GT(LoadFrom(message, "Content-Type: multipart/mixed; boundary=never\r\n\r\n" + body), 0);
    EXPECT_TRUE(message.GetParts().empty());
    EXPECT_EQ(ContentOf(message), body);
}

TEST(MimeHostileInput, HeaderCutShortKeepsTheCompleteFields) {
    CMimeMessage cut;
    EXPECT_EQ(LoadFrom(cut, "From: a@b\r\nSubject: cut off"), 0);
    ASSERT_EQ(cut.GetFields().size(), 1u);
    EXPECT_EQ(cut.GetFields().front().GetName(), "From");
    CMimeMessage headerOnly;
    EXPECT_EQ(LoadFrom(headerOnly, "From: a@b\r\nTo: c@d\r\n"), 20);
    EXPECT_EQ(headerOnly.GetFields().size(), 2u);
    EXPECT_EQ(headerOnly.GetContent(), nullptr);
    EXPECT_EQ(headerOnly.Load(nullptr, 0), 0);
}

TEST(MimeHostileInput, DamagedEncodingsDecodeAsFarAsTheyGo) {
    CMimeMessage message;
    LoadFrom(message, "Subject: =?x-klingon?B?SGVs!bG8=?= =?utf-8?B?====?= end\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\nSGVsbG8gd29y\r\n*bGQ=\r\n");
    EXPECT_EQ(message.FindField("Subject")->GetValue(), "Hel end");
    EXPECT_EQ(message.FindField("Subject")->GetCharset(), "x-klingon");
    EXPECT_EQ(ContentOf(message), "Hello wor");
}

TEST(MimeHostileInput, HugeBoundaryAndManyDelimiterLookalikesStayLinear) {
    const std::string boundary(1 << 20, 'q');
    std::string text = "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" +
                       boundary + "\r\n\r\n";
    for (int i = 0; i < 2000; ++i)
        text += "\r\n--" + boundary.substr(0, 1000);
    text += "\r\n--" + boundary + "--\r\n";
    CMimeMessage message;
    EXPECT_EQ(LoadFrom(message, text), static_cast<int>(text.size()));
    ASSERT_EQ(message.GetParts().size(), 1u);
    EXPECT_EQ(message.GetParts().front()->GetContentLength(), 2000 * 1004);
}

TEST(MimeHostileInput, ManyTinyPartsLoadAndStore) {
    std::string text = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 100000; ++i)
        text += "--b\r\n";
    CMimeMessage message;
    EXPECT_EQ(LoadFrom(message, text), static_cast<int>(text.size()));
    EXPECT_EQ(message.GetParts().size(), 100000u);
    int result = 0;
    StoreToString(message, &result);
    EXPECT_GT(result, 0);
}

} // namespace
