// MIME entities and messages: content, parts, loading multipart trees (hostile ones too), storing
// them back, and the Date field.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "plugin/mime/MimeMessage.h"
#include "tests/plugin/mime/MimeTestSupport.h"
#include "tests/support/ScopedEnvironment.h"

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

std::vector<std::string> Contents(const std::vector<CMimeBody*>& bodies) {
    std::vector<std::string> contents;
    for (const CMimeBody* body : bodies)
        contents.push_back(ContentOf(*body));
    return contents;
}

TEST(MimeBody, MultipartLoadsUpToTheClosingDelimiterAndStoresBackTheSameTree) {
    CMimeMessage message;
    EXPECT_EQ(LoadFrom(message, kMixed), static_cast<int>(kMixed.size() - 10));
    EXPECT_EQ(ContentOf(message), "preamble\r\n");
    EXPECT_EQ(Contents(Leaves(message)), (std::vector<std::string>{"first", "%PDF"}));
    std::vector<CMimeBody*> attachments;
    EXPECT_EQ(message.GetAttachmentList(attachments), 1);
    EXPECT_EQ(attachments[0], message.GetParts().back().get());
    int result = 0;
    const std::string stored = StoreToString(message, &result);
    EXPECT_GT(result, 0);
    // One line break between the preamble and the first delimiter.
    EXPECT_NE(stored.find("preamble\r\n--b1\r\n"), std::string::npos) << stored;
    EXPECT_EQ(stored.substr(stored.size() - 8), "--b1--\r\n");
    CMimeMessage reloaded;
    LoadFrom(reloaded, stored);
    EXPECT_EQ(Contents(Leaves(reloaded)), (std::vector<std::string>{"first", "%PDF"}));
    EXPECT_EQ(StoreToString(reloaded), stored);
}

TEST(MimeBody, PartsEndAtTheNextDelimiterLineOrTheEndOfData) {
    const struct {
        std::string body; // after a multipart header with boundary x; all of it is loaded
        std::vector<std::string> parts;
    } cases[] = {
        // The header ends at the first delimiter: an empty preamble.
        {"--x\r\n\r\nonly\r\n--x--\r\n", {"only"}},
        // Without a closing delimiter the last part runs to the end.
        {"--x\r\n\r\none\r\n--x\r\n\r\ntwo\r\n", {"one", "two\r\n"}},
        {"--x\r\n\r\none\r\n--x", {"one"}},
        // Only blanks may follow the boundary: "--xy" (an inner boundary) is content.
        {"--x\r\n\r\none\r\n--xy\r\n--x \t\r\n\r\ntwo\r\n--x--\r\n", {"one\r\n--xy", "two"}},
        {"--x\n\none\n--x\n\ntwo\n--x--\n", {"one", "two"}},
    };
    // Media types ignore case.
    const std::string head = "Content-Type: MULTIPART/Mixed; boundary=x\r\n\r\n";
    for (const auto& c : cases) {
        CMimeMessage message;
        EXPECT_EQ(LoadFrom(message, head + c.body), static_cast<int>(head.size() + c.body.size()))
            << c.body;
        EXPECT_EQ(message.GetContentLength(), 0) << c.body;
        EXPECT_EQ(Contents(Leaves(message)), c.parts) << c.body;
    }
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
    EXPECT_EQ(Contents(leaves), (std::vector<std::string>{prose, binary}));
    std::string name;
    ASSERT_EQ(leaves.size(), 2u);
    leaves[1]->FindField("Content-Type")->GetParameter("name", name);
    EXPECT_EQ(name, "r\xC3\xA9sum\xC3\xA9.pdf");
}

// Mail is hostile input: every load here reads an exact-size buffer without a terminating NUL,
// so the sanitizer builds catch any access past the data.
std::string NestedMultiparts(int depth) {
    std::string head, tail;
    for (int level = 0; level < depth; ++level) {
        const std::string boundary = "=_" + std::to_string(level) + "_=";
        head += "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" + boundary +
                "\r\n";
        tail = "\r\n--" + boundary + "--\r\n" + tail;
    }
    return head + "\r\ncore" + tail;
}

// The multipart entities along the first parts; `body` ends at the bottom one.
int FirstPathDepth(const CMimeBody*& body) {
    for (int depth = 0;; body = body->GetParts().front().get()) {
        depth += body->GetMediaType() == CMimeHeader::MediaMultipart ? 1 : 0;
        if (body->GetParts().empty())
            return depth;
    }
}

TEST(MimeHostileInput, DeepNestingStopsSplittingAtTheCap) {
    for (int depth : {CMimeBody::kMaxNestingDepth, 5000}) {
        CMimeMessage message;
        EXPECT_GT(LoadFrom(message, NestedMultiparts(depth)), 0);
        const CMimeBody* bottom = &message;
        const bool capped = depth > CMimeBody::kMaxNestingDepth;
        EXPECT_EQ(FirstPathDepth(bottom), CMimeBody::kMaxNestingDepth + (capped ? 1 : 0));
        EXPECT_EQ(bottom->GetMediaType() == CMimeHeader::MediaMultipart, capped);
        EXPECT_NE(ContentOf(*bottom).find("core"), std::string::npos);
        if (!capped) {
            EXPECT_EQ(ContentOf(*bottom), "core");
        }
        int result = 0;
        StoreToString(message, &result);
        EXPECT_GT(result, 0);
    }
}

TEST(MimeHostileInput, CutOrDamagedInputKeepsWhatIsComplete) {
    CMimeMessage cut;
    EXPECT_EQ(LoadFrom(cut, "From: a@b\r\nSubject: cut off"), 0);
    ASSERT_EQ(cut.GetFields().size(), 1u);
    EXPECT_EQ(cut.GetFields().front().GetName(), "From");
    CMimeMessage headerOnly;
    EXPECT_EQ(LoadFrom(headerOnly, "From: a@b\r\nTo: c@d\r\n"), 20);
    EXPECT_EQ(headerOnly.GetFields().size(), 2u);
    EXPECT_EQ(headerOnly.GetContent(), nullptr);
    EXPECT_EQ(headerOnly.Load(nullptr, 0), 0);
    CMimeMessage damaged;
    LoadFrom(damaged, "Subject: =?x-klingon?B?SGVs!bG8=?= =?utf-8?B?====?= end\r\n"
                      "Content-Transfer-Encoding: base64\r\n\r\nSGVsbG8gd29y\r\n*bGQ=\r\n");
    EXPECT_EQ(damaged.FindField("Subject")->GetValue(), "Hel end");
    EXPECT_EQ(damaged.FindField("Subject")->GetCharset(), "x-klingon");
    EXPECT_EQ(ContentOf(damaged), "Hello wor");
    const std::string unsplit = std::string(100000, '-') + "\r\n--almost\r\n";
    CMimeMessage never;
    EXPECT_GT(LoadFrom(never, "Content-Type: multipart/mixed; boundary=never\r\n\r\n" + unsplit),
              0);
    EXPECT_TRUE(never.GetParts().empty());
    EXPECT_EQ(ContentOf(never), unsplit);
}

TEST(MimeHostileInput, HugeBoundariesAndManyTinyPartsLoadWhole) {
    const std::string boundary(1 << 20, 'q');
    std::string lookalikes = "Content-Type: multipart/mixed; boundary=" + boundary + "\r\n\r\n--" +
                             boundary + "\r\n\r\n";
    for (int i = 0; i < 2000; ++i)
        lookalikes += "\r\n--" + boundary.substr(0, 1000);
    lookalikes += "\r\n--" + boundary + "--\r\n";
    CMimeMessage huge;
    EXPECT_EQ(LoadFrom(huge, lookalikes), static_cast<int>(lookalikes.size()));
    ASSERT_EQ(huge.GetParts().size(), 1u);
    EXPECT_EQ(huge.GetParts().front()->GetContentLength(), 2000 * 1004);

    std::string tiny = "Content-Type: multipart/mixed; boundary=b\r\n\r\n";
    for (int i = 0; i < 100000; ++i)
        tiny += "--b\r\n";
    CMimeMessage many;
    EXPECT_EQ(LoadFrom(many, tiny), static_cast<int>(tiny.size()));
    EXPECT_EQ(many.GetParts().size(), 100000u);
    int result = 0;
    StoreToString(many, &result);
    EXPECT_GT(result, 0);
}

std::string DateOf(const CMimeMessage& message) {
    const CMimeField* date = message.FindField("Date");
    return date != nullptr ? date->GetValue() : "<none>";
}

TEST(MimeMessageDate, OffsetFollowsTheZoneAcrossDayAndMonthEnds) {
    struct ZoneReset {
        ~ZoneReset() { tzset(); }
    } zoneReset; // destroyed after the environment is restored, so the old zone takes effect
    ScopedEnvironment environment;
    const struct {
        const char* zone;
        int year, month, day, hour, minute, second;
        std::string date;
    } cases[] = {
        {"CST-8", 2012, 2, 29, 0, 30, 0, "Wed, 29 Feb 2012 00:30:00 +0800"},
        {"EST5", 2012, 3, 31, 23, 30, 5, "Sat, 31 Mar 2012 23:30:05 -0500"},
        // Minutes past 59 are normalised; the half-hour zone is a day ahead of UTC.
        {"IST-5:30", 2011, 12, 31, 23, 90, 0, "Sun, 1 Jan 2012 00:30:00 +0530"},
    };
    for (const auto& c : cases) {
        environment.set("TZ", c.zone);
        tzset();
        CMimeMessage message;
        message.SetFieldValue("Date", "old");
        message.SetDate(c.year, c.month, c.day, c.hour, c.minute, c.second);
        EXPECT_EQ(DateOf(message), c.date) << c.zone;
        // The current time replaces the date too, in the same zone.
        message.SetDate();
        EXPECT_EQ(message.GetFields().size(), 1u);
        const std::string now = DateOf(message);
        EXPECT_EQ(now.substr(now.size() - 6), c.date.substr(c.date.size() - 6)) << now;
    }
}

} // namespace
