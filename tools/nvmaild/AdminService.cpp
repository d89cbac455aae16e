#include "tools/nvmaild/AdminService.h"

#include "tools/nvmaild/AttachmentStore.h"
#include "tools/nvmaild/FaultSwitches.h"
#include "tools/nvmaild/UploadDigest.h"
#include "tools/nvmaild/UploadService.h"

namespace nvmaild {

namespace {

// Values are URL-encoded so that a file name cannot break the one-line-per-attachment layout.
std::string attachmentLine(const Attachment& attachment) {
    const Attachment::Declaration& declared = attachment.declaration();
    const Attachment::Snapshot state = attachment.snapshot();
    return "id=" + urlEncode(attachment.id()) + "&fileName=" + urlEncode(declared.fileName) +
           "&display=" + urlEncode(declared.displayName) +
           "&composeId=" + urlEncode(declared.composeId) +
           "&size=" + std::to_string(declared.size) + "&held=" + std::to_string(state.held) +
           "&verified=" + (state.verified ? "1" : "0") + "\n";
}

} // namespace

AdminService::AdminService(AttachmentStore& store, UploadService& uploads, FaultSwitches& faults)
    : m_store(store), m_uploads(uploads), m_faults(faults) {}

Response AdminService::handle(std::string_view path, const QueryParams& query) {
    if (path == "/admin/list")
        return listAttachments();
    if (path == "/admin/attachment")
        return describeAttachment(query);
    if (path == "/admin/reset") {
        m_store.reset();
        return Response::text(200, "OK\n");
    }
    if (path == "/control/fault") {
        std::string error;
        if (!m_faults.arm(query, error))
            return Response::text(400, error + "\n");
        return Response::text(200, "OK\n");
    }
    if (path == "/control/faults")
        return Response::text(200, m_faults.describe());
    if (path == "/control/clear") {
        m_faults.clear();
        return Response::text(200, "OK\n");
    }
    if (path == "/control/limits")
        return changeLimits(query);
    if (path == "/control/compose")
        return changeComposes(query);
    return Response::text(404, "not found\n");
}

Response AdminService::listAttachments() const {
    std::string lines;
    for (const auto& attachment : m_store.list())
        lines += attachmentLine(*attachment);
    return Response::text(200, lines);
}

// The SHA-1 is read back from the data file, so a test compares what is really on disk.
Response AdminService::describeAttachment(const QueryParams& query) const {
    const auto id = query.get("id");
    const auto attachment = m_store.find(id.value);
    if (id.state != QueryParams::State::Present || !attachment)
        return Response::text(404, "no such attachment\n");
    const Attachment::Snapshot state = attachment->snapshot();
    const auto sha1 = fileSha1Hex(attachment->dataPath(), state.held);
    if (!sha1)
        return Response::text(500, "data file unreadable\n");
    std::string body = attachmentLine(*attachment);
    body.pop_back();
    return Response::text(200, body + "&sha1=" + *sha1 + "\n");
}

Response AdminService::changeLimits(const QueryParams& query) {
    std::string error;
    const bool changed = m_uploads.updateLimits([&](Limits& limits) {
        for (const auto& [key, value] : query.pairs())
            if (!setLimit(limits, key, value, error))
                return false;
        return true;
    });
    if (!changed)
        return Response::text(400, error + "\n");
    return Response::text(200, describeLimits(m_uploads.limits()));
}

Response AdminService::changeComposes(const QueryParams& query) {
    const auto add = query.get("add");
    const auto remove = query.get("remove");
    if (add.state == QueryParams::State::Repeated || remove.state == QueryParams::State::Repeated ||
        (add.state == QueryParams::State::Missing && remove.state == QueryParams::State::Missing))
        return Response::text(400, "give add=<composeId> or remove=<composeId>\n");
    if (add.state == QueryParams::State::Present)
        m_store.addCompose(add.value);
    if (remove.state == QueryParams::State::Present)
        m_store.removeCompose(remove.value);
    return Response::text(200, "OK\n");
}

} // namespace nvmaild
