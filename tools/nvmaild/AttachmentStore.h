// Every attachment of the running server by id, their data files in one folder, and the compose
// ids the server knows.
// Thread contract: all members may be called from any thread. Lock order: the store's mutex
// before an attachment's, never the other way.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "tools/nvmaild/Attachment.h"

namespace nvmaild {

class AttachmentStore {
public:
    // REQUIRES: `folder` exists and is writable; the store owns the data files it puts there.
    explicit AttachmentStore(std::string folder);
    AttachmentStore(const AttachmentStore&) = delete;
    AttachmentStore& operator=(const AttachmentStore&) = delete;

    enum class AddStatus { Added, TooManyFiles, StorageFailed };
    struct AddResult {
        AddStatus status = AddStatus::StorageFailed;
        std::shared_ptr<Attachment> attachment; // set when Added
        std::string error;                      // the system's text when StorageFailed
    };

    // Adds an attachment to its compose unless the compose already holds `maxFilesPerCompose`
    // (0: no limit). When the declaration carries a "crc2" and a verified attachment of the same
    // size and checksums exists, the new one shares its file and is complete at once.
    AddResult add(Attachment::Declaration declaration, std::uint64_t maxFilesPerCompose);

    // Null when no attachment has this id.
    std::shared_ptr<Attachment> find(const std::string& id) const;
    // Every attachment, in the order they were added.
    std::vector<std::shared_ptr<Attachment>> list() const;
    // Drops every attachment and deletes the data files. Blocks in flight are refused from then on.
    void reset();

    void addCompose(const std::string& composeId);
    void removeCompose(const std::string& composeId);
    bool knowsCompose(const std::string& composeId) const;

private:
    std::shared_ptr<Attachment>
    findVerifiedLocked(const Attachment::Declaration& declaration) const;

    const std::string m_folder;
    // Ids of one run differ from those of another, so that a page holding an id from before a
    // restart is told the attachment is unknown instead of reaching someone else's.
    const std::string m_runTag;

    mutable std::mutex m_mutex;
    std::uint64_t m_lastNumber = 0;                                  // guarded by m_mutex
    std::map<std::uint64_t, std::shared_ptr<Attachment>> m_byNumber; // guarded by m_mutex
    std::map<std::string, std::uint64_t> m_numberById;               // guarded by m_mutex
    std::set<std::string> m_composes;                                // guarded by m_mutex
};

} // namespace nvmaild
