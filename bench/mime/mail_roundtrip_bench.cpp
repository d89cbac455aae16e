// The mail message object's round trip against the library's own Base64 codec: compose a mail
// with five 20 MiB attachments ("endofAddAttachments"), store it ("getMailMessage"), parse it
// back and save every attachment, compared with Base64-encoding plus decoding the same 100 MiB.
// Prints the best time of each, their ratio (target: at most 3) and the round trip's peak memory
// over what the process held before (target: under 4 times the attachment bytes). The question
// "endofAddAttachments" asks is answered yes by "true", which ignores zenity's arguments.
// Usage: mail_roundtrip_bench [rounds (default 3)]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>

#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/TMime.h"
#include "src/ScriptingCore/utf8_tools.h"
#include "tests/support/TestBrowserHost.h"

namespace {

constexpr size_t kMiB = 1 << 20;
constexpr int kAttachments = 5;
constexpr size_t kAttachmentSize = 20 * kMiB;

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

long peakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One MiB of noise. Attachments are made a MiB at a time, so that making them leaves no memory
// peak that would hide the round trip's.
std::string randomMiB(std::mt19937_64& random) {
    std::string bytes(kMiB, '\0');
    for (size_t i = 0; i < kMiB; i += 8) {
        const unsigned long long value = random();
        std::memcpy(&bytes[i], &value, 8);
    }
    return bytes;
}

// Seconds of each phase of the best round: compose, store, parse, save.
double phases[4];

// One round trip; the paths of the saved attachments, empty when it failed.
std::vector<std::string> roundTrip(const nvtest::TestBrowserHostPtr& host,
                                   const std::vector<std::string>& files, double* phase) {
    auto start = std::chrono::steady_clock::now();
    auto compose = boost::make_shared<TMime>(boost::weak_ptr<FB::PluginCore>(), host);
    compose->setBaseMailInfo("a@example.com", "b@example.com", "", "", "figures", "UTF-8");
    compose->setPlainTestWithEncoding(L"Five files.", "UTF-8");
    for (const std::string& file : files) {
        compose->addAttachment(FB::utf8_to_wstring(file), "UTF-8");
    }
    if (!compose->endofAddAttachments(L"", L"")) {
        std::fprintf(stderr, "endofAddAttachments failed: %s\n",
                     compose->getLastErrorMessage().c_str());
        return {};
    }
    phase[0] = seconds(start);
    start = std::chrono::steady_clock::now();
    std::string message = compose->getMailMessage();
    compose.reset();
    phase[1] = seconds(start);
    start = std::chrono::steady_clock::now();
    auto parse = boost::make_shared<TMime>(boost::weak_ptr<FB::PluginCore>(), host);
    parse->parseMessage(message);
    message = std::string();
    phase[2] = seconds(start);
    start = std::chrono::steady_clock::now();
    std::vector<std::string> saved;
    for (int i = 0; i < parse->getAttachmentCount() - 1; ++i) {
        saved.push_back(FB::wstring_to_utf8(parse->saveAttachment(i + 1)));
    }
    phase[3] = seconds(start);
    // The saved files outlive the object for the comparison.
    for (const std::string& path : saved) {
        std::filesystem::rename(path, path + ".kept");
    }
    return saved;
}

bool sameFiles(const std::vector<std::string>& saved, const std::vector<std::string>& files) {
    bool same = saved.size() == files.size();
    for (size_t i = 0; i < saved.size() && same; ++i) {
        same = std::system(("cmp -s '" + saved[i] + ".kept' '" + files[i] + "'").c_str()) == 0;
        std::filesystem::remove(saved[i] + ".kept");
    }
    return same;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string folder = std::filesystem::temp_directory_path() / "nvmailbench";
    std::filesystem::create_directories(folder);
    setenv("TMPDIR", folder.c_str(), 1);
    // The user's answer is no part of the work: "true" says yes at once, where the tests' fake
    // dialog program would add a Python start-up to every round.
    setenv("NV_DIALOG_PROGRAM", "true", 1);
    std::vector<std::string> files;
    for (int i = 0; i < kAttachments; ++i) {
        files.push_back(folder + "/attachment" + std::to_string(i) + ".bin");
        std::ofstream file(files.back(), std::ios::binary);
        std::mt19937_64 random(i);
        for (size_t written = 0; written < kAttachmentSize; written += kMiB) {
            file << randomMiB(random);
        }
    }
    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();

    const long before = peakKiB();
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        double phase[4];
        const std::vector<std::string> saved = roundTrip(host, files, phase);
        if (seconds(start) < best) {
            best = seconds(start);
            std::copy(phase, phase + 4, phases);
        }
        if (!sameFiles(saved, files)) {
            std::fprintf(stderr, "round trip failed: the saved attachments differ\n");
            return 1;
        }
    }
    const long peak = peakKiB() - before;
    host->shutdown();

    std::string all;
    for (int i = 0; i < kAttachments; ++i) {
        std::mt19937_64 random(i);
        for (size_t written = 0; written < kAttachmentSize; written += kMiB) {
            all += randomMiB(random);
        }
    }
    const int length = static_cast<int>(all.size());
    // Into buffers made once and reused (the codec alone), and into new ones every time (what any
    // caller pays, the round trip included: fresh memory faults its pages in).
    std::string encoded(static_cast<size_t>(CMimeCodeBase64::EncodedLength(length)) * 2, '\0');
    std::string decoded(all.size() + 4, '\0');
    double codec = 1e9;
    double fresh = 1e9;
    for (int round = 0; round < rounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        int written = CMimeCodeBase64::EncodeText(all.data(), length, &encoded[0],
                                                  static_cast<int>(encoded.size()), true);
        CMimeCodeBase64::DecodeText(encoded.data(), written, &decoded[0],
                                    static_cast<int>(decoded.size()));
        codec = std::min(codec, seconds(start));
        start = std::chrono::steady_clock::now();
        std::unique_ptr<char[]> out(new char[encoded.size()]);
        written = CMimeCodeBase64::EncodeText(all.data(), length, out.get(),
                                              static_cast<int>(encoded.size()), true);
        std::unique_ptr<char[]> back(new char[decoded.size()]);
        CMimeCodeBase64::DecodeText(out.get(), written, back.get(),
                                    static_cast<int>(decoded.size()));
        fresh = std::min(fresh, seconds(start));
    }
    std::filesystem::remove_all(folder);
    const double attachmentMiB = kAttachments * kAttachmentSize / double(kMiB);
    std::printf("round trip (compose, store, parse, save %d x %zu MiB): %.3f s\n", kAttachments,
                kAttachmentSize / kMiB, best);
    std::printf("  compose %.3f s, store %.3f s, parse %.3f s, save %.3f s\n", phases[0], phases[1],
                phases[2], phases[3]);
    std::printf("Base64 encode + decode of %.0f MiB:                    %.3f s\n", attachmentMiB,
                codec);
    std::printf("Base64 encode + decode into new buffers:             %.3f s\n", fresh);
    std::printf("round trip / codec time ratio: %.2f, against new buffers %.2f (target <= 3)\n",
                best / codec, best / fresh);
    std::printf("round trip peak memory: %.0f MiB = %.2f x the attachment bytes (target < 4)\n",
                peak / 1024.0, peak / 1024.0 / attachmentMiB);
    return 0;
}
