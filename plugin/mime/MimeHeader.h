// The header of a MIME entity: an ordered list of fields (duplicates allowed, lookups take the
// first match without regard to case) with the Content-Type conveniences the mail object needs.
// Thread contract: one object is used by one thread at a time; distinct objects are independent.
// SetBoundary without a boundary may be called from any thread.
#pragma once

#include <list>
#include <string>

#include "plugin/mime/MimeField.h"

class CMimeHeader {
public:
    enum MediaType {
        MediaText,
        MediaImage,
        MediaAudio,
        MediaVideo,
        MediaApplication,
        MediaMultipart,
        MediaMessage,
        MediaUnknown,
    };

    struct MediaTypeCvt {
        const char* extension;
        MediaType mediaType;
        const char* subType;
    };
    // Main type words indexed by MediaType (MediaUnknown has none).
    static const char* const m_TypeTable[MediaUnknown];
    // File extension to media type and subtype, first match wins; ends with an entry of
    // MediaUnknown and empty strings.
    static const MediaTypeCvt m_TypeCvtTable[];

    CMimeHeader() = default;
    virtual ~CMimeHeader() = default;
    CMimeHeader(const CMimeHeader&) = default;
    CMimeHeader& operator=(const CMimeHeader&) = default;

    std::list<CMimeField>& GetFields() { return m_listFields; }
    const std::list<CMimeField>& GetFields() const { return m_listFields; }

    // The first field of that name, or null. The pointer lives until the field is removed.
    CMimeField* FindField(const std::string& name);
    const CMimeField* FindField(const std::string& name) const;
    // Replaces name, value and charset of the first field of that name, or appends a field.
    void SetFieldValue(const std::string& name, const std::string& value,
                       const std::string& charset = std::string());

    // The MediaType whose word the Content-Type value begins with (MediaText without one).
    MediaType GetMediaType() const;
    // The Content-Type's media type before its "/" ("text" without a Content-Type).
    std::string GetMainType() const;
    // The Content-Type's media type after its "/" ("plain" without a Content-Type).
    std::string GetSubType() const;

    // Set the Content-Type's "charset" or "name" parameter, adding a Content-Type (text/plain,
    // or the type the name's extension implies) when there is none.
    void SetCharset(const std::string& charset);
    void SetName(const std::string& name);
    // Makes the Content-Type multipart (other types become "multipart/mixed", parameters lost)
    // with this boundary, or a newly generated one when `boundary` is empty.
    void SetBoundary(const std::string& boundary = std::string());
    // The Content-Type's "boundary" parameter, empty when absent.
    std::string GetBoundary() const;

    virtual void Clear();
    // An upper bound of what Store writes, at most CMimeCodeBase::kMaxLength.
    virtual int GetLength() const;
    // Writes every field, then the empty line. Returns the byte count, or 0 when it does not
    // fit into `size` bytes (what was written before is then garbage).
    virtual int Store(char* buffer, int size) const;
    // Appends the fields found in the `size` bytes at `data` up to the empty line; reads
    // nothing outside them. The end of the data ends the header like an empty line. Returns
    // the bytes consumed (the empty line included), or 0 when a field is incomplete; the
    // fields before it stay.
    virtual int Load(const char* data, int size);

private:
    // The Content-Type's media type without parameters; false when there is no Content-Type.
    bool GetContentTypeValue(std::string& type) const;
    // The "Content-Type" field, appended with `value` when there is none.
    CMimeField& ContentType(const std::string& value);

    std::list<CMimeField> m_listFields;
};
