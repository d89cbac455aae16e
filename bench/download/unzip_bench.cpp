// Extraction speed of TCompress::unzip against Info-ZIP's "unzip -qo" on one archive of 2,000
// mixed files (200 MiB), each run into a fresh folder. Rounds alternate which extractor goes
// first and every figure is the best round, because the machine is shared and noisy.
// Usage: unzip_bench [work folder (default: TMPDIR or /tmp)] [rounds (default 3)]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>

#include <zip.h>

#include "bench/download/BenchData.h"
#include "plugin/download/TCompress.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace {

constexpr int kFiles = 2000;
constexpr std::size_t kTotal = std::size_t{200} << 20;

// Sizes spread like a mailbox export: many small files, a few large ones, 200 MiB in all.
std::vector<std::size_t> fileSizes() {
    std::mt19937 generator(42);
    std::lognormal_distribution<double> spread(10.0, 1.5);
    std::vector<double> raw(kFiles);
    double sum = 0;
    for (double& size : raw) {
        size = spread(generator);
        sum += size;
    }
    std::vector<std::size_t> sizes;
    std::size_t total = 0;
    for (double size : raw) {
        sizes.push_back(static_cast<std::size_t>(size / sum * kTotal));
        total += sizes.back();
    }
    sizes.back() += kTotal - total;
    return sizes;
}

// Deflate at the usual level 6 for what compresses; noise is stored, as zip tools do.
bool makeArchive(const std::string& path) {
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!zip) {
        return false;
    }
    std::vector<std::size_t> sizes = fileSizes();
    for (int index = 0; index < kFiles; ++index) {
        bench::Content kind = static_cast<bench::Content>(index % 3);
        std::string data = bench::makeContent(kind, sizes[index], static_cast<unsigned>(index));
        char name[64];
        std::snprintf(name, sizeof name, "folder%02d/sub%d/file%04d.%s", index % 40, index % 3,
                      index, kind == bench::Content::Random ? "jpg" : "txt");
        zip_fileinfo info = {};
        bool store = kind == bench::Content::Random;
        if (zipOpenNewFileInZip64(zip, name, &info, nullptr, 0, nullptr, 0, nullptr,
                                  store ? 0 : Z_DEFLATED, store ? 0 : 6, 0) != ZIP_OK ||
            zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) != ZIP_OK ||
            zipCloseFileInZip(zip) != ZIP_OK) {
            zipClose(zip, nullptr);
            return false;
        }
    }
    return zipClose(zip, nullptr) == ZIP_OK;
}

double seconds(const std::chrono::steady_clock::time_point& start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double runOurs(const std::string& archive, const std::string& dest, unsigned long bufferSize) {
    std::filesystem::create_directories(dest);
    auto start = std::chrono::steady_clock::now();
    bool done = TCompress::unzip(FB::utf8_to_wstring(archive), FB::utf8_to_wstring(dest + "/"),
                                 bufferSize, nullptr, nullptr, "utf-8");
    double elapsed = seconds(start);
    return done ? elapsed : -1;
}

double runInfoZip(const std::string& archive, const std::string& dest) {
    std::filesystem::create_directories(dest);
    auto start = std::chrono::steady_clock::now();
    bool done = bench::runProgram({"unzip", "-qo", archive, "-d", dest}, "/dev/null");
    double elapsed = seconds(start);
    return done ? elapsed : -1;
}

} // namespace

int main(int argc, char** argv) {
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = argc > 1 ? argv[1] : (tmpdir && *tmpdir ? tmpdir : "/tmp");
    int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    std::string work = base + "/nv_unzip_bench";
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    std::string archive = work + "/bench.zip";
    if (!makeArchive(archive)) {
        std::fprintf(stderr, "cannot write %s\n", archive.c_str());
        return 1;
    }
    std::printf("archive: %d files, %zu MiB of content, %.1f MiB on disk\n", kFiles, kTotal >> 20,
                static_cast<double>(std::filesystem::file_size(archive)) / (1 << 20));

    const unsigned long buffers[] = {0, 1ul << 20};
    double bestOurs[2] = {1e9, 1e9};
    double bestInfoZip = 1e9;
    for (int round = 0; round < rounds; ++round) {
        std::string prefix = work + "/round" + std::to_string(round);
        double times[3];
        for (int step = 0; step < 3; ++step) {
            // Rotate the order so no extractor always meets a cache warmed by the one before.
            int which = (step + round) % 3;
            sync();
            times[which] = which < 2 ? runOurs(archive, prefix + "-ours" + std::to_string(which),
                                               buffers[which])
                                     : runInfoZip(archive, prefix + "-infozip");
            if (times[which] < 0) {
                std::fprintf(stderr, "extraction %d failed\n", which);
                return 1;
            }
        }
        for (int i = 0; i < 2; ++i) {
            bestOurs[i] = std::min(bestOurs[i], times[i]);
        }
        bestInfoZip = std::min(bestInfoZip, times[2]);
        std::printf("round %d: ours (8 KiB buffer) %.3f s, ours (1 MiB buffer) %.3f s, "
                    "Info-ZIP %.3f s\n",
                    round, times[0], times[1], times[2]);
        std::filesystem::remove_all(prefix + "-ours0");
        std::filesystem::remove_all(prefix + "-ours1");
        std::filesystem::remove_all(prefix + "-infozip");
    }
    std::printf("best: ours (8 KiB buffer) %.3f s, ours (1 MiB buffer) %.3f s, Info-ZIP %.3f s\n",
                bestOurs[0], bestOurs[1], bestInfoZip);
    std::printf("ratio ours/Info-ZIP: %.3f (8 KiB buffer), %.3f (1 MiB buffer); target <= 1.1\n",
                bestOurs[0] / bestInfoZip, bestOurs[1] / bestInfoZip);
    std::filesystem::remove_all(work);
    return 0;
}
