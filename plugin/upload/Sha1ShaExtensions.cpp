#include "plugin/upload/Sha1Compress.h"

#if defined(__x86_64__) || defined(__i386__)

#include <cpuid.h>
#include <immintrin.h>

#include <utility>

// Compiled for the SHA extensions without raising the baseline of the whole product; only
// reached after the CPU check below.
#define NV_SHA_TARGET __attribute__((target("sha,ssse3,sse4.1"), always_inline)) inline

namespace checksum {

namespace {

// The instruction works on four steps at a time with A (and E) in the highest lane and the
// message words big-endian with the first word highest.
struct ShaLanes {
    __m128i abcd;
    __m128i e;
    __m128i previousAbcd;
    __m128i words[4]; // groups g-4 .. g-1 of the schedule, group g in slot g % 4
};

template <int Group> NV_SHA_TARGET void fourSteps(ShaLanes& lanes) {
    __m128i& words = lanes.words[Group % 4];
    if constexpr (Group >= 4) {
        words = _mm_sha1msg1_epu32(words, lanes.words[(Group + 1) % 4]);
        words = _mm_xor_si128(words, lanes.words[(Group + 2) % 4]);
        words = _mm_sha1msg2_epu32(words, lanes.words[(Group + 3) % 4]);
    }
    const __m128i eAndWords =
        Group == 0 ? _mm_add_epi32(lanes.e, words) : _mm_sha1nexte_epu32(lanes.previousAbcd, words);
    lanes.previousAbcd = lanes.abcd;
    lanes.abcd = _mm_sha1rnds4_epu32(lanes.abcd, eAndWords, Group / 5);
}

template <size_t... Groups>
NV_SHA_TARGET void eightySteps(ShaLanes& lanes, std::index_sequence<Groups...>) {
    (fourSteps<Groups>(lanes), ...);
}

__attribute__((target("sha,ssse3,sse4.1"))) void
compressWithShaExtensions(uint32_t* state, const unsigned char* blocks, size_t count) {
    const __m128i byteReverse = _mm_set_epi64x(0x0001020304050607, 0x08090a0b0c0d0e0f);
    ShaLanes lanes;
    lanes.abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1b);
    lanes.e = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count != 0; --count, blocks += 64) {
        const __m128i savedAbcd = lanes.abcd;
        const __m128i savedE = lanes.e;
        for (int i = 0; i < 4; ++i) {
            const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks) + i);
            lanes.words[i] = _mm_shuffle_epi8(raw, byteReverse);
        }
        eightySteps(lanes, std::make_index_sequence<20>());
        lanes.e = _mm_sha1nexte_epu32(lanes.previousAbcd, savedE);
        lanes.abcd = _mm_add_epi32(lanes.abcd, savedAbcd);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(lanes.abcd, 0x1b));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(lanes.e, 3));
}

bool cpuHasShaExtensions() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    const bool ssse3AndSse41 = (ecx & bit_SSSE3) && (ecx & bit_SSE4_1);
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx))
        return false;
    return ssse3AndSse41 && (ebx & bit_SHA);
}

} // namespace

CompressBlocks sha1CompressWithShaExtensions() {
    static const CompressBlocks available =
        cpuHasShaExtensions() ? compressWithShaExtensions : nullptr;
    return available;
}

} // namespace checksum

#else

namespace checksum {

CompressBlocks sha1CompressWithShaExtensions() {
    return nullptr;
}

} // namespace checksum

#endif
