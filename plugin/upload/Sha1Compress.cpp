#include "plugin/upload/Sha1Compress.h"

#include "plugin/upload/ByteOrder.h"

namespace checksum {

namespace {

// Twenty steps with one function and constant. The sixteen-word window is rebuilt in place;
// the unrolled loop lets the compiler rename a..e instead of moving them.
template <int Round>
inline void twentySteps(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, uint32_t& e,
                        uint32_t (&window)[16]) {
    static constexpr uint32_t kConstants[4] = {0x5a827999, 0x6ed9eba1, 0x8f1bbcdc, 0xca62c1d6};
#pragma GCC unroll 20
    for (int i = Round * 20; i < Round * 20 + 20; ++i) {
        uint32_t word = window[i % 16];
        if (i >= 16) {
            word = rotateLeft(
                window[(i + 13) % 16] ^ window[(i + 8) % 16] ^ window[(i + 2) % 16] ^ word, 1);
            window[i % 16] = word;
        }
        uint32_t mix;
        if constexpr (Round == 0)
            mix = d ^ (b & (c ^ d));
        else if constexpr (Round == 2)
            mix = (b & c) | (d & (b | c));
        else
            mix = b ^ c ^ d;
        const uint32_t next = rotateLeft(a, 5) + mix + e + kConstants[Round] + word;
        e = d;
        d = c;
        c = rotateLeft(b, 30);
        b = a;
        a = next;
    }
}

} // namespace

void sha1CompressPortable(uint32_t* state, const unsigned char* blocks, size_t count) {
    for (; count != 0; --count, blocks += 64) {
        uint32_t window[16];
        for (int i = 0; i < 16; ++i)
            window[i] = loadBig32(blocks + 4 * i);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        twentySteps<0>(a, b, c, d, e, window);
        twentySteps<1>(a, b, c, d, e, window);
        twentySteps<2>(a, b, c, d, e, window);
        twentySteps<3>(a, b, c, d, e, window);
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

} // namespace checksum
