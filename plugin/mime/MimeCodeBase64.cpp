#include "plugin/mime/MimeCodeBase64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kLineLength = 76;
constexpr int kLineInput = kLineLength / 4 * 3;

constexpr std::uint8_t kSkip = 0x40; // CR, LF, blank and tab
constexpr std::uint8_t kStop = 0x80; // anything else outside the alphabet

constexpr std::array<std::uint8_t, 256> MakeDecodeTable() {
    std::array<std::uint8_t, 256> table{};
    for (auto& entry : table)
        entry = kStop;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
    // Relays leave blanks and tabs at line ends; stopping there would cut an attachment after its
    // first line without a word.
    for (char c : {'\r', '\n', ' ', '\t'})
        table[static_cast<unsigned char>(c)] = kSkip;
    return table;
}
constexpr std::array<std::uint8_t, 256> kDecode = MakeDecodeTable();

// The value of a character already shifted into its place in a group's 24 bits, one table per
// place, so that a group is four lookups ORed together; bit 24 marks anything outside the
// alphabet, skipped characters included.
constexpr std::uint32_t kOutside = 0x01000000;
struct PlacedTables {
    std::uint32_t place[4][256]{};
    constexpr PlacedTables() {
        for (int k = 0; k < 4; ++k)
            for (int c = 0; c < 256; ++c)
                place[k][c] =
                    kDecode[c] < 64 ? std::uint32_t{kDecode[c]} << (18 - 6 * k) : kOutside;
    }
};
constexpr PlacedTables kPlaced;

inline std::uint32_t DecodeGroup(const unsigned char* in) {
    return kPlaced.place[0][in[0]] | kPlaced.place[1][in[1]] | kPlaced.place[2][in[2]] |
           kPlaced.place[3][in[3]];
}

// Writes the group's three bytes plus one byte of scratch, which the next group overwrites:
// one four-byte store is cheaper than three single ones. The caller guarantees four bytes.
inline void StoreGroup(std::uint32_t group, char* out) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    const std::uint32_t bytes = __builtin_bswap32(group << 8);
#else
    const std::uint32_t bytes = group << 8;
#endif
    std::memcpy(out, &bytes, 4);
}

// Two output characters per 12 input bits, so a group of three bytes takes two lookups.
struct PairTable {
    std::array<char, 8192> chars{};
    constexpr PairTable() {
        for (int i = 0; i < 4096; ++i) {
            chars[2 * i] = kAlphabet[i >> 6];
            chars[2 * i + 1] = kAlphabet[i & 63];
        }
    }
};
constexpr PairTable kPairs;

inline void EncodeGroup(const unsigned char* in, char* out) {
    const std::uint32_t bits = std::uint32_t{in[0]} << 16 | std::uint32_t{in[1]} << 8 | in[2];
    std::memcpy(out, &kPairs.chars[2 * (bits >> 12)], 2);
    std::memcpy(out + 2, &kPairs.chars[2 * (bits & 0xFFF)], 2);
}

// Writes one character while the buffer has room, for the tail and a nearly full buffer.
struct TailWriter {
    char* out;
    int size;
    int written;
    bool Put(char c) {
        if (written >= size)
            return false;
        out[written++] = c;
        return true;
    }
};

} // namespace

CMimeCodeBase64::CMimeCodeBase64() {
    m_lineBreakFlag = true;
}

std::unique_ptr<CMimeCodeBase> CMimeCodeBase64::CreateObject() {
    return std::make_unique<CMimeCodeBase64>();
}

int CMimeCodeBase64::GetEncodeLength() const {
    const long long length = EncodedLength(m_inputLength);
    return ClampLength(m_lineBreakFlag ? length + 2 * (length / kLineLength) + 2 : length);
}

int CMimeCodeBase64::GetDecodeLength() const {
    return ClampLength(3LL * m_inputLength / 4 + 2);
}

int CMimeCodeBase64::Encode(char* buffer, int size) {
    return EncodeText(m_input, m_inputLength, buffer, size, m_lineBreakFlag);
}

int CMimeCodeBase64::Decode(char* buffer, int size) {
    return DecodeText(m_input, m_inputLength, buffer, size);
}

int CMimeCodeBase64::EncodeText(const char* input, int length, char* out, int size,
                                bool lineBreaks) {
    const auto* in = reinterpret_cast<const unsigned char*>(input);
    int read = 0;
    int written = 0;
    // Whole lines while they fit: the common case, with no per-character checks.
    if (lineBreaks) {
        while (length - read >= kLineInput && size - written >= kLineLength + 2) {
            for (int g = 0; g < kLineInput; g += 3)
                EncodeGroup(in + read + g, out + written + g / 3 * 4);
            read += kLineInput;
            written += kLineLength;
            out[written++] = '\r';
            out[written++] = '\n';
        }
    } else {
        while (length - read >= 3 && size - written >= 4) {
            EncodeGroup(in + read, out + written);
            read += 3;
            written += 4;
        }
    }
    // The rest one character at a time, stopping silently when the buffer is full.
    TailWriter tail{out, size, written};
    int lineUsed = 0;
    while (read < length) {
        const int take = length - read >= 3 ? 3 : length - read;
        std::uint32_t bits = std::uint32_t{in[read]} << 16;
        if (take > 1)
            bits |= std::uint32_t{in[read + 1]} << 8;
        if (take > 2)
            bits |= in[read + 2];
        read += take;
        const char chars[4] = {kAlphabet[bits >> 18], kAlphabet[(bits >> 12) & 63],
                               take > 1 ? kAlphabet[(bits >> 6) & 63] : '=',
                               take > 2 ? kAlphabet[bits & 63] : '='};
        for (char c : chars)
            if (!tail.Put(c))
                return tail.written;
        lineUsed += 4;
        if (lineBreaks && lineUsed == kLineLength) {
            if (!tail.Put('\r') || !tail.Put('\n'))
                return tail.written;
            lineUsed = 0;
        }
    }
    if (lineBreaks && lineUsed > 0 && tail.Put('\r'))
        tail.Put('\n');
    return tail.written;
}

int CMimeCodeBase64::DecodeText(const char* input, int length, char* out, int size) {
    const auto* in = reinterpret_cast<const unsigned char*>(input);
    int read = 0;
    int written = 0;
    std::uint32_t bits = 0;
    int pending = 0; // characters accumulated in `bits`
    for (;;) {
        // Whole groups of alphabet characters, the common case inside a line: two at a time,
        // then one. The scratch byte of StoreGroup stays inside `size`.
        if (pending == 0) {
            while (length - read >= 8 && size - written >= 8) {
                const std::uint32_t first = DecodeGroup(in + read);
                const std::uint32_t second = DecodeGroup(in + read + 4);
                if (((first | second) & kOutside) != 0)
                    break;
                StoreGroup(first, out + written);
                StoreGroup(second, out + written + 3);
                read += 8;
                written += 6;
            }
            while (length - read >= 4 && size - written >= 4) {
                const std::uint32_t group = DecodeGroup(in + read);
                if ((group & kOutside) != 0)
                    break;
                StoreGroup(group, out + written);
                read += 4;
                written += 3;
            }
        }
        if (read >= length || written >= size)
            break;
        const std::uint8_t value = kDecode[in[read++]];
        if (value == kSkip)
            continue;
        if (value == kStop)
            break;
        bits = bits << 6 | value;
        if (++pending == 4) {
            const char bytes[3] = {static_cast<char>(bits >> 16), static_cast<char>(bits >> 8),
                                   static_cast<char>(bits)};
            for (int k = 0; k < 3 && written < size; ++k)
                out[written++] = bytes[k];
            bits = 0;
            pending = 0;
        }
    }
    // A last incomplete group still carries whole bytes: two characters one, three two.
    if (pending >= 2 && written < size)
        out[written++] = static_cast<char>(bits >> (pending == 2 ? 4 : 10));
    if (pending == 3 && written < size)
        out[written++] = static_cast<char>(bits >> 2);
    return written;
}
