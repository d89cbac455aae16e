#include "plugin/mime/FieldCode.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "plugin/mime/MimeChar.h"
#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/MimeEncodedWord.h"
#include "plugin/mime/MimeEnvironment.h"

namespace {

constexpr char kFold[] = "\r\n\t";
constexpr int kFoldLength = 3;

// Joins folded lines: a line break and the space characters after it become one SP.
int Unfold(char* text, int length) {
    int written = 0;
    for (int read = 0; read < length;) {
        const bool crlf = text[read] == '\r' && read + 1 < length && text[read + 1] == '\n';
        if (crlf || text[read] == '\n') {
            read += crlf ? 2 : 1;
            while (read < length && CMimeChar::IsSpace(text[read]))
                ++read;
            text[written++] = ' ';
        } else {
            text[written++] = text[read++];
        }
    }
    return written;
}

} // namespace

std::unique_ptr<CFieldCodeBase> CFieldCodeBase::CreateObject() {
    return std::make_unique<CFieldCodeBase>();
}

bool CFieldCodeBase::IsFoldingChar(char) const {
    return false;
}

char CFieldCodeBase::GetDelimeter() const {
    return 0;
}

std::string CFieldCodeBase::EncodingCharset() const {
    return m_charset.empty() ? CMimeEnvironment::GetCharset() : m_charset;
}

void CFieldCodeBase::ForEachSegment(const std::function<void(const Segment&)>& visit) const {
    const char* in = m_input;
    const int n = m_inputLength;
    // The whole-value delimiter is a mode of its own rather than a byte to look for: 0xFF is
    // an ordinary letter in Latin-1 text.
    bool wholeValue = GetDelimeter() == kWholeValue;
    char mode = wholeValue ? 0 : GetDelimeter();
    for (int i = 0; i < n;) {
        Segment segment{i, 0, 0, -1};
        for (; i < n; ++i) {
            const char c = in[i];
            if (!wholeValue &&
                (mode != 0 ? c == mode : CMimeChar::IsSpace(c) || CMimeChar::IsSpecial(c)))
                break;
            segment.highBitCount += CMimeChar::IsHighBit(c) ? 1 : 0;
        }
        segment.length = i - segment.start;
        char next = 0;
        if (i < n) {
            const char stop = in[i];
            segment.stop = i++;
            if (mode == 0)
                next = stop == '<' ? '>' : stop == '(' ? ')' : stop == '"' ? '"' : 0;
            if (IsFoldingChar(stop))
                while (i < n && CMimeChar::IsSpace(in[i]))
                    ++i;
        }
        visit(segment);
        mode = next;
        wholeValue = false;
    }
}

void CFieldCodeBase::ForEachPiece(const std::function<void(const Piece&)>& visit) const {
    // Blanks between two encoded segments go inside the second word, which a SP of its own
    // keeps apart from the first: a decoder drops blanks between encoded words, so written as
    // they are, two non-ASCII names joined by a blank would come back without the blank.
    int pendingBlanks = -1; // start of blanks after an encoded word, not yet written
    bool afterWord = false;
    auto flushBlanks = [&](int end) {
        if (pendingBlanks >= 0)
            visit(Piece{pendingBlanks, end - pendingBlanks, 0, false, false, false});
        pendingBlanks = -1;
    };
    ForEachSegment([&](const Segment& segment) {
        if (segment.length > 0) {
            const bool encode = segment.highBitCount > 0;
            if (encode && pendingBlanks >= 0) {
                const int start = pendingBlanks;
                pendingBlanks = -1;
                visit(Piece{start, segment.start + segment.length - start, segment.highBitCount,
                            true, false, true});
            } else {
                flushBlanks(segment.start);
                visit(Piece{segment.start, segment.length, segment.highBitCount, encode, false,
                            false});
            }
            afterWord = encode;
        }
        if (segment.stop < 0) {
            flushBlanks(m_inputLength);
            return;
        }
        const char stop = m_input[segment.stop];
        if (afterWord && CMimeChar::IsSpace(stop) && !IsFoldingChar(stop)) {
            if (pendingBlanks < 0)
                pendingBlanks = segment.stop;
            return;
        }
        flushBlanks(segment.stop);
        visit(Piece{segment.stop, 1, 0, false, IsFoldingChar(stop), false});
        afterWord = false;
    });
}

void CFieldCodeBase::PrepareWord(CMimeEncodedWord& word, const Piece& piece,
                                 const std::string& charset) const {
    const long long length = piece.length;
    const long long high = piece.highBitCount;
    const bool base64 =
        length + 2 * high > CMimeCodeBase64::EncodedLength(length) && high * 5 > length;
    word.SetEncoding(base64 ? 'B' : 'Q', charset);
    word.SetInput(m_input + piece.start, piece.length, true);
}

int CFieldCodeBase::GetEncodeLength() const {
    const std::string charset = EncodingCharset();
    const bool folding = CMimeEnvironment::GetAutoFolding();
    if (charset.empty() && !folding)
        return m_inputLength;
    long long total = 0;
    ForEachPiece([&](const Piece& piece) {
        if (piece.encode) {
            CMimeEncodedWord word;
            PrepareWord(word, piece, charset);
            total += word.GetEncodeLength();
        } else {
            total += piece.length;
        }
        total += (piece.foldAfter ? kFoldLength : 0) + (piece.separate ? 1 : 0);
    });
    if (folding)
        total += 6 * (total / 76);
    return ClampLength(total);
}

int CFieldCodeBase::EncodeUnfolded(char* buffer, int size, const std::string& charset) const {
    int written = 0;
    ForEachPiece([&](const Piece& piece) {
        if (piece.separate && written < size)
            buffer[written++] = ' ';
        if (piece.encode) {
            CMimeEncodedWord word;
            PrepareWord(word, piece, charset);
            written += word.Encode(buffer + written, size - written);
        } else {
            const int count = std::min(piece.length, size - written);
            std::memcpy(buffer + written, m_input + piece.start, count);
            written += count;
        }
        if (piece.foldAfter && size - written >= kFoldLength) {
            std::memcpy(buffer + written, kFold, kFoldLength);
            written += kFoldLength;
        }
    });
    return written;
}

int CFieldCodeBase::Encode(char* buffer, int size) {
    const std::string charset = EncodingCharset();
    if (!CMimeEnvironment::GetAutoFolding()) {
        if (charset.empty())
            return CMimeCodeBase::Encode(buffer, size);
        return EncodeUnfolded(buffer, size, charset);
    }
    std::vector<char> unfolded(static_cast<size_t>(GetEncodeLength()));
    const int length = EncodeUnfolded(unfolded.data(), static_cast<int>(unfolded.size()), charset);
    return CMimeCode7bit::Fold(unfolded.data(), length, buffer, size, kFold, kFoldLength);
}

int CFieldCodeBase::Decode(char* buffer, int size) {
    CMimeEncodedWord word;
    word.SetInput(m_input, m_inputLength, false);
    int length = word.Decode(buffer, size);
    m_charset = word.GetCharset();
    if (CMimeEnvironment::GetAutoFolding())
        length = Unfold(buffer, length);
    return length;
}

std::unique_ptr<CFieldCodeBase> CFieldCodeText::CreateObject() {
    return std::make_unique<CFieldCodeText>();
}

char CFieldCodeText::GetDelimeter() const {
    return kWholeValue;
}

std::unique_ptr<CFieldCodeBase> CFieldCodeAddress::CreateObject() {
    return std::make_unique<CFieldCodeAddress>();
}

bool CFieldCodeAddress::IsFoldingChar(char c) const {
    return c == ',' || c == ':';
}

std::unique_ptr<CFieldCodeBase> CFieldCodeParameter::CreateObject() {
    return std::make_unique<CFieldCodeParameter>();
}

bool CFieldCodeParameter::IsFoldingChar(char c) const {
    return c == ';';
}
