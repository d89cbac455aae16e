#include "plugin/upload/UploadProtocol.h"

#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "tests/plugin/upload/Inflated.h"

namespace {

QueryForm form(const std::string& path, bool keepFullPath, const std::string& attachId,
               bool netfolder, const std::string& display, const std::string& extArg = "") {
    QueryForm made;
    made.queryUrl = "http://mail/query";
    made.extArg = extArg;
    made.path = path;
    made.keepFullPath = keepFullPath;
    made.size = 300;
    made.crc = "-873187034";
    made.attachId = attachId;
    made.netfolder = netfolder;
    made.crc2 = "X+Y/Z=";
    made.display = display;
    return made;
}

} // namespace

TEST(UploadProtocol, TheQueryNamesTheFileAndItsChecksumsInAFixedOrder) {
    struct Case {
        const char* what;
        QueryForm form;
        std::string url;
        std::string body;
    };
    const Case cases[] = {
        {"short name, new file", form("/home/u/a b.txt", false, "", true, ""), "http://mail/query",
         "fileName=a+b.txt&size=300&crc=-873187034&attachId=-1&crc2=X%2bY/Z%3d&display="},
        {"full path", form("/home/u/a b.txt", true, "", true, ""), "http://mail/query",
         "fileName=/home/u/a+b.txt&size=300&crc=-873187034&attachId=-1&crc2=X%2bY/Z%3d&display="},
        {"no folder in the name", form("plain", false, "A1", true, ""), "http://mail/query",
         "fileName=plain&size=300&crc=-873187034&attachId=A1&crc2=X%2bY/Z%3d&display="},
        {"not a net folder: no crc2", form("/x/y.bin", false, "A1", false, "Shown & Told"),
         "http://mail/query",
         "fileName=y.bin&size=300&crc=-873187034&attachId=A1&display=Shown+%26+Told"},
        {"UTF-8 name and display", form("/d/\xe4\xb8\xad.txt", false, "", true, "\xe4\xb8\xad"),
         "http://mail/query",
         "fileName=%e4%b8%ad.txt&size=300&crc=-873187034&attachId=-1&crc2=X%2bY/Z%3d&display=%e4%"
         "b8%ad"},
        {"ext args appended as they are", form("f", false, "", false, "", "?folder=a%20b"),
         "http://mail/query?folder=a%20b",
         "fileName=f&size=300&crc=-873187034&attachId=-1&display="},
    };
    for (const Case& c : cases) {
        QueryRequest request = buildQuery(c.form);
        EXPECT_EQ(request.url, c.url) << c.what;
        EXPECT_EQ(request.body, c.body) << c.what;
    }
}

// Other browsers than NPAPI ones get no length among the headers; a block is deflated only when
// that makes it smaller; ext args go before the block's own parameters, re-encoded.
TEST(UploadProtocol, ABlockRequestCarriesItsOffsetAndTheWayItTravels) {
    const std::string url = "http://mail/upload?sid=1";
    const std::string bare = "http://mail/upload";
    const std::string compressible(1000, 'z');
    struct Case {
        BlockTarget target;
        unsigned long long offset;
        std::string block;
        std::string url;
    };
    const Case cases[] = {
        {{url, "", "", 0, true}, 0, "abc", url + "&offset=0&attachId=-1"},
        {{url, "", "A1", 0, true}, 5000000000ULL, "abc", url + "&offset=5000000000&attachId=A1"},
        {{bare, "", "A1", 0, false}, 7, "abc", bare + "?offset=7&attachId=A1"},
        {{url, "&f=a%20b", "B", 0, true}, 0, "abc", url + "&f=a+b&offset=0&attachId=B"},
        {{url, "", "C", 6, true},
         400,
         compressible,
         url + "&offset=400&attachId=C&contentEncoding=deflate"},
        {{bare, "", "C", 6, false}, 0, "ab", bare + "?offset=0&attachId=C"},
    };
    for (const Case& c : cases) {
        std::string block = c.block;
        BlockRequest request = buildBlockRequest(c.target, c.offset, block);
        EXPECT_EQ(request.url, c.url);
        EXPECT_EQ(request.headers,
                  "Content-Type: application/octet-stream" +
                      (c.target.npapi ? "\nContent-Length: " + std::to_string(block.size())
                                      : std::string("\r\n")))
            << c.url;
        if (c.url.find("contentEncoding=deflate") != std::string::npos) {
            EXPECT_LT(block.size(), c.block.size());
            EXPECT_EQ(inflated(block, c.block.size()), c.block);
        } else {
            EXPECT_EQ(block, c.block) << c.url;
        }
    }
}

TEST(UploadProtocol, AnUnreadableUploadUrlThrowsBeforeTheBlockIsTouched) {
    std::string block(1000, 'z');
    EXPECT_THROW(buildBlockRequest({"ht tp://mail/upload", "", "", 6, true}, 0, block),
                 std::runtime_error);
    EXPECT_EQ(block, std::string(1000, 'z'));
}

TEST(UploadProtocol, QueryAnswersDecideTheNextStep) {
    struct Case {
        bool delivered;
        std::string answer;
        NextStep next;
        int error;
        std::string errorText;
        boost::optional<std::string> attachId;
        unsigned long long offset;
        bool deflate;
    };
    const std::string none = "<none>";
    const Case cases[] = {
        {false, "S_OK offset=5", NextStep::Fail, 5, "query net error", boost::none, 0, false},
        {true, "FAIL", NextStep::Fail, 9, "FAIL", boost::none, 0, false},
        {true, "compose_not_found", NextStep::Fail, 6, "compose_not_found", boost::none, 0, false},
        {true, "file_count_overflow", NextStep::Fail, 7, "file_count_overflow", boost::none, 0,
         false},
        {true, "size overflow", NextStep::Fail, 8, "size overflow", boost::none, 0, false},
        {true, "compose_not_found overflow attid=X", NextStep::Fail, 6,
         "compose_not_found overflow attid=X", boost::none, 0, false},
        {true, "S_OK\nattid=A1\ncrcOK=1\noffset=7\n", NextStep::Verified, 0, "", std::string("A1"),
         0, false},
        {true, "S_OK crcOK=0 offset=1200", NextStep::Send, 0, "", boost::none, 1200, false},
        {true, "S_OK offset=3000", NextStep::Send, 0, "", boost::none, 3000, false},
        {true, "S_OK offset=3001", NextStep::Send, 0, "", boost::none, 0, false},
        {true, "S_OK\tattid=D\tacceptEncoding=deflate", NextStep::Send, 0, "", std::string("D"), 0,
         true},
        {true, "S_OK attid= acceptEncoding=gzip", NextStep::Send, 0, "", std::string(""), 0, false},
    };
    for (const Case& c : cases) {
        QueryStep step = readQueryAnswer(c.delivered, c.answer, 3000);
        EXPECT_EQ(step.next, c.next) << c.answer;
        EXPECT_EQ(step.error, c.error) << c.answer;
        EXPECT_EQ(step.errorText, c.errorText) << c.answer;
        EXPECT_EQ(step.attachId.value_or(none), c.attachId.value_or(none)) << c.answer;
        EXPECT_EQ(step.offset, c.offset) << c.answer;
        EXPECT_EQ(step.deflate, c.deflate) << c.answer;
    }
}

TEST(UploadProtocol, BlockAnswersDecideTheNextStep) {
    struct Case {
        bool delivered;
        std::string answer;
        unsigned long long total;
        NextStep next;
        int error;
        std::string errorText;
        unsigned long long offset;
    };
    const std::string size400 = "<code>S_OK</code><int name=\"actualSize\">400</int>";
    const Case cases[] = {
        {false, size400, 1000, NextStep::Fail, 5, "upload net error", 0},
        {true, "<?xml version=\"1.0\"?>\n<code>FA_UPLOAD_SIZE_EXCEEDED</code>", 1000,
         NextStep::Fail, 8, "<code>FA_UPLOAD_SIZE_EXCEEDED</code>", 0},
        {true, "\r\n  header\r\nFA_COMPOSE_NOT_FOUND", 1000, NextStep::Fail, 6,
         "FA_COMPOSE_NOT_FOUND", 0},
        {true, "one line only FA_COMPOSE_NOT_FOUND", 1000, NextStep::Fail, 6,
         "one line only FA_COMPOSE_NOT_FOUND", 0},
        {true, "error\nFAIL", 1000, NextStep::Fail, 9, "FAIL", 0},
        {true, "S_OK", 0, NextStep::Verified, 0, "", 0},
        {true, "S_OK <boolean name=\"crcOK\">true</boolean>" + size400, 1000, NextStep::Verified, 0,
         "", 0},
        {true, "S_OK <boolean name=\"crcOK\">false</boolean>", 1000, NextStep::Fail, 5,
         "upload respond crcOK return false", 0},
        {true, "S_OK crcOK true", 1000, NextStep::Fail, 5, "upload respond crcOK has no boolean",
         0},
        {true, "S_OK no count", 1000, NextStep::Fail, 5, "upload respond has no actualSize", 0},
        {true, "S_OK actualSize 400", 1000, NextStep::Fail, 5, "upload respond has no actualSize",
         0},
        {true, size400, 400, NextStep::Finished, 0, "", 0},
        {true, size400, 1000, NextStep::Send, 0, "", 400},
        {true, size400, 300, NextStep::Send, 0, "", 250},
    };
    for (const Case& c : cases) {
        BlockStep step = readBlockAnswer(c.delivered, c.answer, c.total, 250);
        EXPECT_EQ(step.next, c.next) << c.answer;
        EXPECT_EQ(step.error, c.error) << c.answer;
        EXPECT_EQ(step.errorText, c.errorText) << c.answer;
        EXPECT_EQ(step.offset, c.offset) << c.answer;
    }
}
