// MIME entities: content, parts, loading multipart trees and storing them back.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugin/mime/MimeMessage.h"
#include "tests/plugin/mime/MimeTestSupport.h"

using mimetest::ContentOf;
using mimetest::LoadFrom;
using mimetest::StoreToString;

namespace {

const std::string kMixed = "Subject: s\r\n"
                           "Content-Type: multipart/mixed; boundary=\"b1\"\r\n"
                           "\r\n"
                           "preamble\r\n"
                           "--b1\r\n"
                           "Content-Type: text/plain\r\n"
                           "\r\n"
                           "first\r\n"
                           "--b1\r\n"
                           "Content-Type: application/pdf; name=\"a.pdf\"\r\n"
                           "Content-Transfer-Encoding: base64\r\n"
                           "\r\n"
                           "JVBERg==\r\n"
                           "--b1--\r\n"
                           "epilogue\r\n";

std::vector<CMimeBody*> Leaves(CMimeBody& body) {
    std::vector<CMimeBody*> leaves;
    body.GetBodyPartList(leaves);
    return leaves;
}

TEST(MimeBody, MultipartLoadsPreamblePartsAndStopsAfterTheClosingDelimiter) {
    CMimeMessage message;
    EXPECT_EQ(LoadFrom(message, kMixed), static_cast<int>(kMixed.size() - 10));
    EXPECT_EQ(ContentOf(message), "preamble\r\n");
    ASSERT_EQ(message.GetParts().size(), 2u);
    EXPECT_EQ(ContentOf(*message.GetParts().front()), "first");
    EXPECT_EQ(ContentOf(*message.GetParts().back()), "%PDF");
    std::vector<CMimeBody*> attachments;
    EXPECT_EQ(message.GetAttachmentList(attachments), 1);
    EXPECT_EQ(attachments[0], message.GetParts().back().get());
}

TEST(MimeBody, StoreReloadKeepsTheTreeAndWritesOneLineBreakBeforeTheFirstPart) {
    CMimeMessage message;
    LoadFrom(message, kMixed);
    int result = 0;
    const std::string stored = StoreToString(message, &result);
    EXPECT_GT(result, 0);
    EXPECT_NE(stored.find("preamble\r\n--b1\r\n"), std::string::npos) << stored;
    EXPECT_EQ(stored.substr(stored.size() - 8), "--b1--\r\n");
    CMimeMessage reloaded;
    LoadFrom(reloaded, stored);
    ASSERT_EQ(Leaves(reloaded).size(), 2u);
    EXPECT_EQ(ContentOf(*Leaves(reloaded)[1]), "%PDF");
    EXPECT_EQ(StoreToString(reloaded), stored);
}

TEST(MimeBody, PartsEndAtTheNextDelimiterOrTheEndOfData) {
    struct Case {
        std::string body; // after a multipart/mixed header with boundary x; all of it is loaded
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        // The header ends at the first delimiter: an empty preamble.
        {"--x\r\n\r\nonly\r\n--x--\r\n", {"only"}},
        // Without a closing delimiter the last part runs to the end.
        {"--x\r\n\r\none\r\n--x\r\n\r\ntwo\r\n", {"one", "two\r\n"}},
        {"--x\r\n\r\none\r\n--x", {"one"}},
    };
    const std::string head = "Content-Type: multipart/mixed; boundary=x\r\n\r\n";
    for (const Case& c : cases) {
        CMimeMessage message;
        EXPECT_EQ(LoadFrom(message, head + c.body), static_cast<int>(head.size() + c.body.size()))
            << c.body;
        EXPECT_EQ(message.GetContentLength(), 0) << c.body;
        std::vector<std::string> parts;
        for (const auto& part : message.GetParts())
            parts.push_back(ContentOf(*part));
        EXPECT_EQ(parts, c.parts) << c.body;
    }
}

TEST(MimeBody, MultipartWithoutBoundaryKeepsItsContentAsTextAndCannotBeStored) {
    CMimeMessage message;
    LoadFrom(message, "Content-Type: multipart/mixed\r\n\r\n--x\r\nbody\r\n--x--\r\n");
    EXPECT_TRUE(message.GetParts().empty());
    EXPECT_EQ(ContentOf(message), "--x\r\nbody\r\n--x--\r\n");
    int result = 0;
    StoreToString(message, &result);
    EXPECT_EQ(result, -1);
}

TEST(MimeBody, EmbeddedMessageStaysUnparsedUntilAskedFor) {
    const std::string inner = "Subject: inner\r\nContent-Type: multipart/mixed; boundary=i\r\n\r\n"
                              "--i\r\n\r\ninner part\r\n--i--\r\n";
    CMimeMessage message;
    LoadFrom(message, "Content-Type: multipart/mixed; boundary=o\r\n\r\n--o\r\n"
                      "Content-Type: message/rfc822\r\n\r\n" +
                          inner + "\r\n--o--\r\n");
    const std::vector<CMimeBody*> leaves = Leaves(message);
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_TRUE(leaves[0]->GetParts().empty());
    EXPECT_EQ(ContentOf(*leaves[0]), inner);
    CMimeMessage opened;
    opened.SetFieldValue("Stale", "field");
    EXPECT_GT(leaves[0]->GetMessage(opened), 0);
    EXPECT_EQ(opened.FindField("Stale"), nullptr);
    ASSERT_EQ(Leaves(opened).size(), 1u);
    EXPECT_EQ(ContentOf(*Leaves(opened)[0]), "inner part");
}

TEST(MimeBody, SetMessageStoresItAsRfc822UnlessAlreadyAMessageType) {
    CMimeMessage inner;
    inner.SetFieldValue("Subject", "x");
    inner.SetText("body", 4);
    CMimeBody part;
    EXPECT_EQ(part.SetMessage(inner), 18);
    EXPECT_EQ(ContentOf(part), "Subject: x\r\n\r\nbody");
    EXPECT_EQ(part.FindField("Content-Type")->GetValue(), "message/rfc822");
    CMimeBody partial;
    partial.SetFieldValue("Content-Type", "Message/Partial; id=1");
    partial.SetMessage(inner);
    EXPECT_EQ(partial.FindField("Content-Type")->GetValue(), "Message/Partial; id=1");
}

TEST(MimeBody, TextCopiesKeepNulBytesAndZeroLengthMeansUpToNul) {
    CMimeBody body;
    EXPECT_EQ(body.SetText("a\0b", 3), 3);
    EXPECT_EQ(ContentOf(body), std::string("a\0b", 3));
    EXPECT_EQ(body.GetContent()[3], '\0');
    EXPECT_EQ(body.SetText("abc\0def", 0), 3);
    char out[8] = "";
    EXPECT_EQ(body.GetText(out, 2), 2);
    EXPECT_EQ(std::string(out, 2), "ab");
    EXPECT_EQ(body.GetText(out, -5), 0);
    EXPECT_EQ(body.SetText("x", -1), -1);
    EXPECT_EQ(ContentOf(body), "abc");
}

TEST(MimeBody, PartsAreInsertedErasedAndListedDepthFirst) {
    CMimeMessage message;
    message.SetBoundary("outer");
    CMimeBody* last = message.CreatePart();
    last->SetName("last.pdf");
    CMimeBody* nested = message.CreatePart("multipart", last);
    nested->SetBoundary("inner");
    nested->SetFieldValue("Content-Type", "multipart/alternative; boundary=inner");
    CMimeBody* plain = nested->CreatePart();
    CMimeBody* html = nested->CreatePart("text", plain);
    std::swap(plain, html);
    CMimeBody* first = message.CreatePart("text", nested);
    EXPECT_EQ(Leaves(message), (std::vector<CMimeBody*>{first, plain, html, last}));
    message.ErasePart(nested);
    EXPECT_EQ(Leaves(message), (std::vector<CMimeBody*>{first, last}));
    CMimeBody stranger;
    message.ErasePart(&stranger);
    EXPECT_EQ(message.GetParts().size(), 2u);
}

TEST(MimeBody, ComposedTreeRoundTripsThroughStoreAndLoad) {
    CMimeMessage message;
    message.SetFieldValue("Subject", "caf\xC3\xA9 \xC3\xA0 la cr\xC3\xA8me", "UTF-8");
    message.SetBoundary();
    CMimeBody* text = message.CreatePart();
    text->SetFieldValue("Content-Type", "text/plain; charset=utf-8");
    text->SetFieldValue("Content-Transfer-Encoding", "quoted-printable");
    const std::string prose = std::string(200, 'x') + " caf\xC3\xA9 =\r\nend ";
    text->SetText(prose.data(), static_cast<int>(prose.size()));
    CMimeBody* attachment = message.CreatePart();
    attachment->SetFieldValue("Content-Transfer-Encoding", "base64");
    attachment->SetName("r\xC3\xA9sum\xC3\xA9.pdf");
    attachment->FindField("Content-Type")->SetCharset("UTF-8");
    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary.push_back(static_cast<char>(i * 7));
    attachment->SetText(binary.data(), static_cast<int>(binary.size()));

    const std::string stored = StoreToString(message);
    CMimeMessage reloaded;
    EXPECT_EQ(LoadFrom(reloaded, stored), static_cast<int>(stored.size()));
    EXPECT_EQ(reloaded.FindField("Subject")->GetValue(), "caf\xC3\xA9 \xC3\xA0 la cr\xC3\xA8me");
    const std::vector<CMimeBody*> leaves = Leaves(reloaded);
    ASSERT_EQ(leaves.size(), 2u);
    EXPECT_EQ(ContentOf(*leaves[0]), prose);
    EXPECT_EQ(ContentOf(*leaves[1]), binary);
    std::string name;
    leaves[1]->FindField("Content-Type")->GetParameter("name", name);
    EXPECT_EQ(name, "r\xC3\xA9sum\xC3\xA9.pdf");
}

TEST(MimeBody, SmallBufferLeavesPartsOutWithoutWritingPastIt) {
    CMimeMessage message;
    LoadFrom(message, kMixed);
    const int full = message.GetLength();
    std::vector<char> buffer(full + 16, '#');
    const int stored = message.Store(buffer.data(), 120);
    EXPECT_GT(stored, 0);
    EXPECT_LE(stored, 120);
    for (size_t i = 120; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], '#') << i;
}

} // namespace
