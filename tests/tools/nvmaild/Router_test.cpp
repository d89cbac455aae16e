#include "tools/nvmaild/Router.h"

#include <fstream>

#include <gtest/gtest.h>

#include "tests/tools/nvmaild/UploadFixture.h"
#include "tools/nvmaild/AdminService.h"
#include "tools/nvmaild/FileServing.h"

namespace nvmaild::test {
namespace {

class RouterTest : public UploadFixture {
protected:
    Response call(const std::string& method, const std::string& target,
                  const std::string& body = "") {
        PendingRequest request = router.begin(method, target);
        return router.finish(request, body);
    }

    TemporaryFolder files{"nvmaild-files-"};
    FaultSwitches faults;
    FileServing serving{"", files.path(), "pos"};
    AdminService admin{store, service, faults};
    Router router{service, &admin, serving, faults};
};

// Inspection and control exist only when asked for; a bad control call changes nothing.
TEST_F(RouterTest, EndpointsRefuseWhatTheyDoNotServe) {
    Router closed{service, nullptr, serving, faults};
    const struct {
        Router* router;
        const char* method;
        const char* target;
        unsigned status;
    } cases[] = {
        {&router, "GET", "/upload/query", 405},
        {&router, "PUT", "/upload/block?offset=0&attachId=x", 405},
        {&router, "DELETE", "/admin/reset", 405},
        {&closed, "GET", "/admin/list", 404},
        {&closed, "GET", "/control/fault?target=block&kind=drop", 404},
        {&router, "GET", "/admin/attachment?id=nope", 404},
        {&router, "GET", "/control/nothing", 404},
        {&router, "GET", "/control/limits?maxFiles=1&maxFileSize=big", 400},
        {&router, "GET", "/control/compose", 400},
        {&router, "GET", "/control/fault?target=query&kind=partial", 400},
    };
    for (const auto& c : cases) {
        PendingRequest request = c.router->begin(c.method, c.target);
        EXPECT_EQ(c.status, c.router->finish(request, "").status) << c.method << " " << c.target;
    }
    EXPECT_EQ(0u, service.limits().maxFilesPerCompose);
    EXPECT_EQ("", call("GET", "/control/faults").body);
    EXPECT_EQ(200u, call("GET", "/control/compose?add=d1").status);
    EXPECT_TRUE(store.knowsCompose("d1"));
    EXPECT_EQ(200u, call("GET", "/control/compose?remove=d1").status);
    EXPECT_FALSE(store.knowsCompose("d1"));
}

TEST_F(RouterTest, BlockIsClaimedFromItsHeadBeforeTheBody) {
    const std::string id = startUpload("abcdef");
    PendingRequest first = router.begin("POST", "/upload/block?offset=0&attachId=" + id);
    EXPECT_FALSE(first.early);
    EXPECT_EQ(Limits{}.maxBlockSize, first.bodyLimit);
    const Response racing = call("POST", "/upload/block?offset=0&attachId=" + id, "abcdef");
    EXPECT_NE(std::string::npos, racing.body.find("FA_ATTACHMENT_BUSY"));
    const Response stored = router.finish(first, "abc");
    EXPECT_EQ("text/xml; charset=utf-8", stored.contentType);
    EXPECT_EQ(3u, readBlock(stored.body, 6, 3).offset);
    const Response rest = call("POST", "/upload/block?offset=3&attachId=" + id, "def");
    EXPECT_TRUE(verified(readBlock(rest.body, 6, 6).next)) << "the claim ended with the answer";
}

TEST_F(RouterTest, OversizeBodiesGetAnAnswerInTheirEndpointsShape) {
    const PendingRequest block = router.begin("POST", "/upload/block?offset=0&attachId=x");
    EXPECT_NE(std::string::npos, Router::bodyTooLarge(block).body.find("FA_REQUEST_TOO_LARGE"));
    const PendingRequest query = router.begin("POST", "/upload/query");
    EXPECT_EQ(Router::kSmallBodyLimit, query.bodyLimit);
    EXPECT_EQ(413u, Router::bodyTooLarge(query).status);
}

TEST_F(RouterTest, DownloadPathsReadPlusAsABlankLikeThePluginWritesIt) {
    std::ofstream(files.path() + "/a b.txt") << "0123456789";
    const Response response = call("GET", "/files/a+b.txt?id=3&pos=4");
    ASSERT_TRUE(response.file);
    EXPECT_EQ(4u, response.file->offset);
    EXPECT_EQ(6u, response.file->length);
    EXPECT_TRUE(call("GET", "/files/a%20b.txt").file);
}

} // namespace
} // namespace nvmaild::test
