#include "plugin/mime/MimeCodeBase.h"

#include <algorithm>
#include <cstring>

#include "plugin/mime/MimeChar.h"

std::unique_ptr<CMimeCodeBase> CMimeCodeBase::CreateObject() {
    return std::make_unique<CMimeCodeBase>();
}

void CMimeCodeBase::SetInput(const char* input, int length, bool encoding) {
    m_input = input;
    m_inputLength = input != nullptr ? std::max(length, 0) : 0;
    m_encodingFlag = encoding;
}

int CMimeCodeBase::GetEncodeLength() const {
    return m_inputLength;
}

int CMimeCodeBase::GetDecodeLength() const {
    return m_inputLength;
}

int CMimeCodeBase::Encode(char* buffer, int size) {
    const int count = std::min(m_inputLength, std::max(size, 0));
    if (count > 0)
        std::memcpy(buffer, m_input, count);
    return count;
}

int CMimeCodeBase::Decode(char* buffer, int size) {
    return CMimeCodeBase::Encode(buffer, size);
}

int CMimeCodeBase::GetOutputLength() const {
    return m_encodingFlag ? GetEncodeLength() : GetDecodeLength();
}

int CMimeCodeBase::GetOutput(char* buffer, int size) {
    return m_encodingFlag ? Encode(buffer, size) : Decode(buffer, size);
}

int CMimeCodeBase::ClampLength(long long length) {
    return static_cast<int>(std::clamp<long long>(length, 0, kMaxLength));
}

std::unique_ptr<CMimeCodeBase> CMimeCode7bit::CreateObject() {
    return std::make_unique<CMimeCode7bit>();
}

int CMimeCode7bit::GetEncodeLength() const {
    const long long n = m_inputLength;
    return ClampLength(n + 4 * (n / 76) + 4);
}

int CMimeCode7bit::Encode(char* buffer, int size) {
    return Fold(m_input, m_inputLength, buffer, size, "\r\n", 2);
}

int CMimeCode7bit::Fold(const char* in, int length, char* out, int size, const char* lineBreak,
                        int lineBreakLength) {
    constexpr int kMaxLine = 76;
    int written = 0;
    int lineLength = 0;
    int spaceAt = -1; // output position of the last space after the line's first character
    for (int i = 0; i < length && written < size; ++i) {
        const char c = in[i];
        out[written++] = c;
        if (c == '\r' || c == '\n') {
            lineLength = 0;
            spaceAt = -1;
            continue;
        }
        if (lineLength > 0 && CMimeChar::IsSpace(c))
            spaceAt = written - 1;
        ++lineLength;
        if (lineLength >= kMaxLine && spaceAt >= 0 && size - written >= lineBreakLength) {
            // The space moves to the continuation line, so folding adds no blank of its own.
            std::memmove(out + spaceAt + lineBreakLength, out + spaceAt, written - spaceAt);
            std::memcpy(out + spaceAt, lineBreak, lineBreakLength);
            written += lineBreakLength;
            // The continuation line holds the moved characters plus any blank of the break.
            lineLength = written - spaceAt - 2;
            spaceAt = -1;
        }
    }
    return written;
}
