#include "plugin/mime/MimeCodeQP.h"

#include <algorithm>
#include <cstring>

#include "plugin/mime/MimeChar.h"

namespace {

constexpr int kMaxLine = 76;
constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
    return c <= '9' ? c - '0' : c - 'A' + 10;
}

} // namespace

std::unique_ptr<CMimeCodeBase> CMimeCodeQP::CreateObject() {
    return std::make_unique<CMimeCodeQP>();
}

long long CMimeCodeQP::CountNonAlnum(const char* in, int length) {
    long long count = 0;
    for (int i = 0; i < length; ++i)
        count += CMimeChar::IsAlnum(in[i]) ? 0 : 1;
    return count;
}

long long CMimeCodeQP::EncodeBound(long long length, long long nonAlnum) {
    const long long literal = length + 2 * nonAlnum;
    return literal + 6 * (literal / 74);
}

int CMimeCodeQP::GetEncodeLength() const {
    return ClampLength(EncodeBound(m_inputLength, CountNonAlnum(m_input, m_inputLength)));
}

int CMimeCodeQP::Encode(char* buffer, int size) {
    const char* in = m_input;
    const int n = m_inputLength;
    int written = 0;
    int lineLength = 0;
    int afterBlank = -1; // output position just after the last literal SP or HT of this line
    for (int i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(in[i]);
        bool encode;
        if (c == ' ' || c == '\t') {
            encode = !(i + 1 < n && (m_lineBreakFlag || in[i + 1] != '\r'));
        } else if (!m_lineBreakFlag && (c == '\r' || c == '\n')) {
            if (written >= size)
                break;
            buffer[written++] = static_cast<char>(c);
            lineLength = 0;
            afterBlank = -1;
            continue;
        } else if (!m_lineBreakFlag && c == '.') {
            // A lone dot line would end an SMTP DATA section.
            encode = i >= 2 && in[i - 2] == '\r' && in[i - 1] == '\n' && i + 2 < n &&
                     in[i + 1] == '\r' && in[i + 2] == '\n';
        } else {
            encode = c < 33 || c > 126 || c == '=';
        }
        const int width = encode ? 3 : 1;
        // A break after the last blank can leave the moved tail too long for this byte, so a
        // second break at the current position may follow.
        while (lineLength + width >= kMaxLine && size - written >= 3) {
            if (afterBlank >= 0) {
                std::memmove(buffer + afterBlank + 3, buffer + afterBlank, written - afterBlank);
                std::memcpy(buffer + afterBlank, "=\r\n", 3);
                written += 3;
                lineLength = written - afterBlank - 3;
                afterBlank = -1;
            } else {
                std::memcpy(buffer + written, "=\r\n", 3);
                written += 3;
                lineLength = 0;
            }
        }
        if (size - written < width)
            break;
        if (encode) {
            buffer[written] = '=';
            buffer[written + 1] = kHex[c >> 4];
            buffer[written + 2] = kHex[c & 0x0F];
        } else {
            buffer[written] = static_cast<char>(c);
        }
        written += width;
        lineLength += width;
        if (!encode && (c == ' ' || c == '\t'))
            afterBlank = written;
    }
    return written;
}

int CMimeCodeQP::Decode(char* buffer, int size) {
    return DecodeText(m_input, m_inputLength, buffer, size, false);
}

int CMimeCodeQP::DecodeText(const char* in, int length, char* out, int size,
                            bool underscoreIsSpace) {
    int i = 0;
    int written = 0;
    while (i < length && written < size) {
        if (!underscoreIsSpace) {
            // Copy the run up to the next "=" in one go: most of a body is literal text.
            const int room = std::min(length - i, size - written);
            const void* equals = std::memchr(in + i, '=', room);
            const int run = equals != nullptr
                                ? static_cast<int>(static_cast<const char*>(equals) - (in + i))
                                : room;
            std::memcpy(out + written, in + i, run);
            i += run;
            written += run;
            if (i >= length || written >= size)
                break;
        }
        const char c = in[i];
        if (c != '=') {
            out[written++] = c == '_' ? ' ' : c;
            ++i;
            continue;
        }
        if (length - i < 3)
            break; // fewer than two bytes after "=": the rest is dropped
        const char first = in[i + 1];
        const char second = in[i + 2];
        // Only an upper-case hex pair, the one form RFC 2045 allows, is an escape: "=3d" stays
        // "3d" rather than guessing at what a malformed sender meant.
        if (CMimeChar::IsHexDigit(first) && CMimeChar::IsHexDigit(second)) {
            out[written++] = static_cast<char>(HexValue(first) << 4 | HexValue(second));
            i += 3;
        } else if (first == '\r' && second == '\n') {
            i += 3;
        } else if (first == '\n') {
            i += 2; // soft line break of a message stored with bare LF line ends
        } else {
            out[written++] = first;
            i += 2;
        }
    }
    return written;
}
