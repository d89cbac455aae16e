// Inspection and control URLs for tests, so that one running server serves many test pages:
//   /admin/list, /admin/attachment?id=, /admin/reset,
//   /control/fault?target=&kind=[&count=&ms=&bytes=&text=], /control/faults, /control/clear,
//   /control/limits[?key=value...], /control/compose?add=|remove=.
// Thread contract: all members may be called from any thread.
#pragma once

#include <string_view>

#include "tools/nvmaild/QueryParams.h"
#include "tools/nvmaild/Response.h"

namespace nvmaild {

class AttachmentStore;
class FaultSwitches;
class UploadService;

class AdminService {
public:
    // All three must outlive the service.
    AdminService(AttachmentStore& store, UploadService& uploads, FaultSwitches& faults);

    // `path` is the decoded URL path, starting with "/admin/" or "/control/". Unknown paths give
    // 404, bad parameters 400 with a one-line reason; nothing changes on failure.
    Response handle(std::string_view path, const QueryParams& query);

private:
    Response describeAttachment(const QueryParams& query) const;
    Response listAttachments() const;
    Response changeLimits(const QueryParams& query);
    Response changeComposes(const QueryParams& query);

    AttachmentStore& m_store;
    UploadService& m_uploads;
    FaultSwitches& m_faults;
};

} // namespace nvmaild
