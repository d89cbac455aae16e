#include "plugin/mime/MimeField.h"

#include <strings.h>

#include <cstring>
#include <vector>

#include "plugin/mime/FieldCode.h"
#include "plugin/mime/MimeChar.h"
#include "plugin/mime/MimeEnvironment.h"

namespace {

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

// Whether storing adds a SP after the byte at `i`: a line break (a CRLF counts at its LF) that no
// blank follows would end the field, or the whole header, there. A decoded value can hold any
// bytes ("=0D=0A" in an encoded word), so this is not only the caller's concern.
bool NeedsBlankAfter(const char* text, size_t length, size_t i) {
    if (!IsLineBreak(text[i]) || (text[i] == '\r' && i + 1 < length && text[i + 1] == '\n'))
        return false;
    return i + 1 == length || !CMimeChar::IsBlank(text[i + 1]);
}

long long CountUnfoldedBreaks(const char* text, size_t length) {
    long long count = 0;
    for (size_t i = 0; i < length; ++i)
        count += NeedsBlankAfter(text, length, i) ? 1 : 0;
    return count;
}

// Copies `text`, adding the blanks NeedsBlankAfter asks for; `out` has room for
// length + CountUnfoldedBreaks bytes.
size_t CopyFolded(const char* text, size_t length, char* out) {
    size_t written = 0;
    for (size_t i = 0; i < length; ++i) {
        out[written++] = text[i];
        if (NeedsBlankAfter(text, length, i))
            out[written++] = ' ';
    }
    return written;
}

std::unique_ptr<CFieldCodeBase> MakeEncoder(const std::string& name, const std::string& value,
                                            const std::string& charset) {
    auto coder = CMimeEnvironment::CreateFieldCoder(name);
    coder->SetCharset(charset);
    coder->SetInput(value.data(), CMimeCodeBase::ClampLength(value.size()), true);
    return coder;
}

} // namespace

void CMimeField::GetValue(std::string& out) const {
    size_t end = m_value.find(';');
    if (end == std::string::npos)
        end = m_value.size();
    while (end > 0 && CMimeChar::IsSpace(m_value[end - 1]))
        --end;
    out.assign(m_value, 0, end);
}

void CMimeField::SetValue(const std::string& value, const std::string& charset) {
    m_value = value;
    m_charset = charset;
}

bool CMimeField::FindParameter(const std::string& name, size_t& position, size_t& length) const {
    const std::string& v = m_value;
    size_t scan = v.find(';');
    while (scan != std::string::npos) {
        while (scan < v.size() && (CMimeChar::IsSpace(v[scan]) || v[scan] == ';'))
            ++scan;
        const size_t equals = v.find('=', scan);
        if (equals == std::string::npos)
            return false;
        const size_t start = equals + 1;
        size_t end = start;
        const size_t closing =
            start < v.size() && v[start] == '"' ? v.find('"', start + 1) : std::string::npos;
        if (closing != std::string::npos) {
            end = closing + 1;
        } else {
            // An unquoted value runs to the next ";" or blank. Special characters do not end
            // it: "name=report.pdf" and "boundary=----=_Part_1" hold them in real mail.
            while (end < v.size() && v[end] != ';' && static_cast<unsigned char>(v[end]) >= 33)
                ++end;
        }
        const size_t after = scan + name.size();
        if (after < v.size() && strncasecmp(v.c_str() + scan, name.c_str(), name.size()) == 0 &&
            (CMimeChar::IsSpace(v[after]) || v[after] == '=')) {
            position = start;
            length = end - start;
            return true;
        }
        scan = end;
    }
    return false;
}

bool CMimeField::GetParameter(const std::string& name, std::string& out) const {
    size_t position = 0;
    size_t length = 0;
    out.clear();
    if (!FindParameter(name, position, length))
        return false;
    out.assign(m_value, position, length);
    if (!out.empty() && out.front() == '"') {
        out.erase(0, 1);
        if (!out.empty() && out.back() == '"')
            out.pop_back();
    }
    return true;
}

void CMimeField::SetParameter(const std::string& name, const std::string& value) {
    std::string quoted = value;
    if (quoted.empty() || quoted.front() != '"')
        quoted.insert(0, 1, '"');
    if (!(value.size() >= 2 && value.back() == '"'))
        quoted.push_back('"');
    size_t position = 0;
    size_t length = 0;
    if (FindParameter(name, position, length))
        m_value.replace(position, length, quoted);
    else
        m_value += "; " + name + "=" + quoted;
}

int CMimeField::GetLength() const {
    const auto coder = MakeEncoder(m_name, m_value, m_charset);
    return CMimeCodeBase::ClampLength(static_cast<long long>(m_name.size()) +
                                      coder->GetEncodeLength() + 4 +
                                      CountUnfoldedBreaks(m_value.data(), m_value.size()));
}

int CMimeField::Store(char* buffer, int size) const {
    const auto coder = MakeEncoder(m_name, m_value, m_charset);
    std::vector<char> encoded(static_cast<size_t>(coder->GetEncodeLength()));
    encoded.resize(coder->Encode(encoded.data(), static_cast<int>(encoded.size())));
    const long long needed = static_cast<long long>(m_name.size()) + 4 + encoded.size() +
                             CountUnfoldedBreaks(encoded.data(), encoded.size());
    if (size < 0 || needed > size)
        return 0;
    char* out = buffer;
    std::memcpy(out, m_name.data(), m_name.size());
    out += m_name.size();
    *out++ = ':';
    *out++ = ' ';
    out += CopyFolded(encoded.data(), encoded.size(), out);
    *out++ = '\r';
    *out++ = '\n';
    return static_cast<int>(out - buffer);
}

int CMimeField::Load(const char* data, int size) {
    m_name.clear();
    m_value.clear();
    m_charset.clear();
    if (data == nullptr || size <= 0)
        return 0;
    const char* const end = data + size;
    const char* line = data;
    // Continuation lines without a field to continue are thrown away; an empty line is the end
    // of the header, not a field.
    while (line < end && CMimeChar::IsSpace(*line)) {
        if (IsLineBreak(*line))
            return 0;
        const void* lf = std::memchr(line, '\n', end - line);
        if (lf == nullptr)
            return 0;
        line = static_cast<const char*>(lf) + 1;
    }
    if (line >= end)
        return 0;
    const char* nameEnd = line;
    while (nameEnd < end && *nameEnd != '\0' && !IsLineBreak(*nameEnd) && *nameEnd != ':')
        ++nameEnd;
    const char* value = line;
    if (nameEnd < end && *nameEnd == ':') {
        m_name.assign(line, nameEnd);
        value = nameEnd + 1;
    }
    while (value < end && CMimeChar::IsBlank(*value))
        ++value;
    // The value runs to the first line break that no blank follows; CRLF and bare LF both end
    // a line, so mail stored with Unix line ends loads too.
    const char* lf = value;
    for (;;) {
        lf = static_cast<const char*>(std::memchr(lf, '\n', end - lf));
        if (lf == nullptr)
            return 0;
        if (lf + 1 < end && CMimeChar::IsBlank(lf[1])) {
            ++lf;
            continue;
        }
        break;
    }
    const char* valueEnd = lf > value && lf[-1] == '\r' ? lf - 1 : lf;
    auto coder = CMimeEnvironment::CreateFieldCoder(m_name);
    coder->SetInput(value, static_cast<int>(valueEnd - value), false);
    m_value.resize(static_cast<size_t>(coder->GetDecodeLength()));
    m_value.resize(
        static_cast<size_t>(coder->Decode(&m_value[0], static_cast<int>(m_value.size()))));
    m_charset = coder->GetCharset();
    return static_cast<int>(lf + 1 - data);
}
