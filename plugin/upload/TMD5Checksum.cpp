#include "plugin/upload/TMD5Checksum.h"

#include "plugin/upload/ByteOrder.h"

namespace {

using checksum::rotateLeft;

// floor(|sin(i + 1)| * 2^32) for step i.
constexpr uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

enum class Round { F, G, H, I };

// An empty asm that claims to change `value`: the compiler must finish the sum so far before it
// adds anything else, so it cannot reassociate the terms of a step into a longer chain.
inline void sealSum(uint32_t& value) {
    __asm__("" : "+r"(value));
}

// One MD5 step. MD5 is one long dependency chain through `b`, so the terms that do not depend
// on `b` (message word, constant, the part of G with c and d only) are summed first and the
// chain sees as few operations as possible; G's two halves never share a set bit, so adding them
// equals or-ing them.
template <Round R>
inline uint32_t step(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t word, uint32_t sine,
                     int shift) {
    a += word + sine;
    if constexpr (R == Round::G)
        a += c & ~d;
    sealSum(a);
    if constexpr (R == Round::F)
        a += d ^ (b & (c ^ d));
    else if constexpr (R == Round::G)
        a += b & d;
    else if constexpr (R == Round::H)
        a += b ^ (c ^ d);
    else
        a += c ^ (b | ~d);
    return rotateLeft(a, shift) + b;
}

// Sixteen steps of one round; `first` and `stride` pick the message word of each step.
template <Round R>
inline void round(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint32_t* words,
                  const uint32_t* sines, const int (&shifts)[4], int first, int stride) {
#pragma GCC unroll 4
    for (int i = 0; i < 16; i += 4) {
        a = step<R>(a, b, c, d, words[(first + stride * i) % 16], sines[i], shifts[0]);
        d = step<R>(d, a, b, c, words[(first + stride * (i + 1)) % 16], sines[i + 1], shifts[1]);
        c = step<R>(c, d, a, b, words[(first + stride * (i + 2)) % 16], sines[i + 2], shifts[2]);
        b = step<R>(b, c, d, a, words[(first + stride * (i + 3)) % 16], sines[i + 3], shifts[3]);
    }
}

void compressMd5(uint32_t* state, const unsigned char* blocks, size_t count) {
    static constexpr int kShiftsF[4] = {7, 12, 17, 22};
    static constexpr int kShiftsG[4] = {5, 9, 14, 20};
    static constexpr int kShiftsH[4] = {4, 11, 16, 23};
    static constexpr int kShiftsI[4] = {6, 10, 15, 21};
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; count != 0; --count, blocks += 64) {
        uint32_t words[16];
        for (int i = 0; i < 16; ++i)
            words[i] = checksum::loadLittle32(blocks + 4 * i);
        const uint32_t oldA = a, oldB = b, oldC = c, oldD = d;
        round<Round::F>(a, b, c, d, words, kSines, kShiftsF, 0, 1);
        round<Round::G>(a, b, c, d, words, kSines + 16, kShiftsG, 1, 5);
        round<Round::H>(a, b, c, d, words, kSines + 32, kShiftsH, 5, 3);
        round<Round::I>(a, b, c, d, words, kSines + 48, kShiftsI, 0, 7);
        a += oldA;
        b += oldB;
        c += oldC;
        d += oldD;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

} // namespace

TMD5Checksum::TMD5Checksum()
    : DigestChecksum({0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, compressMd5) {}
