#include "plugin/upload/TNvxChecksum.h"

#include <gtest/gtest.h>

#include "tests/plugin/upload/ChecksumReference.h"

namespace {

TEST(TNvxChecksum, Base64OfTheMd5DigestFollowedByTheSha1Digest) {
    for (TChecksumPath path : {TChecksumPath::Fastest, TChecksumPath::Portable}) {
        TNvxChecksum nvx(path);
        EXPECT_EQ(reference::finishedResult(nvx, "abc"),
                  "kAFQmDzST7DWlj99KOF/cqmZPjZHBoFquj4lcXhQwmyc0Nid");
        // What an empty attachment is announced with.
        nvx.reset();
        EXPECT_EQ(reference::finishedResult(nvx, ""),
                  "1B2M2Y8AsgTpgAmY7PhCfto5o+5ea0sNMlW/75VgGJCv2AcJ");
    }
}

} // namespace
