#include "plugin/upload/TCRC32.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(TCRC32, ResultIsTheUninvertedRegisterInDecimal) {
    for (TChecksumPath path : {TChecksumPath::Fastest, TChecksumPath::Portable}) {
        TCRC32 crc(path);
        EXPECT_EQ(crc.result(), "4294967295");
        crc.write("123456789", 9);
        crc.flush();
        EXPECT_EQ(crc.result(), "873187033");
        // The complement is the usual CRC-32 check value of "123456789".
        EXPECT_EQ(~crc.getRegister(), 0xcbf43926u);
        crc.reset();
        EXPECT_EQ(crc.result(), "4294967295");
    }
}

TEST(TCRC32, FlushChangesNothingAndLaterWritesContinueTheRegister) {
    TCRC32 crc;
    crc.write("1234", 4);
    const std::string before = crc.result();
    EXPECT_EQ(crc.flush(), 0);
    EXPECT_EQ(crc.result(), before);
    crc.write("56789", 5);
    EXPECT_EQ(crc.result(), "873187033");
}

TEST(TCRC32, ResultSizeIsFourBytes) {
    EXPECT_EQ(TCRC32().getResultSize(), 4);
}

} // namespace
