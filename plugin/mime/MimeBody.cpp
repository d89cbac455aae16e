#include "plugin/mime/MimeBody.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "plugin/mime/MimeChar.h"
#include "plugin/mime/MimeCodeBase.h"
#include "plugin/mime/MimeEnvironment.h"
#include "plugin/mime/MimeMessage.h"

namespace {

// Delimiter lines are found as "\n--boundary", so that CRLF and bare LF line ends both work;
// the result points at the LF. As in RFC 2046 only "--" and blanks may follow the boundary on
// its line: otherwise an inner boundary that extends an outer one ("b1" and "b10") would split
// the outer part at the inner delimiters.
const char* FindDelimiter(const char* from, const char* end, const std::string& needle) {
    while (from < end) {
        const auto* found =
            static_cast<const char*>(memmem(from, end - from, needle.data(), needle.size()));
        if (found == nullptr)
            return nullptr;
        const char* after = found + needle.size();
        if (end - after >= 2 && after[0] == '-' && after[1] == '-')
            after += 2;
        while (after < end && CMimeChar::IsBlank(*after))
            ++after;
        if (after == end || *after == '\r' || *after == '\n')
            return found;
        from = found + 1;
    }
    return nullptr;
}

void Append(char* buffer, int& written, const std::string& text) {
    std::memcpy(buffer + written, text.data(), text.size());
    written += static_cast<int>(text.size());
}

} // namespace

CMimeBody::~CMimeBody() {
    DeleteAll();
}

int CMimeBody::SetText(const char* data, int length) {
    if (length < 0)
        return -1;
    if (data == nullptr) {
        m_text.reset();
        m_textSize = 0;
        return 0;
    }
    if (length == 0) {
        const size_t measured = std::strlen(data);
        if (measured > static_cast<size_t>(CMimeCodeBase::kMaxLength))
            return -1;
        length = static_cast<int>(measured);
    }
    std::unique_ptr<char[]> copy(new (std::nothrow) char[static_cast<size_t>(length) + 1]);
    if (copy == nullptr)
        return -1;
    std::memcpy(copy.get(), data, length);
    copy[length] = '\0';
    m_text = std::move(copy);
    m_textSize = length;
    return length;
}

int CMimeBody::SetText(std::unique_ptr<char[]> data, int length) {
    if (length < 0 || length > CMimeCodeBase::kMaxLength)
        return -1;
    m_text = std::move(data);
    m_textSize = m_text != nullptr ? length : 0;
    return m_textSize;
}

int CMimeBody::GetText(char* buffer, int max) const {
    const int count = std::min(m_textSize, std::max(max, 0));
    if (count > 0)
        std::memcpy(buffer, m_text.get(), count);
    return count;
}

int CMimeBody::GetText(std::string& out) const {
    out.assign(m_text.get() != nullptr ? m_text.get() : "", m_textSize);
    return m_textSize;
}

int CMimeBody::GetMessage(CMimeMessage& message) const {
    message.Clear();
    return message.Load(m_text.get(), m_textSize);
}

void CMimeBody::AdoptPart(std::unique_ptr<CMimeBody> part, CMimeBody* before) {
    part->m_nestingDepth = m_nestingDepth + 1;
    auto position = m_parts.end();
    if (before != nullptr)
        position = std::find_if(m_parts.begin(), m_parts.end(),
                                [before](const auto& owned) { return owned.get() == before; });
    m_parts.insert(position, std::move(part));
}

CMimeBody* CMimeBody::CreatePart(const std::string& mainType, CMimeBody* before) {
    std::unique_ptr<CMimeBody> part = CMimeEnvironment::CreateBodyPart(mainType);
    CMimeBody* created = part.get();
    AdoptPart(std::move(part), before);
    return created;
}

void CMimeBody::ErasePart(CMimeBody* part) {
    m_parts.remove_if(
        [part](const std::unique_ptr<CMimeBody>& owned) { return owned.get() == part; });
}

void CMimeBody::DeleteAll() {
    while (!m_parts.empty())
        m_parts.pop_back();
}

int CMimeBody::CollectLeaves(std::vector<CMimeBody*>& out, bool attachmentsOnly) {
    if (GetMediaType() != MediaMultipart) {
        std::string name;
        const CMimeField* type = FindField("Content-Type");
        if (attachmentsOnly &&
            (type == nullptr || !type->GetParameter("name", name) || name.empty()))
            return 0;
        out.push_back(this);
        return 1;
    }
    int count = 0;
    for (const auto& part : m_parts)
        count += part->CollectLeaves(out, attachmentsOnly);
    return count;
}

int CMimeBody::GetBodyPartList(std::vector<CMimeBody*>& out) {
    return CollectLeaves(out, false);
}

int CMimeBody::GetAttachmentList(std::vector<CMimeBody*>& out) {
    return CollectLeaves(out, true);
}

void CMimeBody::Clear() {
    DeleteAll();
    m_text.reset();
    m_textSize = 0;
    CMimeHeader::Clear();
}

std::unique_ptr<CMimeCodeBase> CMimeBody::TransferCoder() const {
    std::string name;
    if (const CMimeField* field = FindField("Content-Transfer-Encoding"))
        field->GetValue(name);
    return CMimeEnvironment::CreateCoder(name);
}

bool CMimeBody::HasPartSection() const {
    return !m_parts.empty() || GetMediaType() == MediaMultipart;
}

int CMimeBody::GetLength() const {
    long long length = CMimeHeader::GetLength();
    const auto coder = TransferCoder();
    coder->SetInput(m_text.get(), m_textSize, true);
    length += coder->GetEncodeLength();
    if (HasPartSection()) {
        const long long boundary = static_cast<long long>(GetBoundary().size());
        for (const auto& part : m_parts)
            length += boundary + 6 + part->GetLength();
        length += boundary + 8;
    }
    return CMimeCodeBase::ClampLength(length);
}

int CMimeBody::Store(char* buffer, int size) const {
    const int header = CMimeHeader::Store(buffer, size);
    if (header < 1)
        return header;
    const int body = StoreBodyOnly(buffer + header, size - header);
    return body < 0 ? body : header + body;
}

int CMimeBody::StoreBodyOnly(char* buffer, int size) const {
    const auto coder = TransferCoder();
    coder->SetInput(m_text.get(), m_textSize, true);
    int written = coder->Encode(buffer, std::max(size, 0));
    if (written < 0 || !HasPartSection())
        return written;
    const std::string boundary = GetBoundary();
    if (boundary.empty())
        return -1;
    const std::string delimiter = "\r\n--" + boundary;
    bool first = true;
    for (const auto& part : m_parts) {
        // The content's last line break doubles as the one that starts the first delimiter.
        if (first && written >= 2 && buffer[written - 2] == '\r' && buffer[written - 1] == '\n')
            written -= 2;
        first = false;
        if (static_cast<long long>(size) - written < static_cast<long long>(delimiter.size()) + 2)
            break;
        Append(buffer, written, delimiter);
        Append(buffer, written, "\r\n");
        const int stored = part->Store(buffer + written, size - written);
        if (stored < 0)
            return stored;
        written += stored;
    }
    if (static_cast<long long>(size) - written >= static_cast<long long>(delimiter.size()) + 4) {
        Append(buffer, written, delimiter);
        Append(buffer, written, "--\r\n");
    }
    return written;
}

int CMimeBody::Load(const char* data, int size) {
    const int headerLength = CMimeHeader::Load(data, size);
    if (headerLength < 1)
        return headerLength;
    const char* const end = data + size;
    const char* const content = data + headerLength;
    m_text.reset();
    m_textSize = 0;
    const char* contentEnd = end;
    const char* delimiter = nullptr;
    std::string needle;
    if (GetMediaType() == MediaMultipart && m_nestingDepth < kMaxNestingDepth) {
        const std::string boundary = GetBoundary();
        if (!boundary.empty()) {
            needle = "\n--" + boundary;
            // From the header's own empty line, which serves as the line break of a delimiter
            // that starts the content.
            delimiter = FindDelimiter(content - 1, end, needle);
            if (delimiter != nullptr)
                contentEnd = delimiter + 1; // the preamble keeps the line break
        }
    }
    if (contentEnd > content) {
        const int decoded = LoadContent(content, contentEnd);
        if (decoded < 0)
            return decoded;
    }
    if (delimiter == nullptr)
        return static_cast<int>(contentEnd - data);
    return LoadParts(data, size, delimiter, needle);
}

int CMimeBody::LoadContent(const char* content, const char* contentEnd) {
    const auto coder = TransferCoder();
    coder->SetInput(content, static_cast<int>(contentEnd - content), false);
    const int bound = coder->GetDecodeLength();
    std::unique_ptr<char[]> decoded(new (std::nothrow) char[static_cast<size_t>(bound) + 4]);
    if (decoded == nullptr)
        return -1;
    const int written = coder->Decode(decoded.get(), bound);
    if (written < 0)
        return written;
    decoded[written] = '\0';
    m_text = std::move(decoded);
    m_textSize = written;
    return written;
}

int CMimeBody::LoadParts(const char* data, int size, const char* delimiter,
                         const std::string& needle) {
    const char* const end = data + size;
    // `delimiter` points at the LF in front of "--boundary" throughout.
    for (;;) {
        const auto* lineEnd =
            static_cast<const char*>(std::memchr(delimiter + 1, '\n', end - delimiter - 1));
        if (lineEnd == nullptr)
            return size;
        const char* afterBoundary = delimiter + needle.size();
        if (end - afterBoundary >= 2 && afterBoundary[0] == '-' && afterBoundary[1] == '-')
            return static_cast<int>(lineEnd + 1 - data); // the epilogue is not kept
        const char* partStart = lineEnd + 1;
        // From the delimiter line's own LF, so that a delimiter right after it ends an empty part.
        const char* next = FindDelimiter(lineEnd, end, needle);
        const char* partEnd = end;
        if (next != nullptr) {
            partEnd = next > partStart && next[-1] == '\r' ? next - 1 : next;
            partEnd = std::max(partEnd, partStart);
        }
        const int loaded = LoadPart(partStart, partEnd);
        if (loaded < 0)
            return loaded;
        if (next == nullptr)
            return size;
        delimiter = next;
    }
}

int CMimeBody::LoadPart(const char* start, const char* end) {
    const int size = static_cast<int>(end - start);
    CMimeHeader header;
    header.Load(start, size);
    CMimeBody* part = CreatePart(header.GetMainType());
    const int loaded = part->Load(start, size);
    if (loaded < 0)
        ErasePart(part);
    return loaded;
}
