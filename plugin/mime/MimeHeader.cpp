#include "plugin/mime/MimeHeader.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>

#include "plugin/mime/MimeCodeBase.h"

namespace {

const char kContentType[] = "Content-Type";

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t length = std::strlen(prefix);
    return text.size() >= length && strncasecmp(text.c_str(), prefix, length) == 0;
}

// Boundaries carry a part counter that runs 001 to 009 and then starts again, and two random
// numbers. The generator is seeded once: reseeding from the clock on every call, as a per-call
// srand(time) would, repeats both numbers within a second, and the tenth boundary of that
// second would then equal the first one, which breaks any message nesting the two.
std::string GenerateBoundary() {
    static std::mutex mutex;
    static int counter = 0;
    static std::mt19937 random(static_cast<unsigned>(std::random_device{}()) ^
                               static_cast<unsigned>(std::time(nullptr)));
    std::lock_guard<std::mutex> lock(mutex);
    std::uniform_int_distribution<int> number(0, 999999);
    ++counter;
    char text[80];
    std::snprintf(text, sizeof text, "__=_Norvane_Part_Boundary_%03d_%06d.%06d_=__", counter,
                  number(random), number(random));
    if (counter == 9)
        counter = 0;
    return text;
}

} // namespace

const char* const CMimeHeader::m_TypeTable[MediaUnknown] = {
    "text", "image", "audio", "vedio", "application", "multipart", "message"};

const CMimeHeader::MediaTypeCvt CMimeHeader::m_TypeCvtTable[] = {
    {"xml", MediaApplication, "xml"},
    {"doc", MediaApplication, "msword"},
    {"rtf", MediaApplication, "rtf"},
    {"xls", MediaApplication, "vnd.ms-excel"},
    {"ppt", MediaApplication, "vnd.ms-powerpoint"},
    {"pdf", MediaApplication, "pdf"},
    {"zip", MediaApplication, "zip"},
    {"jpeg", MediaImage, "jpeg"},
    {"jpg", MediaImage, "jpeg"},
    {"gif", MediaImage, "gif"},
    {"tif", MediaImage, "tiff"},
    {"tiff", MediaImage, "tiff"},
    {"wav", MediaAudio, "basic"},
    {"mp3", MediaAudio, "basic"},
    {"mpg", MediaVideo, "mpeg"},
    {"mpeg", MediaVideo, "mpeg"},
    {"", MediaUnknown, ""},
};

CMimeField* CMimeHeader::FindField(const std::string& name) {
    for (CMimeField& field : m_listFields)
        if (strcasecmp(field.GetName().c_str(), name.c_str()) == 0)
            return &field;
    return nullptr;
}

const CMimeField* CMimeHeader::FindField(const std::string& name) const {
    return const_cast<CMimeHeader*>(this)->FindField(name);
}

void CMimeHeader::SetFieldValue(const std::string& name, const std::string& value,
                                const std::string& charset) {
    CMimeField* field = FindField(name);
    if (field == nullptr) {
        m_listFields.emplace_back();
        field = &m_listFields.back();
    }
    field->SetName(name);
    field->SetValue(value, charset);
}

CMimeHeader::MediaType CMimeHeader::GetMediaType() const {
    const CMimeField* field = FindField(kContentType);
    const std::string value = field != nullptr ? field->GetValue() : "text";
    for (int type = 0; type < MediaUnknown; ++type)
        if (StartsWithNoCase(value, m_TypeTable[type]))
            return static_cast<MediaType>(type);
    return MediaUnknown;
}

bool CMimeHeader::GetContentTypeValue(std::string& type) const {
    const CMimeField* field = FindField(kContentType);
    if (field == nullptr)
        return false;
    field->GetValue(type);
    return true;
}

std::string CMimeHeader::GetMainType() const {
    std::string type;
    return GetContentTypeValue(type) ? type.substr(0, type.find('/')) : "text";
}

std::string CMimeHeader::GetSubType() const {
    std::string type;
    if (!GetContentTypeValue(type))
        return "plain";
    const size_t slash = type.find('/');
    return slash == std::string::npos ? type : type.substr(slash + 1);
}

CMimeField& CMimeHeader::ContentType(const std::string& value) {
    if (CMimeField* field = FindField(kContentType))
        return *field;
    m_listFields.emplace_back();
    m_listFields.back().SetName(kContentType);
    m_listFields.back().SetValue(value);
    return m_listFields.back();
}

void CMimeHeader::SetCharset(const std::string& charset) {
    ContentType("text/plain").SetParameter("charset", charset);
}

void CMimeHeader::SetName(const std::string& name) {
    std::string type = "application/octet-stream";
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) {
        const std::string extension = name.substr(dot + 1);
        for (const MediaTypeCvt* entry = m_TypeCvtTable; entry->mediaType != MediaUnknown;
             ++entry) {
            if (strcasecmp(entry->extension, extension.c_str()) == 0) {
                type = std::string(m_TypeTable[entry->mediaType]) + "/" + entry->subType;
                break;
            }
        }
    }
    ContentType(type).SetParameter("name", name);
}

void CMimeHeader::SetBoundary(const std::string& boundary) {
    const std::string text = boundary.empty() ? GenerateBoundary() : boundary;
    CMimeField& field = ContentType("multipart/mixed");
    if (!StartsWithNoCase(field.GetValue(), "multipart"))
        field.SetValue("multipart/mixed", field.GetCharset());
    field.SetParameter("boundary", text);
}

std::string CMimeHeader::GetBoundary() const {
    std::string boundary;
    if (const CMimeField* field = FindField(kContentType))
        field->GetParameter("boundary", boundary);
    return boundary;
}

void CMimeHeader::Clear() {
    m_listFields.clear();
}

int CMimeHeader::GetLength() const {
    long long length = 2;
    for (const CMimeField& field : m_listFields)
        length += field.GetLength();
    return CMimeCodeBase::ClampLength(length);
}

int CMimeHeader::Store(char* buffer, int size) const {
    int written = 0;
    for (const CMimeField& field : m_listFields) {
        const int result = field.Store(buffer + written, size - written);
        if (result < 1)
            return result;
        written += result;
    }
    if (size - written < 2)
        return 0;
    buffer[written++] = '\r';
    buffer[written++] = '\n';
    return written;
}

int CMimeHeader::Load(const char* data, int size) {
    if (data == nullptr || size <= 0)
        return 0;
    int position = 0;
    for (;;) {
        // The end of the data ends the header as the terminating NUL did for NUL-terminated
        // input: the entity then has its fields and no content.
        if (position >= size)
            return size;
        const char c = data[position];
        if (c == '\0' || c == '\r')
            return std::min(position + 2, size);
        if (c == '\n')
            return position + 1;
        CMimeField field;
        const int consumed = field.Load(data + position, size - position);
        if (consumed <= 0)
            return consumed;
        m_listFields.push_back(std::move(field));
        position += consumed;
    }
}
