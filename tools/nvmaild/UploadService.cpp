#include "tools/nvmaild/UploadService.h"

#include <algorithm>

#include "tools/nvmaild/AttachmentStore.h"
#include "tools/nvmaild/DecimalText.h"
#include "tools/nvmaild/Inflate.h"
#include "tools/nvmaild/ProtocolAnswers.h"
#include "tools/nvmaild/UploadDigest.h"

namespace nvmaild {

namespace {

// "crc2" is Base64 of 16 MD5 and 20 SHA-1 bytes: exactly 48 characters, never padded.
bool isCrc2Text(const std::string& text) {
    return text.size() == 48 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '+' || c == '/';
           });
}

// Reads the form into a declaration; on failure names the offending field in `badField`.
std::optional<Attachment::Declaration>
readDeclaration(const QueryParams& form, std::string composeId, std::string& badField) {
    Attachment::Declaration declaration;
    declaration.composeId = std::move(composeId);
    const auto fileName = form.get("fileName");
    const auto size = form.get("size");
    const auto crc = form.get("crc");
    const auto crc2 = form.get("crc2");
    const auto display = form.get("display");
    const auto sizeValue = parseDecimal(size.value);
    const auto crcValue = parseSignedCrc(crc.value);
    if (fileName.state != QueryParams::State::Present)
        badField = "fileName";
    else if (size.state != QueryParams::State::Present || !sizeValue)
        badField = "size";
    else if (crc.state != QueryParams::State::Present || !crcValue)
        badField = "crc";
    else if (crc2.state == QueryParams::State::Repeated ||
             (!crc2.value.empty() && !isCrc2Text(crc2.value)))
        badField = "crc2";
    else if (display.state == QueryParams::State::Repeated)
        badField = "display";
    // An empty file has exactly one CRC-32 and one crc2; any other is a malformed query.
    else if (*sizeValue == 0 && !UploadDigest().matches(*crcValue, crc2.value))
        badField = "crc";
    if (!badField.empty())
        return std::nullopt;
    declaration.fileName = fileName.value;
    declaration.displayName = display.value;
    declaration.size = *sizeValue;
    declaration.crc = *crcValue;
    declaration.crc2 = crc2.value;
    return declaration;
}

bool sameFile(const Attachment::Declaration& held, const Attachment::Declaration& asked) {
    return held.size == asked.size && held.crc == asked.crc &&
           (held.crc2.empty() || asked.crc2.empty() || held.crc2 == asked.crc2);
}

} // namespace

UploadService::BlockTicket::BlockTicket(std::shared_ptr<Attachment> attachment,
                                        std::uint64_t offset, bool deflated)
    : m_attachment(std::move(attachment)), m_offset(offset), m_deflated(deflated) {}

UploadService::BlockTicket::BlockTicket(BlockTicket&& other) noexcept
    : m_attachment(std::move(other.m_attachment)), m_offset(other.m_offset),
      m_deflated(other.m_deflated) {}

UploadService::BlockTicket::~BlockTicket() {
    if (m_attachment)
        m_attachment->release();
}

UploadService::UploadService(AttachmentStore& store, Limits limits)
    : m_store(store), m_limits(limits) {}

Limits UploadService::limits() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_limits;
}

bool UploadService::updateLimits(const std::function<bool(Limits&)>& change) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Limits changed = m_limits;
    if (!change(changed))
        return false;
    m_limits = changed;
    return true;
}

std::string UploadService::query(const QueryParams& urlQuery, const QueryParams& form) {
    const Limits limits = this->limits();
    const auto compose = urlQuery.get(kComposeParam);
    if (compose.state == QueryParams::State::Repeated)
        return queryRefused(QueryRefusal::InvalidParameter, kComposeParam);
    if (limits.requireCompose && !m_store.knowsCompose(compose.value))
        return queryRefused(QueryRefusal::ComposeNotFound);

    std::string badField;
    auto declaration = readDeclaration(form, compose.value, badField);
    const auto attachId = form.get("attachId");
    if (!declaration)
        return queryRefused(QueryRefusal::InvalidParameter, badField);
    if (attachId.state != QueryParams::State::Present || attachId.value.empty())
        return queryRefused(QueryRefusal::InvalidParameter, "attachId");

    std::shared_ptr<Attachment> attachment;
    if (attachId.value == "-1") {
        if (declaration->size > limits.maxFileSize)
            return queryRefused(QueryRefusal::Overflow);
        auto added = m_store.add(*declaration, limits.maxFilesPerCompose);
        if (added.status == AttachmentStore::AddStatus::TooManyFiles)
            return queryRefused(QueryRefusal::FileCountOverflow);
        if (added.status == AttachmentStore::AddStatus::StorageFailed)
            return queryRefused(QueryRefusal::StorageFailed);
        attachment = std::move(added.attachment);
    } else {
        attachment = m_store.find(attachId.value);
        if (!attachment)
            return queryRefused(QueryRefusal::AttachmentNotFound);
        if (!sameFile(attachment->declaration(), *declaration))
            return queryRefused(QueryRefusal::AttachmentMismatch);
        if (limits.requireCompose && !m_store.knowsCompose(attachment->declaration().composeId))
            return queryRefused(QueryRefusal::ComposeNotFound);
    }
    const Attachment::Snapshot state = attachment->snapshot();
    if (state.removed)
        return queryRefused(QueryRefusal::AttachmentNotFound);
    // Only a file checked against the same crc2 counts as held by checksum; without one the
    // page learns the offset and finishes by size.
    const bool holdsVerifiedFile = state.verified && !declaration->crc2.empty() &&
                                   attachment->declaration().crc2 == declaration->crc2;
    return queryAccepted(attachment->id(), state.held, holdsVerifiedFile, limits.acceptDeflate);
}

UploadService::BlockStart UploadService::beginBlock(const QueryParams& urlQuery) {
    const Limits limits = this->limits();
    const auto refuse = [](BlockRefusal refusal, std::string_view detail = {}) {
        return BlockStart{std::nullopt, blockRefused(refusal, detail)};
    };
    const auto offsetParam = urlQuery.get("offset");
    const auto offset = parseDecimal(offsetParam.value);
    if (offsetParam.state != QueryParams::State::Present || !offset)
        return refuse(BlockRefusal::InvalidParameter, "offset");
    const auto attachId = urlQuery.get("attachId");
    if (attachId.state != QueryParams::State::Present || attachId.value.empty())
        return refuse(BlockRefusal::InvalidParameter, "attachId");
    const auto encoding = urlQuery.get("contentEncoding");
    const bool deflated = encoding.state != QueryParams::State::Missing;
    if (deflated && (encoding.state == QueryParams::State::Repeated ||
                     encoding.value != "deflate" || !limits.acceptDeflate))
        return refuse(BlockRefusal::InvalidParameter, "contentEncoding");

    auto attachment = m_store.find(attachId.value);
    if (!attachment)
        return refuse(BlockRefusal::AttachmentNotFound);
    if (limits.requireCompose && !m_store.knowsCompose(attachment->declaration().composeId))
        return refuse(BlockRefusal::ComposeNotFound);
    switch (attachment->claim(*offset)) {
    case Attachment::Claim::Granted:
        break;
    case Attachment::Claim::Removed:
        return refuse(BlockRefusal::AttachmentNotFound);
    case Attachment::Claim::Busy:
        return refuse(BlockRefusal::AttachmentBusy);
    case Attachment::Claim::OffsetPastHeld:
        return refuse(BlockRefusal::InvalidOffset, "offset past the bytes held");
    }
    return BlockStart{BlockTicket(std::move(attachment), *offset, deflated), std::string()};
}

std::string UploadService::finishBlock(BlockTicket& ticket, std::string_view body, bool storeHalf) {
    const Limits limits = this->limits();
    Attachment& attachment = ticket.attachment();
    const std::uint64_t size = attachment.declaration().size;
    const std::uint64_t offset = ticket.offset();
    const std::uint64_t room = size - offset; // the claim holds offset <= held <= size

    std::string inflated;
    std::string_view bytes = body;
    if (ticket.deflated()) {
        const std::uint64_t cap = std::min(room, limits.maxBlockSize);
        InflateResult result = inflateZlib(body, static_cast<size_t>(cap));
        if (result.status == InflateStatus::Corrupt)
            return blockRefused(BlockRefusal::InvalidContent, "body does not inflate");
        if (result.status == InflateStatus::TooLarge)
            return cap == room ? blockRefused(BlockRefusal::SizeExceeded, "past the declared size")
                               : blockRefused(BlockRefusal::RequestTooLarge);
        inflated = std::move(result.bytes);
        bytes = inflated;
    } else if (bytes.size() > limits.maxBlockSize) {
        return blockRefused(BlockRefusal::RequestTooLarge);
    }
    if (bytes.size() > room)
        return blockRefused(BlockRefusal::SizeExceeded, "past the declared size");
    if (offset + bytes.size() > limits.maxFileSize)
        return blockRefused(BlockRefusal::SizeExceeded, "over the size limit");

    // Bytes below the held count were stored by an earlier block; writing them again could only
    // replace good bytes with different ones.
    const std::uint64_t held = attachment.snapshot().held;
    std::string_view fresh = bytes.substr(std::min<std::uint64_t>(held - offset, bytes.size()));
    if (storeHalf)
        fresh = fresh.substr(0, fresh.size() / 2);
    const Attachment::AppendResult result = attachment.append(fresh);
    if (!result.written)
        return attachment.snapshot().removed ? blockRefused(BlockRefusal::AttachmentNotFound)
                                             : blockRefused(BlockRefusal::StorageFailed);
    if (result.checked || result.verified)
        return blockChecked(result.held, result.verified);
    return blockStored(result.held);
}

} // namespace nvmaild
