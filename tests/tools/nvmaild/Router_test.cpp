#include "tools/nvmaild/Router.h"

#include <algorithm>
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

    Response postQuery(const std::string& content) {
        return call("POST", "/upload/query", formFor(FileForm{content}));
    }

    TemporaryFolder files{"nvmaild-files-"};
    FaultSwitches faults;
    FileServing serving{"", files.path(), "pos"};
    AdminService admin{store, service, faults};
    Router router{service, &admin, serving, faults};
};

TEST_F(RouterTest, UploadEndpointsTakePostOnly) {
    EXPECT_EQ(405u, call("GET", "/upload/query").status);
    EXPECT_EQ(405u, call("PUT", "/upload/block?offset=0&attachId=x").status);
    EXPECT_EQ(405u, call("DELETE", "/admin/reset").status);
    const Response answer = postQuery("abc");
    EXPECT_EQ(200u, answer.status);
    EXPECT_EQ(0, readQueryAnswer(answer.body, 3).error);
}

TEST_F(RouterTest, BlockIsClaimedFromItsHeadBeforeTheBody) {
    const std::string id = readQueryAnswer(postQuery("abcdef").body, 6).attachId;
    PendingRequest first = router.begin("POST", "/upload/block?offset=0&attachId=" + id);
    EXPECT_FALSE(first.early);
    EXPECT_EQ(Limits{}.maxBlockSize, first.bodyLimit);
    const Response racing = call("POST", "/upload/block?offset=0&attachId=" + id, "abcdef");
    EXPECT_NE(std::string::npos, racing.body.find("FA_ATTACHMENT_BUSY"));
    const Response stored = router.finish(first, "abc");
    EXPECT_EQ("text/xml; charset=utf-8", stored.contentType);
    EXPECT_EQ(3u, readBlockAnswer(stored.body, 6, 3).next);
    EXPECT_TRUE(
        readBlockAnswer(call("POST", "/upload/block?offset=3&attachId=" + id, "def").body, 6, 6)
            .verified)
        << "the claim ended with the first answer";
}

TEST_F(RouterTest, InspectionAndControlAreUnknownUnlessAskedFor) {
    Router closed{service, nullptr, serving, faults};
    for (const char* target :
         {"/admin/reset", "/admin/list", "/control/fault?target=block&kind=drop"}) {
        PendingRequest request = closed.begin("GET", target);
        EXPECT_EQ(404u, closed.finish(request, "").status) << target;
    }
    EXPECT_EQ("", call("GET", "/control/faults").body) << "nothing was armed";
}

TEST_F(RouterTest, FaultsFireOnTheirEndpointOnly) {
    std::string error;
    ASSERT_TRUE(faults.arm(QueryParams::parse("target=block&kind=garbage"), error));
    ASSERT_TRUE(faults.arm(QueryParams::parse("target=block&kind=partial"), error));
    const std::string content = "0123456789";
    const std::string id = readQueryAnswer(postQuery(content).body, 10).attachId;
    ASSERT_FALSE(id.empty()) << "the query is not a block";
    const Response garbage = call("POST", "/upload/block?offset=0&attachId=" + id, content);
    EXPECT_EQ(9, readBlockAnswer(garbage.body, 10, 10).error);
    EXPECT_EQ(5u, held(id)) << "the partial switch stored half under the garbage answer";
    EXPECT_TRUE(
        readBlockAnswer(call("POST", "/upload/block?offset=5&attachId=" + id, "56789").body, 10, 10)
            .verified);
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

TEST_F(RouterTest, InspectionShowsWhatIsOnDisk) {
    const std::string id = readQueryAnswer(postQuery("123456789").body, 9).attachId;
    call("POST", "/upload/block?offset=0&attachId=" + id, "123456789");
    const Response described = call("GET", "/admin/attachment?id=" + id);
    EXPECT_EQ("id=" + id +
                  "&fileName=report.pdf&display=&composeId=&size=9&held=9&verified=1"
                  "&sha1=f7c3bc1d808e04732adf679965ccc34ca7ae3441\n",
              described.body);
    EXPECT_EQ(404u, call("GET", "/admin/attachment?id=nope").status);
    const std::string list = call("GET", "/admin/list").body;
    EXPECT_EQ(1, std::count(list.begin(), list.end(), '\n'));
    EXPECT_EQ("OK\n", call("POST", "/admin/reset").body);
    EXPECT_EQ("", call("GET", "/admin/list").body);
}

TEST_F(RouterTest, ControlChangesLimitsComposesAndFaultsAtRunTime) {
    EXPECT_EQ(400u, call("GET", "/control/limits?maxFiles=1&maxFileSize=big").status);
    EXPECT_EQ(0u, service.limits().maxFilesPerCompose) << "a bad call changes nothing";
    const Response limits = call("GET", "/control/limits?maxFiles=1&requireCompose=1");
    EXPECT_NE(std::string::npos, limits.body.find("maxFiles=1\nrequireCompose=1\n"));

    EXPECT_EQ(400u, call("GET", "/control/compose").status);
    EXPECT_EQ(200u, call("GET", "/control/compose?add=d1").status);
    EXPECT_TRUE(store.knowsCompose("d1"));
    EXPECT_EQ(200u, call("GET", "/control/compose?remove=d1").status);
    EXPECT_FALSE(store.knowsCompose("d1"));

    EXPECT_EQ(400u, call("GET", "/control/fault?target=query&kind=partial").status);
    EXPECT_EQ(200u, call("GET", "/control/fault?target=query&kind=drop&count=3").status);
    EXPECT_EQ("target=query&kind=drop&count=3\n", call("GET", "/control/faults").body);
    call("GET", "/control/clear");
    EXPECT_EQ("", call("GET", "/control/faults").body);
    EXPECT_EQ(404u, call("GET", "/control/nothing").status);
}

} // namespace
} // namespace nvmaild::test
