// Behaviour every checksum shares through TCRCBase, on the portable and the fastest path this CPU
// has: published values, agreement with an independent reference around the block and padding
// boundaries, streaming in odd pieces (so at every alignment), reset, and writes beyond 4 GiB.

#include <sys/mman.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "plugin/upload/DigestText.h"
#include "plugin/upload/TCRC32.h"
#include "plugin/upload/TMD5Checksum.h"
#include "plugin/upload/TNvxChecksum.h"
#include "plugin/upload/TSHA1Checksum.h"
#include "tests/plugin/upload/ChecksumReference.h"

namespace {

using reference::Bytes;

struct Algorithm {
    const char* name;
    std::function<std::unique_ptr<TCRCBase>(TChecksumPath)> make;
    std::function<std::string(const Bytes&)> expected;
};

std::string hex(const Bytes& bytes) {
    return checksum::lowerHex(bytes.data(), bytes.size());
}

const Algorithm kCrc32{
    "CRC32", [](TChecksumPath path) { return std::make_unique<TCRC32>(path); },
    [](const Bytes& message) { return std::to_string(reference::crc32Register(message)); }};

const Algorithm kMd5{"MD5", [](TChecksumPath) { return std::make_unique<TMD5Checksum>(); },
                     [](const Bytes& message) { return hex(reference::md5(message)); }};

const Algorithm kSha1{"SHA1",
                      [](TChecksumPath path) { return std::make_unique<TSHA1Checksum>(path); },
                      [](const Bytes& message) { return hex(reference::sha1(message)); }};

const Algorithm kNvx{"Nvx", [](TChecksumPath path) { return std::make_unique<TNvxChecksum>(path); },
                     [](const Bytes& message) {
                         Bytes both = reference::md5(message);
                         const Bytes sha1 = reference::sha1(message);
                         both.insert(both.end(), sha1.begin(), sha1.end());
                         return checksum::base64(both.data(), both.size());
                     }};

constexpr TChecksumPath kBothPaths[] = {TChecksumPath::Fastest, TChecksumPath::Portable};

std::string oneShot(const Algorithm& algorithm, TChecksumPath path, const unsigned char* data,
                    size_t len) {
    const std::unique_ptr<TCRCBase> checksum = algorithm.make(path);
    EXPECT_EQ(checksum->write(data, len), len);
    EXPECT_EQ(checksum->flush(), 0);
    return checksum->result();
}

std::string oneShot(const Algorithm& algorithm, TChecksumPath path, const Bytes& message) {
    return oneShot(algorithm, path, message.data(), message.size());
}

struct Vector {
    const Algorithm* algorithm;
    std::string message;
    std::string result;
};

// Checked against OpenSSL below through our own hex and Base64 text; these pin that text too.
const Vector kVectors[] = {
    {&kMd5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {&kSha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    // The register, never inverted, in decimal.
    {&kCrc32, "", "4294967295"},
    {&kCrc32, "123456789", "873187033"},
    // Base64 of the MD5 digest followed by the SHA-1 digest; the empty one announces an empty
    // attachment.
    {&kNvx, "", "1B2M2Y8AsgTpgAmY7PhCfto5o+5ea0sNMlW/75VgGJCv2AcJ"},
    {&kNvx, "abc", "kAFQmDzST7DWlj99KOF/cqmZPjZHBoFquj4lcXhQwmyc0Nid"},
};

TEST(PublishedVectors, EveryPathGivesThePublishedResult) {
    for (TChecksumPath path : kBothPaths) {
        for (const Vector& vector : kVectors) {
            const Bytes message(vector.message.begin(), vector.message.end());
            EXPECT_EQ(oneShot(*vector.algorithm, path, message), vector.result)
                << vector.algorithm->name << " \"" << vector.message << '"'
                << (path == TChecksumPath::Portable ? " portable" : "");
        }
    }
}

class EveryChecksum : public testing::TestWithParam<Algorithm> {};

// Covers the padding cases (tail below 56, from 56 to 63, exactly 64) in the first, second and
// third block, and every tail length of the CRC-32 folding.
TEST_P(EveryChecksum, MatchesTheReferenceAtEveryLengthAroundTheBlockBoundaries) {
    const Bytes data = reference::randomBytes(260, 1);
    for (TChecksumPath path : kBothPaths) {
        for (size_t len = 0; len <= data.size(); ++len) {
            const Bytes message(data.begin(), data.begin() + len);
            EXPECT_EQ(oneShot(GetParam(), path, message), GetParam().expected(message))
                << "length " << len << (path == TChecksumPath::Portable ? " portable" : "");
        }
    }
}

// Resets after a finished message and in the middle of one drop everything written before.
TEST_P(EveryChecksum, OddPiecesAfterResetsGiveTheOneShotResult) {
    const Bytes data = reference::randomBytes(6000, 2);
    const size_t pieceSizes[] = {1, 63, 0, 2, 64, 65, 17, 130, 5, 255, 1024, 55, 56, 57, 128};
    for (TChecksumPath path : kBothPaths) {
        const std::unique_ptr<TCRCBase> checksum = GetParam().make(path);
        checksum->write(data.data(), 77);
        checksum->flush();
        checksum->reset();
        checksum->write(data.data(), 77);
        checksum->reset();
        size_t offset = 0;
        for (size_t i = 0; offset < data.size(); ++i) {
            const size_t piece =
                std::min(pieceSizes[i % std::size(pieceSizes)], data.size() - offset);
            EXPECT_EQ(checksum->write(data.data() + offset, piece), piece);
            offset += piece;
        }
        checksum->flush();
        EXPECT_EQ(checksum->result(), GetParam().expected(data));
    }
}

INSTANTIATE_TEST_SUITE_P(Checksums, EveryChecksum, testing::Values(kCrc32, kMd5, kSha1, kNvx),
                         [](const auto& info) { return std::string(info.param.name); });

// A length counted in 32 bits anywhere on the way wraps and checksums only the bytes beyond
// 4 GiB. Anonymous pages mapped for reading are all the one zero page, so the test costs address
// space, not memory; populating them in one go saves a million page faults.
TEST(LongWrite, OneWriteOfMoreThan4GiBCountsEveryByte) {
    if (sizeof(unsigned long) <= 4)
        GTEST_SKIP() << "one write cannot exceed 4 GiB here";
    const size_t len = (size_t{1} << 32) + 3;
    void* zeros = mmap(nullptr, len, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_POPULATE, -1, 0);
    ASSERT_NE(zeros, MAP_FAILED);
    const auto* bytes = static_cast<const unsigned char*>(zeros);

    // Expected values computed independently (Python hashlib and zlib, in 16 MiB pieces).
    EXPECT_EQ(oneShot(kSha1, TChecksumPath::Fastest, bytes, len),
              "c2a34e434ebc0e21d10d44c2c778b2dc631c16db");
    EXPECT_EQ(oneShot(kCrc32, TChecksumPath::Fastest, bytes, len), "3736805603");
    munmap(zeros, len);
}

} // namespace
