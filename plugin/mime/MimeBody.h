// One MIME entity, the message itself or one body part: its header, its own content already
// transfer-decoded, and for multipart entities the child parts it owns. Loads a whole tree from
// one caller buffer and stores it back into one, never touching bytes outside either.
// Thread contract: one tree is used by one thread at a time; distinct trees are independent.
#pragma once

#include <list>
#include <memory>
#include <string>
#include <vector>

#include "plugin/mime/MimeHeader.h"

class CMimeCodeBase;
class CMimeMessage;

class CMimeBody : public CMimeHeader {
public:
    // At most this many levels of multipart entities are split into parts while loading; a
    // multipart entity further down keeps its whole content as text. Real mail nests a handful
    // of levels; the cap bounds recursion and the rescanning each level does of its content.
    static constexpr int kMaxNestingDepth = 32;

    using PartList = std::list<std::unique_ptr<CMimeBody>>;

    CMimeBody() = default;
    ~CMimeBody() override;
    CMimeBody(const CMimeBody&) = delete;
    CMimeBody& operator=(const CMimeBody&) = delete;

    // Replaces the content with a copy of `length` bytes (0: up to the first NUL of `data`;
    // null `data`: no content). Returns the length, or -1 (content unchanged) when memory
    // runs out or `length` is negative.
    int SetText(const char* data, int length);
    // Takes `data` as the content without copying it: `length` bytes followed by a NUL, so the
    // buffer holds at least length + 1 bytes. Returns the length, or -1 (content unchanged,
    // `data` released) when `length` is negative or beyond CMimeCodeBase::kMaxLength.
    int SetText(std::unique_ptr<char[]> data, int length);
    // Copies min(content size, `max`) bytes into `buffer` and returns the count.
    int GetText(char* buffer, int max) const;
    // Assigns the content to `out` and returns its size.
    int GetText(std::string& out) const;
    // The content followed by a NUL (null when there is none), owned by this body.
    const char* GetContent() const { return m_text.get(); }
    int GetContentLength() const { return m_textSize; }

    // Replaces `message` with the one held as this body's content; returns its Load result.
    int GetMessage(CMimeMessage& message) const;

    // A new part made by CMimeEnvironment::CreateBodyPart, inserted before `before` when that
    // is one of this body's parts, else appended. This body owns it.
    CMimeBody* CreatePart(const std::string& mainType = std::string(), CMimeBody* before = nullptr);
    // Removes and destroys `part` if it is one of this body's parts.
    void ErasePart(CMimeBody* part);
    // Destroys every part, last first.
    void DeleteAll();
    const PartList& GetParts() const { return m_parts; }

    // Append the leaves of the tree in depth-first order (every entity that is not multipart;
    // multipart entities contribute their parts' leaves), or only the leaves whose Content-Type
    // has a non-empty "name". The pointers live as long as the parts. Return the count added.
    int GetBodyPartList(std::vector<CMimeBody*>& out);
    int GetAttachmentList(std::vector<CMimeBody*>& out);

    void Clear() override;
    int GetLength() const override;
    // The header, the empty line and the content. Returns the byte count, 0 when the header
    // does not fit, or a negative StoreBodyOnly result.
    int Store(char* buffer, int size) const override;
    // The content in its transfer encoding, then the parts between delimiter lines. Parts that
    // do not fit are left out. Returns the byte count, or -1 when parts are to be written but
    // the Content-Type has no boundary.
    int StoreBodyOnly(char* buffer, int size) const;
    // Appends the header's fields and the parts found in the `size` bytes at `data`, replacing
    // the content; reads nothing outside them. Returns the bytes consumed, 0 when the header is
    // incomplete, or a negative result when decoding a content fails (what was parsed stays).
    int Load(const char* data, int size) override;

private:
    int CollectLeaves(std::vector<CMimeBody*>& out, bool attachmentsOnly);
    // Whether StoreBodyOnly writes delimiter lines after the content.
    bool HasPartSection() const;
    std::unique_ptr<CMimeCodeBase> TransferCoder() const;
    int LoadContent(const char* content, const char* contentEnd);
    int LoadParts(const char* data, int size, const char* delimiter, const std::string& needle);
    int LoadPart(const char* start, const char* end);
    void AdoptPart(std::unique_ptr<CMimeBody> part, CMimeBody* before);

    std::unique_ptr<char[]> m_text;
    int m_textSize = 0;
    PartList m_parts;
    int m_nestingDepth = 0; // multipart ancestors above this body
};
