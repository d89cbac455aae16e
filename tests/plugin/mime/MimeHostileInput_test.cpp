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

TEST(MimeHostileInput, NestingWithinTheCapLoadsCompletely) {
    CMimeMessage message;
    LoadFrom(message, NestedMultiparts(CMimeBody::kMaxNestingDepth));
    std::vector<CMimeBody*> leaves;
    message.GetBodyPartList(leaves);
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(ContentOf(*leaves[0]), "core");
}

TEST(MimeHostileInput, BoundaryThatNeverAppearsLeavesOneTextBody) {
    CMimeMessage message;
    const std::string body = std::string(100000, '-') + "\r\n--almost\r\n";
    EXPECT_GT(LoadFrom(message, "Content-Type: multipart/mixed; boundary=never\r\n\r\n" + body), 0);
    EXPECT_TRUE(message.GetParts().empty());
    EXPECT_EQ(ContentOf(message), body);
}

TEST(MimeHostileInput, DelimiterLineWithoutLineEndConsumesTheRest) {
    CMimeMessage message;
    const std::string text =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n\r\none\r\n--b";
    EXPECT_EQ(LoadFrom(message, text), static_cast<int>(text.size()));
    ASSERT_EQ(message.GetParts().size(), 1u);
    EXPECT_EQ(ContentOf(*message.GetParts().front()), "one");
}

TEST(MimeHostileInput, HundredMebibyteHeaderLineLoadsAndStores) {
    std::string text = "Subject: ";
    text.append(100u << 20, 'x');
    text += "\r\nX-After: y\r\n\r\nbody";
    CMimeMessage message;
    EXPECT_EQ(LoadFrom(message, text), static_cast<int>(text.size()));
    EXPECT_EQ(message.FindField("Subject")->GetValue().size(), 100u << 20);
    EXPECT_EQ(message.FindField("X-After")->GetValue(), "y");
    int result = 0;
    EXPECT_EQ(StoreToString(message, &result).size(), text.size());
}

TEST(MimeHostileInput, LastFieldWithoutLineEndFailsAndKeepsEarlierFields) {
    CMimeMessage message;
    EXPECT_EQ(LoadFrom(message, "From: a@b\r\nSubject: cut off"), 0);
    ASSERT_EQ(message.GetFields().size(), 1u);
    EXPECT_EQ(message.GetFields().front().GetName(), "From");
}

TEST(MimeHostileInput, HeaderReachingTheEndOfDataHasNoContent) {
    CMimeMessage message;
    EXPECT_EQ(LoadFrom(message, "From: a@b\r\nTo: c@d\r\n"), 20);
    EXPECT_EQ(message.GetFields().size(), 2u);
    EXPECT_EQ(message.GetContent(), nullptr);
    CMimeMessage empty;
    EXPECT_EQ(LoadFrom(empty, ""), 0);
    EXPECT_EQ(empty.Load(nullptr, 0), 0);
}

TEST(MimeHostileInput, NulBytesInsideABodyAreKept) {
    const std::string body("a\0b\0\0c\r\n\0", 10);
    CMimeMessage message;
    LoadFrom(message, "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
                      "Content-Type: application/octet-stream\r\n\r\n" +
                          body + "\r\n--b--\r\n");
    ASSERT_EQ(message.GetParts().size(), 1u);
    EXPECT_EQ(ContentOf(*message.GetParts().front()), body);
    EXPECT_EQ(message.GetParts().front()->GetContentLength(), 10);
}

TEST(MimeHostileInput, DamagedEncodingsDecodeAsFarAsTheyGo) {
    CMimeMessage message;
    LoadFrom(message, "Subject: =?x-klingon?B?SGVs!bG8=?= =?utf-8?B?====?= end\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\nSGVsbG8gd29y\r\n*bGQ=\r\n");
    EXPECT_EQ(message.FindField("Subject")->GetValue(), "Hel end");
    EXPECT_EQ(message.FindField("Subject")->GetCharset(), "x-klingon");
    EXPECT_EQ(ContentOf(message), "Hello wor");
}

TEST(MimeHostileInput, BoundaryExtendingTheOuterOneDoesNotSplitTheOuterPart) {
    CMimeMessage message;
    LoadFrom(message, "Content-Type: multipart/mixed; boundary=b1\r\n\r\n--b1\r\n"
                      "Content-Type: multipart/alternative; boundary=b10\r\n\r\n"
                      "--b10\r\n\r\none\r\n--b10\r\n\r\ntwo\r\n--b10--\r\n"
                      "--b1 \t\r\n\r\nthree\r\n--b1--\r\n");
    std::vector<CMimeBody*> leaves;
    message.GetBodyPartList(leaves);
    ASSERT_EQ(leaves.size(), 3u);
    EXPECT_EQ(ContentOf(*leaves[1]), "two");
    EXPECT_EQ(ContentOf(*leaves[2]), "three");
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
