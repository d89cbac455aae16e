// The checksum phase of an upload item (CRC-32 and the MD5/SHA-1 digest of a net-folder upload)
// on a large file whose pages are cached, against coreutils' md5sum and sha1sum on the same file.
// The item runs in the test browser host: the phase is timed from "start" to the moment its query
// reaches the server. Rounds interleave the contestants so that all of them meet the same load
// from the other users of the machine; every figure is the best round.
// Usage: upload_phase_bench [rounds (default 3)] [file (default: 1 GiB of noise made in TMPDIR)]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include <boost/make_shared.hpp>

#include "bench/download/BenchData.h"
#include "plugin/upload/DigestText.h"
#include "plugin/upload/TMyFile.h"
#include "plugin/upload/TUploadItem.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/URI.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TestBrowserHost.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned long long kDefaultSize = 1ULL << 30;
constexpr std::size_t kWriteChunk = std::size_t{16} << 20;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// User and system CPU seconds of this process or of its waited-for children. Beside the wall
// time it shows whether the phase had a second core: its two threads need more CPU than wall time.
double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& time) { return time.tv_sec + time.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool makeFile(const std::string& path, unsigned long long size) {
    std::ofstream out(path, std::ios::binary);
    for (unsigned long long written = 0; written < size && out; written += kWriteChunk) {
        std::size_t length =
            static_cast<std::size_t>(std::min<unsigned long long>(kWriteChunk, size - written));
        out << bench::makeContent(bench::Content::Random, length,
                                  static_cast<unsigned>(written / kWriteChunk));
    }
    return static_cast<bool>(out.flush());
}

// Reads the file once so that every contestant finds it in the page cache.
unsigned long long warmUp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(kWriteChunk);
    unsigned long long total = 0;
    while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
        total += static_cast<unsigned long long>(in.gcount());
    }
    return total;
}

std::vector<unsigned char> bytesOfHex(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
        bytes.push_back(static_cast<unsigned char>(std::stoul(hex.substr(at, 2), nullptr, 16)));
    }
    return bytes;
}

// One run of a coreutils digest program: its seconds, and the digest it printed (empty on failure).
struct ToolRun {
    double seconds = 0;
    double cpu = 0;
    std::string hex;
};

ToolRun runTool(const std::string& program, const std::string& path, const std::string& output) {
    ToolRun run;
    const double cpuBefore = cpuSeconds(RUSAGE_CHILDREN);
    Clock::time_point start = Clock::now();
    bool done = bench::runProgram({program, path}, output);
    run.seconds = secondsSince(start);
    run.cpu = cpuSeconds(RUSAGE_CHILDREN) - cpuBefore;
    if (done) {
        std::ifstream(output) >> run.hex;
    }
    return run;
}

std::string formField(const std::string& body, const std::string& key) {
    std::istringstream fields(body);
    std::string field;
    while (std::getline(fields, field, '&')) {
        if (field.compare(0, key.size() + 1, key + "=") == 0) {
            return FB::URI::url_decode(field.substr(key.size() + 1));
        }
    }
    return std::string();
}

// One checksum phase of a fresh item: its seconds, and the query body it sent (empty on failure).
struct PhaseRun {
    double seconds = 0;
    double cpu = 0;
    std::string query;
};

PhaseRun runPhase(const std::string& path, bool netfolder) {
    PhaseRun run;
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
    Clock::time_point queried;
    double queriedCpu = 0;
    host->server().setHandler([&](const nvtest::RecordedRequest& request) {
        queried = Clock::now();
        queriedCpu = cpuSeconds(RUSAGE_SELF);
        run.query = request.postData;
        // The server holds the file already: the item ends without sending any block.
        nvtest::ScriptedResponse response;
        response.body = "S_OK\nattid=1\ncrcOK=1\n";
        return response;
    });
    auto item = boost::make_shared<TUploadItem>(boost::weak_ptr<FB::PluginCore>(), host, 0,
                                                FB::utf8_to_wstring(path));
    TUploadItem::Settings settings;
    settings.queryUrl = "http://mail/upload/query";
    settings.uploadUrl = "http://mail/upload/block";
    settings.netfolder = netfolder;
    item->applySettings(settings);

    const double startCpu = cpuSeconds(RUSAGE_SELF);
    Clock::time_point start = Clock::now();
    item->start();
    bool ended = host->pumpUntil([&] { return item->getState() == TUploadItem::STATE_VERIFIED; },
                                 std::chrono::minutes(10));
    run.seconds = std::chrono::duration<double>(queried - start).count();
    run.cpu = queriedCpu - startCpu;
    if (!ended) {
        std::fprintf(stderr, "the item did not finish: state %d, error %d %s\n", item->getState(),
                     item->getLastErrorNum(), item->getLastErrorStr().c_str());
        run.query.clear();
    }
    host->shutdown();
    return run;
}

// A fresh folder for the tool output and the generated file, removed with what it holds.
struct WorkFolder {
    WorkFolder() : path(FB::wstring_to_utf8(TMyFile::mktemp(L"nvphasebench", true))) {}
    ~WorkFolder() {
        for (const std::string& file : files) {
            std::remove(file.c_str());
        }
        ::rmdir(path.c_str());
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    std::string file(const std::string& name) {
        files.push_back(path + name);
        return files.back();
    }

    std::string path;
    std::vector<std::string> files;
};

double megabytesPerSecond(unsigned long long bytes, double seconds) {
    return static_cast<double>(bytes) / seconds / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    if (rounds < 1 || argc > 3) {
        std::fprintf(stderr, "usage: %s [rounds >= 1] [file]\n", argv[0]);
        return 2;
    }
    FB::PluginCore::Browser = "NPAPI";
    WorkFolder work;
    if (work.path.empty()) {
        std::fprintf(stderr, "cannot make a work folder\n");
        return 1;
    }
    std::string path;
    if (argc > 2) {
        path = argv[2];
    } else {
        path = work.file("noise.bin");
        std::printf("writing %llu MiB of noise to %s\n", kDefaultSize >> 20, path.c_str());
        if (!makeFile(path, kDefaultSize)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const unsigned long long size = warmUp(path);
    const std::string output = work.file("tool.out");

    enum { Phase, PhaseCrcOnly, Md5sum, Sha1sum, BothSums, Measures };
    double best[Measures] = {1e30, 1e30, 1e30, 1e30, 1e30};
    ToolRun md5;
    ToolRun sha1;
    PhaseRun phase;
    for (int round = 0; round < rounds; ++round) {
        phase = runPhase(path, true);
        md5 = runTool("md5sum", path, output);
        sha1 = runTool("sha1sum", path, output);
        PhaseRun crcOnly = runPhase(path, false);
        if (phase.query.empty() || crcOnly.query.empty() || md5.hex.empty() || sha1.hex.empty()) {
            std::fprintf(stderr, "round %d failed\n", round + 1);
            return 1;
        }
        const double times[Measures] = {phase.seconds, crcOnly.seconds, md5.seconds, sha1.seconds,
                                        md5.seconds + sha1.seconds};
        for (int i = 0; i < Measures; ++i) {
            best[i] = std::min(best[i], times[i]);
        }
        std::printf("round %d, wall/CPU s: phase %.3f/%.3f, CRC-32 only %.3f/%.3f, "
                    "md5sum %.3f/%.3f, sha1sum %.3f/%.3f\n",
                    round + 1, phase.seconds, phase.cpu, crcOnly.seconds, crcOnly.cpu, md5.seconds,
                    md5.cpu, sha1.seconds, sha1.cpu);
        std::fflush(stdout);
    }

    std::vector<unsigned char> digests = bytesOfHex(md5.hex);
    std::vector<unsigned char> sha1Bytes = bytesOfHex(sha1.hex);
    digests.insert(digests.end(), sha1Bytes.begin(), sha1Bytes.end());
    const std::string expected = checksum::base64(digests.data(), digests.size());
    const std::string sent = formField(phase.query, "crc2");

    const double phaseRate = megabytesPerSecond(size, best[Phase]);
    const double md5Rate = megabytesPerSecond(size, best[Md5sum]);
    std::printf("%llu bytes, page cache warm, best of %d rounds, MB = 10^6 bytes\n", size, rounds);
    std::printf("%-36s %8.0f MB/s  %7.3f s\n", "checksum phase (CRC-32, MD5, SHA-1)", phaseRate,
                best[Phase]);
    std::printf("%-36s %8.0f MB/s  %7.3f s\n", "checksum phase, CRC-32 only",
                megabytesPerSecond(size, best[PhaseCrcOnly]), best[PhaseCrcOnly]);
    std::printf("%-36s %8.0f MB/s  %7.3f s\n", "md5sum", md5Rate, best[Md5sum]);
    std::printf("%-36s %8.0f MB/s  %7.3f s\n", "sha1sum", megabytesPerSecond(size, best[Sha1sum]),
                best[Sha1sum]);
    std::printf("%-36s %8.0f MB/s  %7.3f s\n", "md5sum then sha1sum",
                megabytesPerSecond(size, best[BothSums]), best[BothSums]);
    std::printf("phase / md5sum speed ratio %.2f (target 0.85)\n", phaseRate / md5Rate);
    if (sent.empty() || sent != expected) {
        std::printf("MISMATCH: the item sent crc2 \"%s\", md5sum and sha1sum give \"%s\"\n",
                    sent.c_str(), expected.c_str());
        return 1;
    }
    return 0;
}
