// One attachment of the store: what its query declared, the bytes held so far in its data file,
// and whether the complete file was verified against the declared checksums.
//
// Thread contract: all members may be called from any thread. Block writes are serialised by a
// claim: only the holder of the claim (`claim` granted, then `release`) calls `append`, so the
// bytes past `held` and the running digest belong to it alone; `m_mutex` guards the counts and
// flags that queries, other blocks and inspection read.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "tools/nvmaild/UploadDigest.h"

namespace nvmaild {

class Attachment {
    struct Key {
        explicit Key() = default;
    };

public:
    struct Declaration {
        std::string fileName;
        std::string displayName;
        std::string composeId; // empty when the query named no compose
        std::uint64_t size = 0;
        std::int32_t crc = 0;
        std::string crc2; // empty when the query sent none
    };

    enum class Claim { Granted, Removed, Busy, OffsetPastHeld };

    struct AppendResult {
        bool written = false; // false: the data file could not be written and nothing was counted
        std::uint64_t held = 0;
        bool checked = false; // this append completed the file and checked its checksums
        bool verified = false;
    };

    struct Snapshot {
        std::uint64_t held = 0;
        bool verified = false;
        bool removed = false;
    };

    // Creates the empty data file, truncating one an earlier run left under the same name.
    // Returns null with the system's error text in `error` when the file cannot be created.
    // An attachment of size 0 is complete at once and verified when the declaration fits no bytes.
    static std::shared_ptr<Attachment> create(std::string id, Declaration declaration,
                                              std::string dataPath, std::string& error);

    // A complete, verified attachment under a new id that shares the data file of `origin`.
    // Sharing is safe because a verified file is never written again.
    // REQUIRES: origin is verified.
    static std::shared_ptr<Attachment> shareVerified(std::string id, Declaration declaration,
                                                     const Attachment& origin);

    Attachment(Key, std::string id, Declaration declaration, std::string dataPath,
               std::uint64_t held, bool verified);
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    const std::string& id() const { return m_id; }
    const Declaration& declaration() const { return m_declaration; }
    const std::string& dataPath() const { return m_dataPath; }
    Snapshot snapshot() const;

    // Takes the one write claim for a block that starts at `offset`. Refused when the store
    // dropped the attachment, when another block holds the claim (two uploads racing), or when
    // the block would leave a gap after the bytes held.
    Claim claim(std::uint64_t offset);
    // REQUIRES: the caller holds the claim.
    void release();

    // Writes `bytes` right after the bytes held and counts them. When they complete the file,
    // checks the declared checksums; a file that fails the check is emptied (held back to 0) so
    // that a restarted upload sends it again instead of being told the server holds it.
    // REQUIRES: the caller holds the claim; held + bytes.size() <= declared size.
    AppendResult append(std::string_view bytes);

    // Refuses every later claim and append; the store calls it before deleting the data file.
    void markRemoved();

private:
    const std::string m_id;
    const Declaration m_declaration;
    const std::string m_dataPath;

    mutable std::mutex m_mutex;
    std::uint64_t m_held;   // guarded by m_mutex
    bool m_verified;        // guarded by m_mutex
    bool m_busy = false;    // guarded by m_mutex
    bool m_removed = false; // guarded by m_mutex

    UploadDigest m_digest; // owned by the claim holder
};

} // namespace nvmaild
