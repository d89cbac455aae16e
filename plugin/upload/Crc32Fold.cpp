#include "plugin/upload/Crc32Fold.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

// Compiled for PCLMULQDQ without raising the baseline of the whole product; only reached after
// the CPU check below.
#define NV_CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))

namespace checksum {

namespace {

// Folding constants for the bit-reflected polynomial: x^n mod P(x), reflected and shifted left
// by one, for the distances the folds span (n = 4*128+32 and 4*128-32 for four lanes of 128
// bits, 128+32 and 128-32 for one lane, 64 for the last 64 bits); then P(x) itself and
// floor(x^64 / P(x)), reflected, for the Barrett reduction to 32 bits.
constexpr long long kFourLanesLow = 0x154442bd4;
constexpr long long kFourLanesHigh = 0x1c6e41596;
constexpr long long kOneLaneLow = 0x1751997d0;
constexpr long long kOneLaneHigh = 0x0ccaa009e;
constexpr long long kLast64 = 0x163cd6124;
constexpr long long kPolynomial = 0x1db710641;
constexpr long long kBarrettQuotient = 0x1f7011641;

NV_CLMUL_TARGET inline __m128i fold(__m128i lane, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

NV_CLMUL_TARGET inline __m128i load(const unsigned char* data) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
}

NV_CLMUL_TARGET uint32_t foldWithCarrylessMultiply(uint32_t crc, const unsigned char* data,
                                                   size_t len) {
    // Four independent lanes keep the multiplier busy while each product is still in flight.
    __m128i lane0 = _mm_xor_si128(load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i lane1 = load(data + 16);
    __m128i lane2 = load(data + 32);
    __m128i lane3 = load(data + 48);
    data += 64;
    len -= 64;
    const __m128i fourLanes = _mm_set_epi64x(kFourLanesHigh, kFourLanesLow);
    for (; len >= 64; len -= 64, data += 64) {
        lane0 = fold(lane0, fourLanes, load(data));
        lane1 = fold(lane1, fourLanes, load(data + 16));
        lane2 = fold(lane2, fourLanes, load(data + 32));
        lane3 = fold(lane3, fourLanes, load(data + 48));
    }
    const __m128i oneLane = _mm_set_epi64x(kOneLaneHigh, kOneLaneLow);
    __m128i value = fold(lane0, oneLane, lane1);
    value = fold(value, oneLane, lane2);
    value = fold(value, oneLane, lane3);
    for (; len >= 16; len -= 16, data += 16)
        value = fold(value, oneLane, load(data));

    // 128 bits to 64, then to 32 plus the 32 zero bits a CRC appends, then Barrett reduction.
    value = _mm_xor_si128(_mm_srli_si128(value, 8), _mm_clmulepi64_si128(value, oneLane, 0x10));
    const __m128i low32 = _mm_set_epi32(0, 0, 0, -1);
    value = _mm_xor_si128(
        _mm_srli_si128(value, 4),
        _mm_clmulepi64_si128(_mm_and_si128(value, low32), _mm_set_epi64x(0, kLast64), 0x00));
    const __m128i barrett = _mm_set_epi64x(kBarrettQuotient, kPolynomial);
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(value, low32), barrett, 0x10);
    quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, low32), barrett, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(value, quotient), 1));
}

bool cpuHasCarrylessMultiply() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1);
}

} // namespace

Crc32Fold crc32FoldWithCarrylessMultiply() {
    static const Crc32Fold available =
        cpuHasCarrylessMultiply() ? foldWithCarrylessMultiply : nullptr;
    return available;
}

} // namespace checksum

#else

namespace checksum {

Crc32Fold crc32FoldWithCarrylessMultiply() {
    return nullptr;
}

} // namespace checksum

#endif
