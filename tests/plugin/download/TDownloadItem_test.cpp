#include "plugin/download/TDownloadItem.h"

#include <algorithm>
#include <unistd.h>

#include "tests/plugin/download/DownloadFixture.h"
#include "tests/plugin/download/ZipWriter.h"

namespace {

class TDownloadItemTest : public DownloadFixture {
protected:
    // Starts item n and runs it to its end.
    boost::shared_ptr<TDownloadItem> run(unsigned long number) {
        EXPECT_NE(number, 0u);
        auto download = item(number);
        download->Invoke("start", {});
        runUntilDone(download);
        return download;
    }
    std::vector<std::string> urls() const {
        std::vector<std::string> found;
        for (const auto& request : host->server().requests()) {
            found.push_back(request.url);
        }
        return found;
    }
    bool percentsRiseToAtMost100() const {
        std::vector<int> percents;
        for (const Note& note : notes) {
            percents.push_back(std::get<1>(note));
        }
        return std::is_sorted(percents.begin(), percents.end()) && percents.back() <= 100;
    }

    const std::string body = std::string(4500, 'a') + std::string(4500, 'b');
};

} // namespace

TEST_F(TDownloadItemTest, AFileArrivesUnderItsNameWithRisingProgress) {
    files["/f/data.bin"] = body;
    auto download = run(add({{"url", "http://mail/f/data.bin"}, {"name", L"data.bin"}}));
    EXPECT_EQ(read(temporaryFolder() + "data.bin"), body);
    EXPECT_EQ(read(temporaryFolder() + "data.bin.nvtmp"), "<missing>");
    EXPECT_EQ(notes.front(), Note(3, 11, 1));
    EXPECT_EQ(notes.back(), Note(4, 100, 1));
    EXPECT_TRUE(percentsRiseToAtMost100());
    EXPECT_EQ(download->getDownloadSizeStr(), "9000");
}

TEST_F(TDownloadItemTest, AStoppedDownloadResumesIntoAnIdenticalFile) {
    files["/f/data.bin"] = body;
    unsigned long first =
        add({{"url", "http://mail/f/data.bin?id=3"}, {"name", L"d"}, {"resume", "pos"}});
    item(first)->Invoke("start", {});
    host->pumpUntil([&] { return item(first)->getDownloadSize() >= 3000; });
    item(first)->Invoke("stop", {});
    host->pump();
    EXPECT_EQ(item(first)->getLastErrorStr(), "User beak");
    std::string held = read(temporaryFolder() + "d.nvtmp");
    EXPECT_EQ(held, body.substr(0, 3000)) << "the bytes so far stay for the resume";

    notes.clear();
    auto second =
        run(add({{"url", "http://mail/f/data.bin?id=3"}, {"name", L"d"}, {"resume", "pos"}}));
    EXPECT_EQ(urls(), (std::vector<std::string>{"http://mail/f/data.bin?id=3&pos=0",
                                                "http://mail/f/data.bin?id=3&pos=3000"}));
    EXPECT_EQ(read(temporaryFolder() + "d"), body);
    EXPECT_EQ(notes.front(), Note(3, 44, 2)) << "counted from the whole file, not the rest";
    EXPECT_TRUE(percentsRiseToAtMost100());

    notes.clear();
    std::filesystem::rename(temporaryFolder() + "d", temporaryFolder() + "d.nvtmp");
    run(add(
        {{"url", "http://mail/f/data.bin"}, {"name", L"d"}, {"resume", "pos"}, {"size", 9000}}));
    EXPECT_EQ(urls().size(), 2u) << "a complete temporary file needs no request";
    EXPECT_EQ(notes, (std::vector<Note>{{4, 100, 3}}));
}

TEST_F(TDownloadItemTest, TransfersThatEndShortFailAndKeepTheirBytes) {
    struct Case {
        const char* what;
        bool fail;
        std::optional<size_t> announced;
    };
    for (const Case& c : {Case{"browser reports a failure", true, std::nullopt},
                          Case{"body shorter than announced", false, 9000}}) {
        SCOPED_TRACE(c.what);
        nvtest::ScriptedResponse cut;
        cut.body = body.substr(0, 4000);
        cut.fail = c.fail;
        cut.length = c.announced;
        host->server().answerNext(cut);
        notes.clear();
        unsigned long number = add({{"url", "http://mail/f/x"}, {"name", L"cut"}});
        auto download = run(number);
        EXPECT_EQ(download->getLastErrorNum(), 5);
        EXPECT_EQ(download->getLastErrorStr(), "query net error");
        EXPECT_EQ(notes.back(), Note(6, 2, number));
        EXPECT_EQ(read(temporaryFolder() + "cut.nvtmp"), body.substr(0, 4000));
        EXPECT_EQ(read(temporaryFolder() + "cut"), "<missing>");
    }
}

TEST_F(TDownloadItemTest, AFullDiskEndsTheTransferWithTheSystemsText) {
    // Several writes long, so that the first failed one comes while the rest is still arriving.
    files["/f/data.bin"] = std::string(4 << 20, 'x');
    unsigned long number = add({{"url", "http://mail/f/data.bin"}, {"name", L"full"}});
    ASSERT_EQ(symlink("/dev/full", (temporaryFolder() + "full.nvtmp").c_str()), 0);
    auto download = run(number);
    EXPECT_EQ(download->getLastErrorNum(), 9);
    EXPECT_EQ(download->getLastErrorStr(), "(28)No space left on device");
    EXPECT_EQ(notes.back(), Note(6, 2, 1));
    ASSERT_GE(notes.size(), 2u);
    EXPECT_LT(std::get<1>(notes[notes.size() - 2]), 50) << "the transfer stops at the failed write";
    EXPECT_TRUE(std::filesystem::is_symlink(temporaryFolder() + "full.nvtmp"));
    EXPECT_EQ(read(temporaryFolder() + "full"), "<missing>");
}

TEST_F(TDownloadItemTest, APostDownloadSendsItsBody) {
    files["/f/export"] = body;
    run(add({{"url", "http://mail/f/export"}, {"name", L"e"}, {"post", "ids=1,2"}}));
    ASSERT_EQ(host->server().requests().size(), 1u);
    EXPECT_EQ(host->server().requests()[0].method, "POST");
    EXPECT_EQ(host->server().requests()[0].postData, "ids=1,2");
    EXPECT_EQ(read(temporaryFolder() + "e"), body);
}

TEST_F(TDownloadItemTest, ArchivesAreExtractedByTheirCharset) {
    const std::string gbName = "\xd6\xd0\xce\xc4.txt"; // 中文.txt in GB 18030
    ZipEntry utf8Entry("docs/\xe4\xb8\xad.txt", "two");
    utf8Entry.utf8Name = true;
    files["/f/a.zip"] = ZipWriter().addFile(gbName, "one").add(utf8Entry).addFile("c", "3").bytes();
    struct Case {
        bool unzip;
        const char* charset;
    };
    for (const Case& c : {Case{true, ""}, Case{true, "utf-8"}, Case{false, "gb18030"}}) {
        SCOPED_TRACE(c.charset);
        std::filesystem::remove_all(dir + "/out");
        std::filesystem::create_directory(dir + "/out");
        notes.clear();
        env.set("NV_FAKE_DIALOG_ANSWER", R"({"paths": [")" + dir + R"(/out"]})");
        auto folderId = manager()->Invoke("createFolder", {L"t"}).convert_cast<unsigned long>();
        unsigned long number = add({{"url", "http://mail/f/a.zip"},
                                    {"name", L"a.zip"},
                                    {"folder", folderId},
                                    {"unzip", c.unzip},
                                    {"charset", c.charset}});
        run(number);
        for (const char* name : {"中文.txt", "docs/中.txt", "c"}) {
            EXPECT_EQ(std::filesystem::exists(dir + "/out/" + name), c.unzip) << name;
        }
        EXPECT_EQ(std::filesystem::exists(dir + "/out/a.zip"), !c.unzip) << "the archive itself";
        if (c.unzip) {
            EXPECT_EQ(std::vector<Note>(notes.end() - 4, notes.end()),
                      (std::vector<Note>{
                          {1, 0, number}, {1, 33, number}, {1, 66, number}, {4, 100, number}}));
        }
    }
}

TEST_F(TDownloadItemTest, ExtractionOutlivesTheManagerThatHeldTheItem) {
    ZipWriter zip;
    for (int entry = 0; entry < 300; ++entry) {
        zip.addFile("f" + std::to_string(entry), std::string(4096, 'x'), true);
    }
    files["/f/many.zip"] = zip.bytes();
    auto download =
        item(add({{"url", "http://mail/f/many.zip"}, {"name", L"many.zip"}, {"unzip", true}}));
    download->Invoke("start", {});
    ASSERT_TRUE(host->pumpUntil([&] { return download->getState() == 1; }));
    std::string folderPath = temporaryFolder();
    boost::weak_ptr<TDownloadItem> extracting = download;
    download.reset();
    root.reset(); // the manager with it
    plugin.reset();
    ASSERT_TRUE(host->pumpUntil([&] { return extracting.expired(); }));
    EXPECT_EQ(read(folderPath + "f299"), std::string(4096, 'x')) << "extracted to the end";
}
