#include "plugin/upload/TMD5Checksum.h"

#include <string>

#include <gtest/gtest.h>

#include "tests/plugin/upload/ChecksumReference.h"

namespace {

struct Vector {
    std::string message;
    std::string digest;
};

// The test suite of RFC 1321, appendix A.5.
const Vector kRfc1321[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(TMD5Checksum, Rfc1321VectorsInOneWriteAndByteByByte) {
    for (const Vector& vector : kRfc1321) {
        TMD5Checksum whole;
        EXPECT_EQ(reference::finishedResult(whole, vector.message), vector.digest)
            << '"' << vector.message << '"';

        TMD5Checksum bytewise;
        for (char c : vector.message)
            bytewise.write(&c, 1);
        bytewise.flush();
        EXPECT_EQ(bytewise.result(), vector.digest) << '"' << vector.message << '"';
    }
}

} // namespace
