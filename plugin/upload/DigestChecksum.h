// What MD5 and SHA-1 share as streaming checksums: cutting the input into 64-byte blocks, the
// 0x80/zeros/bit-length padding, one finalization per message, wiping the context after it, and
// the digest as lower-case hex text. The two algorithms differ only in their block function,
// initial state and word order.
// Thread contract: one thread at a time (the caller locks).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "plugin/upload/ByteOrder.h"
#include "plugin/upload/DigestText.h"
#include "plugin/upload/TCRCBase.h"

namespace checksum {

// Byte order of the length trailer and of the digest words.
enum class WordOrder { LittleEndian, BigEndian };

// Advances `state` over `count` consecutive 64-byte blocks.
using CompressBlocks = void (*)(uint32_t* state, const unsigned char* blocks, size_t count);

template <size_t StateWords, WordOrder Order> class DigestChecksum : public TCRCBase {
public:
    using State = std::array<uint32_t, StateWords>;
    using Digest = std::array<unsigned char, StateWords * 4>;

    static constexpr size_t kBlockSize = 64;

    // Whole blocks go to the block function straight from `data`; only a tail is copied. The
    // length stays a size_t all the way down, so one call may exceed 4 GiB. Bytes written after
    // flush() and before reset() are ignored: the digest stays as it was.
    unsigned long write(const void* data, unsigned long len) override {
        if (m_finished || len == 0)
            return len;
        auto bytes = static_cast<const unsigned char*>(data);
        size_t rest = len;
        const size_t used = m_byteCount % kBlockSize;
        m_byteCount += rest;
        if (used != 0) {
            const size_t take = rest < kBlockSize - used ? rest : kBlockSize - used;
            std::memcpy(m_block + used, bytes, take);
            if (used + take < kBlockSize)
                return len;
            compress(m_block, 1);
            bytes += take;
            rest -= take;
        }
        const size_t wholeBlocks = rest / kBlockSize;
        if (wholeBlocks != 0)
            compress(bytes, wholeBlocks);
        std::memcpy(m_block, bytes + wholeBlocks * kBlockSize, rest % kBlockSize);
        return len;
    }

    // Pads, stores the digest and wipes the context. Only the first call after construction or
    // reset() does anything: finishing the wiped context again would replace a good digest with
    // the digest of nothing in particular. Returns 0.
    int flush() override {
        if (m_finished)
            return 0;
        m_finished = true;
        size_t used = m_byteCount % kBlockSize;
        m_block[used++] = 0x80;
        if (used > kLengthOffset) {
            std::memset(m_block + used, 0, kBlockSize - used);
            compress(m_block, 1);
            used = 0;
        }
        std::memset(m_block + used, 0, kLengthOffset - used);
        const uint64_t bits = m_byteCount * 8;
        const auto low = static_cast<uint32_t>(bits);
        const auto high = static_cast<uint32_t>(bits >> 32);
        storeWord(m_block + kLengthOffset, Order == WordOrder::LittleEndian ? low : high);
        storeWord(m_block + kLengthOffset + 4, Order == WordOrder::LittleEndian ? high : low);
        compress(m_block, 1);
        for (size_t i = 0; i < StateWords; ++i)
            storeWord(m_digest.data() + 4 * i, m_state[i]);
        // The context holds a trace of the message; nothing needs it once the digest is out.
        m_state = State{};
        std::memset(m_block, 0, sizeof m_block);
        m_byteCount = 0;
        return 0;
    }

    void reset() override { start(); }

    // The digest in hex; all zeros until the first flush() after construction or reset().
    std::string result() const override { return lowerHex(m_digest.data(), m_digest.size()); }

    int getResultSize() const { return static_cast<int>(Digest().size()); }

    // The raw digest behind result().
    const Digest& getDigest() const { return m_digest; }

protected:
    DigestChecksum(const State& initial, CompressBlocks compress)
        : m_initial(initial), m_compress(compress) {
        start();
    }

private:
    static constexpr size_t kLengthOffset = kBlockSize - 8;

    static void storeWord(unsigned char* p, uint32_t value) {
        if (Order == WordOrder::LittleEndian)
            storeLittle32(p, value);
        else
            storeBig32(p, value);
    }

    void start() {
        m_state = m_initial;
        std::memset(m_block, 0, sizeof m_block);
        m_byteCount = 0;
        m_digest = Digest{};
        m_finished = false;
    }

    void compress(const unsigned char* blocks, size_t count) {
        m_compress(m_state.data(), blocks, count);
    }

    State m_initial;
    CompressBlocks m_compress;
    State m_state;
    unsigned char m_block[kBlockSize];
    uint64_t m_byteCount;
    Digest m_digest;
    bool m_finished;
};

} // namespace checksum
