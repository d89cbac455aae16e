#include "plugin/upload/FileBlocks.h"

#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TempFolder.h"

TEST(FileBlocks, HandsOnTheBlocksOfAFileUntilTotalOrUntilTold) {
    struct Case {
        const char* what;
        unsigned long long total;
        unsigned long blockSize;
        int buffers;
        int stopAtCall; // the call of `stop` that first answers yes; 0 for never
        FileBlocks::End end;
        std::string blocks; // "|" after each block handed on
        std::vector<unsigned long long> done;
        std::string bufferUse; // which buffer held each block
    };
    using End = FileBlocks::End;
    const Case cases[] = {
        {"one buffer", 10, 4, 1, 0, End::Complete, "0123|4567|89|", {4, 8, 10}, "AAA"},
        {"two buffers alternate", 10, 4, 2, 0, End::Complete, "0123|4567|89|", {4, 8, 10}, "ABA"},
        {"no more than total", 7, 4, 1, 0, End::Complete, "0123|456|", {4, 7}, "AA"},
        {"a block larger than total", 3, 100, 1, 0, End::Complete, "012|", {3}, "A"},
        {"nothing to read", 0, 4, 2, 0, End::Complete, "", {}, ""},
        {"file too short", 12, 4, 1, 0, End::ReadFailed, "0123|4567|89|", {4, 8, 10}, "AAA"},
        {"stopped before the second read", 10, 4, 1, 3, End::Stopped, "0123|", {4}, "A"},
        {"stopped during the first read", 10, 4, 1, 2, End::Interrupted, "", {}, ""},
        {"stopped during the last read", 10, 4, 2, 6, End::Interrupted, "0123|4567|", {4, 8}, "AB"},
    };
    TempFolder folder{"fileblocks"};
    std::ofstream(folder.path + "/f", std::ios::binary) << "0123456789";
    for (const Case& c : cases) {
        TMyFile file(FB::utf8_to_wstring(folder.path + "/f"));
        ASSERT_TRUE(file.offset(0));
        FileBlocks reader(c.total, c.blockSize, c.buffers);
        int calls = 0;
        std::string blocks;
        std::vector<unsigned long long> done;
        std::vector<const char*> held;
        FileBlocks::End end = reader.feed(
            file, [&] { return ++calls == c.stopAtCall; },
            [&](const char* data, unsigned long count, unsigned long long sofar) {
                blocks += std::string(data, count) + "|";
                done.push_back(sofar);
                held.push_back(data);
            });
        std::string bufferUse;
        for (const char* data : held) {
            bufferUse += data == held[0] ? 'A' : 'B';
        }
        EXPECT_EQ(end, c.end) << c.what;
        EXPECT_EQ(blocks, c.blocks) << c.what;
        EXPECT_EQ(done, c.done) << c.what;
        EXPECT_EQ(bufferUse, c.bufferUse) << c.what;
    }
}
