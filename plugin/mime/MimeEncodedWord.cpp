#include "plugin/mime/MimeEncodedWord.h"

#include <cstring>

#include "plugin/mime/MimeChar.h"
#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/MimeCodeQP.h"

namespace {

constexpr size_t kMaxCharsetLength = 63;
constexpr char kHex[] = "0123456789ABCDEF";

// Appends whole pieces only, so a full buffer never leaves half a word behind.
struct WordWriter {
    char* out;
    int size;
    int written = 0;
    bool Fits(size_t count) const { return static_cast<size_t>(size - written) >= count; }
    void Put(const char* text, size_t count) {
        std::memcpy(out + written, text, count);
        written += static_cast<int>(count);
    }
    void Put(const std::string& text) { Put(text.data(), text.size()); }
};

bool IsBEncoding(char letter) {
    return letter == 'B' || letter == 'b';
}

bool NeedsQEscape(unsigned char c) {
    return c < 33 || c > 126 || c == '=' || c == '?' || c == '_';
}

const char* FindText(const char* from, const char* end, const char* text) {
    const void* found = memmem(from, end - from, text, std::strlen(text));
    return found != nullptr ? static_cast<const char*>(found) : end;
}

} // namespace

void CMimeEncodedWord::SetEncoding(char encoding, const std::string& charset) {
    m_encoding = encoding;
    m_charset = charset;
}

bool CMimeEncodedWord::IsUsableCharset(const char* charset, size_t length) {
    if (length == 0 || length > kMaxCharsetLength)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const char c = charset[i];
        if (c == '?' || CMimeChar::Is(c, CMimeChar::Control) || CMimeChar::IsSpace(c))
            return false;
    }
    return true;
}

int CMimeEncodedWord::GetEncodeLength() const {
    const long long n = m_inputLength;
    if (n == 0)
        return 0;
    if (!IsUsableCharset(m_charset.data(), m_charset.size()))
        return ClampLength(n);
    const long long charsetLength = static_cast<long long>(m_charset.size());
    const long long text =
        IsBEncoding(m_encoding)
            ? CMimeCodeBase64::EncodedLength(n)
            : CMimeCodeQP::EncodeBound(n, CMimeCodeQP::CountNonAlnum(m_input, m_inputLength));
    return ClampLength(text + (text / (64 - charsetLength) + 1) * (charsetLength + 11));
}

int CMimeEncodedWord::Encode(char* buffer, int size) {
    if (m_inputLength == 0)
        return 0;
    if (!IsUsableCharset(m_charset.data(), m_charset.size()))
        return CMimeCodeBase::Encode(buffer, size);
    return IsBEncoding(m_encoding) ? BEncode(buffer, size) : QEncode(buffer, size);
}

int CMimeEncodedWord::BEncode(char* buffer, int size) {
    const std::string open = "=?" + m_charset + "?B?";
    const int chunk = 3 * ((68 - static_cast<int>(m_charset.size())) / 4);
    WordWriter writer{buffer, size};
    for (int read = 0; read < m_inputLength; read += chunk) {
        const int take = m_inputLength - read < chunk ? m_inputLength - read : chunk;
        const size_t text = static_cast<size_t>(CMimeCodeBase64::EncodedLength(take));
        const size_t separator = read > 0 ? 1 : 0;
        if (!writer.Fits(separator + open.size() + text + 2))
            break;
        if (separator != 0)
            writer.Put(" ", 1);
        writer.Put(open);
        writer.written += CMimeCodeBase64::EncodeText(m_input + read, take, buffer + writer.written,
                                                      static_cast<int>(text), false);
        writer.Put("?=", 2);
    }
    return writer.written;
}

int CMimeEncodedWord::QEncode(char* buffer, int size) {
    const std::string open = "=?" + m_charset + "?Q?";
    const int maxText = 68 - static_cast<int>(m_charset.size());
    WordWriter writer{buffer, size};
    // Room for the closing "?=" is kept back at every step, so the last word always closes.
    if (!writer.Fits(open.size() + 2))
        return 0;
    writer.Put(open);
    int wordText = 0;
    for (int i = 0; i < m_inputLength; ++i) {
        const auto c = static_cast<unsigned char>(m_input[i]);
        const int width = NeedsQEscape(c) ? 3 : 1;
        if (wordText + width > maxText) {
            if (!writer.Fits(2 + 1 + open.size() + width + 2))
                break;
            writer.Put("?= ", 3);
            writer.Put(open);
            wordText = 0;
        }
        if (!writer.Fits(width + 2))
            break;
        if (width == 3) {
            const char escaped[3] = {'=', kHex[c >> 4], kHex[c & 0x0F]};
            writer.Put(escaped, 3);
        } else {
            writer.Put(reinterpret_cast<const char*>(&c), 1);
        }
        wordText += width;
    }
    writer.Put("?=", 2);
    return writer.written;
}

int CMimeEncodedWord::Decode(char* buffer, int size) {
    m_charset.clear();
    m_encoding = 0;
    const char* const begin = m_input;
    const char* const end = m_input + m_inputLength;
    const char* p = begin;
    int written = 0;
    while (p < end && written < size) {
        if (end - p >= 2 && p[0] == '=' && p[1] == '?') {
            // "=?" charset "?" letter "?" data "?="
            const char* charset = p + 2;
            const char* question =
                static_cast<const char*>(std::memchr(charset, '?', end - charset));
            if (question != nullptr && end - question > 3 && question[2] == '?' &&
                (IsBEncoding(question[1]) || question[1] == 'Q' || question[1] == 'q') &&
                IsUsableCharset(charset, question - charset)) {
                if (m_charset.empty()) {
                    m_charset.assign(charset, question);
                    m_encoding = question[1];
                }
                const char* data = question + 3;
                const char* dataEnd = FindText(data, end, "?=");
                const int dataLength = static_cast<int>(dataEnd - data);
                written += IsBEncoding(question[1])
                               ? CMimeCodeBase64::DecodeText(data, dataLength, buffer + written,
                                                             size - written)
                               : CMimeCodeQP::DecodeText(data, dataLength, buffer + written,
                                                         size - written, true);
                p = dataEnd == end ? end : dataEnd + 2;
                continue;
            }
            // Not an encoded word: its "=?" is plain text.
            const int count = size - written >= 2 ? 2 : 1;
            std::memcpy(buffer + written, p, count);
            written += count;
            p += 2;
            continue;
        }
        const char* next = FindText(p, end, "=?");
        bool blankOnly = p != begin && next != end;
        for (const char* q = p; blankOnly && q < next; ++q)
            blankOnly = CMimeChar::IsSpace(*q);
        if (!blankOnly) {
            const int count =
                next - p < size - written ? static_cast<int>(next - p) : size - written;
            std::memcpy(buffer + written, p, count);
            written += count;
        }
        p = next;
    }
    return written;
}
