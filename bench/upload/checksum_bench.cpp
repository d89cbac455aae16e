// Throughput of the checksums against OpenSSL's MD5 and SHA-1 and zlib's crc32 on one buffer.
// Each figure is the best of several passes, because the machine is shared and noisy.
// Usage: checksum_bench [passes]

#include <openssl/evp.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "plugin/upload/DigestText.h"
#include "plugin/upload/TCRC32.h"
#include "plugin/upload/TMD5Checksum.h"
#include "plugin/upload/TNvxChecksum.h"
#include "plugin/upload/TSHA1Checksum.h"

namespace {

constexpr size_t kBufferSize = size_t{256} << 20;

using Checksum = std::function<std::string(const std::vector<unsigned char>&)>;

struct Contestant {
    Contestant(const char* name, Checksum run) : name(name), run(std::move(run)) {}

    const char* name;
    Checksum run;
    double megabytesPerSecond = 0; // the best pass so far
    std::string result;
};

// Runs every contestant once per round and keeps each one's fastest pass. Interleaving the
// rounds lets all of them meet the same bursts of load from the other users of the machine.
void measure(const std::vector<unsigned char>& buffer, int passes,
             std::vector<Contestant>& contestants) {
    for (int pass = 0; pass < passes; ++pass) {
        for (Contestant& contestant : contestants) {
            const auto start = std::chrono::steady_clock::now();
            std::string result = contestant.run(buffer);
            const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
            const double rate = static_cast<double>(buffer.size()) / seconds.count() / 1e6;
            if (rate > contestant.megabytesPerSecond)
                contestant.megabytesPerSecond = rate;
            contestant.result = std::move(result);
        }
    }
}

// MD5 has no CPU-specific path and so no path argument.
template <class Algorithm> Algorithm make([[maybe_unused]] TChecksumPath path) {
    if constexpr (std::is_constructible_v<Algorithm, TChecksumPath>)
        return Algorithm(path);
    else
        return Algorithm();
}

template <class Algorithm> Checksum ours(TChecksumPath path) {
    return [path](const std::vector<unsigned char>& buffer) {
        Algorithm algorithm = make<Algorithm>(path);
        algorithm.write(buffer.data(), buffer.size());
        algorithm.flush();
        return algorithm.result();
    };
}

Checksum openssl(const EVP_MD* digest) {
    return [digest](const std::vector<unsigned char>& buffer) {
        unsigned char out[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        if (!EVP_Digest(buffer.data(), buffer.size(), out, &size, digest, nullptr))
            return std::string("EVP_Digest failed");
        return checksum::lowerHex(out, size);
    };
}

// zlib returns the finished CRC; the register our text shows is its complement.
std::string zlibCrc32(const std::vector<unsigned char>& buffer) {
    const uLong crc = crc32_z(crc32_z(0, nullptr, 0), buffer.data(), buffer.size());
    return std::to_string(~crc & 0xffffffffu);
}

// Prints ours against theirs and returns 1 when the two disagree on the checksum itself.
int report(const Contestant& ours, const Contestant& theirs) {
    std::printf("%-22s %9.0f MB/s   %-16s %9.0f MB/s   ratio %.2f\n", ours.name,
                ours.megabytesPerSecond, theirs.name, theirs.megabytesPerSecond,
                ours.megabytesPerSecond / theirs.megabytesPerSecond);
    if (ours.result != theirs.result) {
        std::printf("  MISMATCH: %s != %s\n", ours.result.c_str(), theirs.result.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::atoi(argv[1]) : 5;
    if (passes < 1) {
        std::fprintf(stderr, "usage: %s [passes >= 1]\n", argv[0]);
        return 2;
    }
    std::vector<unsigned char> buffer(kBufferSize);
    uint64_t seed = 0x9e3779b97f4a7c15;
    for (unsigned char& byte : buffer) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        byte = static_cast<unsigned char>(seed >> 32);
    }
    std::printf("%zu MiB buffer, best of %d interleaved passes, MB = 10^6 bytes\n",
                kBufferSize >> 20, passes);

    enum { Md5, OpensslMd5, Sha1, Sha1Portable, OpensslSha1, Crc, CrcPortable, Zlib, Nvx };
    std::vector<Contestant> all = {
        {"MD5", ours<TMD5Checksum>(TChecksumPath::Fastest)},
        {"OpenSSL MD5", openssl(EVP_md5())},
        {"SHA-1", ours<TSHA1Checksum>(TChecksumPath::Fastest)},
        {"SHA-1 (portable)", ours<TSHA1Checksum>(TChecksumPath::Portable)},
        {"OpenSSL SHA-1", openssl(EVP_sha1())},
        {"CRC-32", ours<TCRC32>(TChecksumPath::Fastest)},
        {"CRC-32 (zlib path)", ours<TCRC32>(TChecksumPath::Portable)},
        {"zlib crc32", zlibCrc32},
        {"SHA-1 then MD5 (Nvx)", ours<TNvxChecksum>(TChecksumPath::Fastest)},
    };
    measure(buffer, passes, all);

    int mismatches = report(all[Md5], all[OpensslMd5]);
    mismatches += report(all[Sha1], all[OpensslSha1]);
    mismatches += report(all[Sha1Portable], all[OpensslSha1]);
    mismatches += report(all[Crc], all[Zlib]);
    mismatches += report(all[CrcPortable], all[Zlib]);
    // OpenSSL has no combined digest; its two digests one after the other take the sum of times.
    const double bothRate =
        1 / (1 / all[OpensslSha1].megabytesPerSecond + 1 / all[OpensslMd5].megabytesPerSecond);
    std::printf("%-22s %9.0f MB/s   %-16s %9.0f MB/s   ratio %.2f\n", all[Nvx].name,
                all[Nvx].megabytesPerSecond, "OpenSSL both", bothRate,
                all[Nvx].megabytesPerSecond / bothRate);
    return mismatches == 0 ? 0 : 1;
}
