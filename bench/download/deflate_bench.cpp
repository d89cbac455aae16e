// Deflate speed of TCompress::compress on 1 MiB blocks at levels 1, 6 and 9, next to zlib's own
// compress2 on the same blocks (what the wrapper costs) and gzip at the same levels on the same
// bytes (32 blocks of text-like content in one file; its time includes starting the program and
// writing the output). Figures are the best of several passes: the machine is shared and noisy.
// Usage: deflate_bench [passes (default 5)]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "bench/download/BenchData.h"
#include "plugin/download/TCompress.h"

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 20;
constexpr int kBlocks = 32;

double seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    int passes = argc > 1 ? std::atoi(argv[1]) : 5;
    std::vector<std::string> blocks;
    for (int i = 0; i < kBlocks; ++i) {
        blocks.push_back(bench::makeContent(bench::Content::Text, kBlock, 100 + i));
    }
    const char* tmpdir = std::getenv("TMPDIR");
    std::string input = std::string(tmpdir && *tmpdir ? tmpdir : "/tmp") + "/nv_deflate_bench.txt";
    {
        std::ofstream file(input, std::ios::binary | std::ios::trunc);
        for (const std::string& block : blocks) {
            file << block;
        }
    }
    const double megabytes = static_cast<double>(kBlock) * kBlocks / 1e6;
    std::printf("%d blocks of 1 MiB text-like content; MB/s of input, best of %d passes\n", kBlocks,
                passes);
    std::printf("level  TCompress::compress  ratio   compress2    gzip         ratio\n");
    for (int level : {1, 6, 9}) {
        double ours = 1e9;
        double library = 1e9;
        double gzip = 1e9;
        std::size_t compressedOurs = 0;
        for (int pass = 0; pass < passes; ++pass) {
            compressedOurs = 0;
            // compress replaces its input, so it works on copies made before the clock starts.
            std::vector<std::string> copies = blocks;
            auto start = std::chrono::steady_clock::now();
            for (std::string& data : copies) {
                if (!TCompress::compress(level, data)) {
                    std::fprintf(stderr, "block did not compress\n");
                    return 1;
                }
                compressedOurs += data.size();
            }
            ours = std::min(ours, seconds(start));
            start = std::chrono::steady_clock::now();
            for (const std::string& block : blocks) {
                std::string out(compressBound(block.size()), '\0');
                uLongf size = out.size();
                compress2(reinterpret_cast<Bytef*>(&out[0]), &size,
                          reinterpret_cast<const Bytef*>(block.data()), block.size(), level);
            }
            library = std::min(library, seconds(start));
            start = std::chrono::steady_clock::now();
            if (!bench::runProgram({"gzip", "-" + std::to_string(level), "-c", input},
                                   input + ".gz")) {
                std::fprintf(stderr, "gzip failed\n");
                return 1;
            }
            gzip = std::min(gzip, seconds(start));
        }
        double compressedGzip = static_cast<double>(std::filesystem::file_size(input + ".gz"));
        std::printf("%5d  %10.1f MB/s      %5.3f   %6.1f MB/s  %6.1f MB/s  %5.3f\n", level,
                    megabytes / ours, static_cast<double>(compressedOurs) / (megabytes * 1e6),
                    megabytes / library, megabytes / gzip, compressedGzip / (megabytes * 1e6));
    }
    std::filesystem::remove(input);
    std::filesystem::remove(input + ".gz");
    return 0;
}
