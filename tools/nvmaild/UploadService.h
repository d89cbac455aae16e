// The two endpoints of the resumable upload protocol: the query, which creates or finds an
// attachment and tells how much of it the server holds, and the block, which adds bytes to it.
// Both take decoded parameters and return the answer text, so they run without sockets.
// Thread contract: all members may be called from any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "tools/nvmaild/Limits.h"
#include "tools/nvmaild/QueryParams.h"

namespace nvmaild {

class Attachment;
class AttachmentStore;

class UploadService {
public:
    // The URL parameter naming the compose (draft) an upload belongs to; the page adds it through
    // the plug-in's extra arguments, which go into both URLs.
    static constexpr std::string_view kComposeParam = "composeId";

    // `store` must outlive the service.
    UploadService(AttachmentStore& store, Limits limits);
    UploadService(const UploadService&) = delete;
    UploadService& operator=(const UploadService&) = delete;

    Limits limits() const;
    // Applies `change` to the limits in force, atomically with respect to other changes; they
    // stay as they were when it returns false.
    bool updateLimits(const std::function<bool(Limits&)>& change);

    // The answer to a query: `urlQuery` holds the query URL's parameters, `form` the form body
    // ("fileName", "size", "crc", "attachId", optional "crc2" and "display").
    std::string query(const QueryParams& urlQuery, const QueryParams& form);

    // A block between its head and its answer. It holds the attachment's write claim, so no other
    // block writes to the attachment meanwhile; the claim ends with the ticket. Move-only.
    class BlockTicket {
    public:
        BlockTicket(std::shared_ptr<Attachment> attachment, std::uint64_t offset, bool deflated);
        BlockTicket(BlockTicket&& other) noexcept;
        BlockTicket& operator=(BlockTicket&&) = delete;
        BlockTicket(const BlockTicket&) = delete;
        BlockTicket& operator=(const BlockTicket&) = delete;
        ~BlockTicket();

        Attachment& attachment() const { return *m_attachment; }
        std::uint64_t offset() const { return m_offset; }
        bool deflated() const { return m_deflated; }

    private:
        std::shared_ptr<Attachment> m_attachment;
        std::uint64_t m_offset;
        bool m_deflated;
    };

    struct BlockStart {
        std::optional<BlockTicket> ticket; // set when the block may go on
        std::string refusal;               // the answer otherwise
    };

    // First half of a block, before its body is read: checks "offset", "attachId" and
    // "contentEncoding" and takes the claim.
    BlockStart beginBlock(const QueryParams& urlQuery);

    // Second half: inflates a deflated body, stores the bytes past those the server holds (a
    // resent block never rewrites stored bytes), and answers with the count held, plus "crcOK"
    // once the file is complete. With `storeHalf` (a fault for tests) only half of the new bytes
    // are stored and the smaller count is reported.
    std::string finishBlock(BlockTicket& ticket, std::string_view body, bool storeHalf);

private:
    AttachmentStore& m_store;
    mutable std::mutex m_mutex;
    Limits m_limits; // guarded by m_mutex
};

} // namespace nvmaild
