// Header field lists, media types and the Content-Type conveniences.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "plugin/mime/MimeHeader.h"
#include "plugin/mime/MimeMessage.h"
#include "tests/plugin/mime/MimeTestSupport.h"

namespace {

CMimeHeader WithContentType(const std::string& value) {
    CMimeHeader header;
    header.SetFieldValue("Content-Type", value);
    return header;
}

std::string ContentTypeOf(const CMimeHeader& header) {
    const CMimeField* field = header.FindField("content-type");
    return field != nullptr ? field->GetValue() : "<none>";
}

TEST(MimeHeader, LookupIgnoresCaseAndTakesTheFirstOfDuplicates) {
    CMimeMessage message;
    mimetest::LoadFrom(message, "Received: one\r\nreceived: two\r\nSubject: s\r\n\r\n");
    ASSERT_EQ(message.GetFields().size(), 3u);
    EXPECT_EQ(message.FindField("RECEIVED")->GetValue(), "one");
    EXPECT_EQ(message.FindField("Missing"), nullptr);
    message.SetFieldValue("RECEIVED", "replaced", "x");
    EXPECT_EQ(message.GetFields().front().GetName(), "RECEIVED");
    EXPECT_EQ(message.GetFields().front().GetValue(), "replaced");
    message.SetFieldValue("New", "appended");
    EXPECT_EQ(message.GetFields().back().GetName(), "New");
}

TEST(MimeHeader, MediaTypeComparesOnlyTheStartOfTheValue) {
    EXPECT_EQ(CMimeHeader().GetMediaType(), CMimeHeader::MediaText);
    EXPECT_EQ(WithContentType("MULTIPART/MIXED; boundary=x").GetMediaType(),
              CMimeHeader::MediaMultipart);
    EXPECT_EQ(WithContentType("textual/odd").GetMediaType(), CMimeHeader::MediaText);
    EXPECT_EQ(WithContentType("vedio/mpeg").GetMediaType(), CMimeHeader::MediaVideo);
    EXPECT_EQ(WithContentType("video/mp4").GetMediaType(), CMimeHeader::MediaUnknown);
    EXPECT_EQ(WithContentType("message/rfc822").GetMediaType(), CMimeHeader::MediaMessage);
    EXPECT_EQ(WithContentType("tex").GetMediaType(), CMimeHeader::MediaUnknown);
}

TEST(MimeHeader, MainAndSubTypeHaveDefaultsAndIgnoreParameters) {
    EXPECT_EQ(CMimeHeader().GetMainType(), "text");
    EXPECT_EQ(CMimeHeader().GetSubType(), "plain");
    const CMimeHeader html = WithContentType("text/html ; charset=utf-8");
    EXPECT_EQ(html.GetMainType(), "text");
    EXPECT_EQ(html.GetSubType(), "html");
    const CMimeHeader odd = WithContentType("weird; name=a/b");
    EXPECT_EQ(odd.GetMainType(), "weird");
    EXPECT_EQ(odd.GetSubType(), "weird");
}

TEST(MimeHeader, SetNameDerivesTheTypeFromTheExtension) {
    CMimeHeader jpeg;
    jpeg.SetName("photo.final.JPG");
    EXPECT_EQ(ContentTypeOf(jpeg), "image/jpeg; name=\"photo.final.JPG\"");
    CMimeHeader movie;
    movie.SetName("clip.mpg");
    EXPECT_EQ(ContentTypeOf(movie), "vedio/mpeg; name=\"clip.mpg\"");
    CMimeHeader unknown;
    unknown.SetName("README");
    EXPECT_EQ(ContentTypeOf(unknown), "application/octet-stream; name=\"README\"");
    CMimeHeader typed = WithContentType("text/plain");
    typed.SetName("x.pdf");
    EXPECT_EQ(ContentTypeOf(typed), "text/plain; name=\"x.pdf\"");
}

TEST(MimeHeader, SetCharsetAddsPlainTextWhenThereIsNoType) {
    CMimeHeader header;
    header.SetCharset("utf-8");
    EXPECT_EQ(ContentTypeOf(header), "text/plain; charset=\"utf-8\"");
}

TEST(MimeHeader, SetBoundaryMakesNonMultipartTypesMixedAndDropsTheirParameters) {
    CMimeHeader text = WithContentType("text/plain; charset=gbk");
    text.SetBoundary("b1");
    EXPECT_EQ(ContentTypeOf(text), "multipart/mixed; boundary=\"b1\"");
    CMimeHeader alternative = WithContentType("Multipart/Alternative; boundary=old");
    alternative.SetBoundary("new");
    EXPECT_EQ(ContentTypeOf(alternative), "Multipart/Alternative; boundary=\"new\"");
    EXPECT_EQ(alternative.GetBoundary(), "new");
}

// Nested multiparts each need their own boundary.
TEST(MimeHeader, GeneratedBoundariesDifferFromEachOther) {
    std::set<std::string> boundaries;
    for (int i = 0; i < 9; ++i) {
        CMimeHeader header;
        header.SetBoundary();
        EXPECT_EQ(header.GetBoundary().rfind("__=_Norvane_Part_Boundary_", 0), 0u);
        EXPECT_TRUE(boundaries.insert(header.GetBoundary()).second) << header.GetBoundary();
    }
}

TEST(MimeHeader, LoadStopsAfterTheEmptyLineWithEitherLineEnd) {
    CMimeHeader header;
    EXPECT_EQ(header.Load("A: 1\r\nB: 2\r\n\r\nbody", 18), 14);
    EXPECT_EQ(header.GetFields().size(), 2u);
    CMimeHeader bare;
    EXPECT_EQ(bare.Load("A: 1\nB: 2\n\nbody", 15), 11);
}

TEST(MimeHeader, StoreWritesFieldsThenTheEmptyLine) {
    CMimeHeader header;
    header.SetFieldValue("A", "1");
    header.SetFieldValue("B", "2");
    char out[32];
    ASSERT_LE(header.Store(out, sizeof out), header.GetLength());
    EXPECT_EQ(std::string(out, header.Store(out, sizeof out)), "A: 1\r\nB: 2\r\n\r\n");
    EXPECT_EQ(header.Store(out, 13), 0);
}

} // namespace
