// Routes one HTTP request to its endpoint in two steps: `begin` from the request line alone, then
// `finish` with the body. A block is checked and its attachment claimed in `begin`, before a body
// of up to the block limit is read, so two uploads racing on one attachment are told apart at once.
//
//   POST /upload/query         the query (form body)
//   POST /upload/block         a block (raw or deflated body)
//   GET|HEAD|POST /files/...   a download from the files folder, resumable by parameter
//   /admin/..., /control/...   inspection and control for tests, when asked for (else 404)
//   GET|HEAD anything else     a static file from the root folder
//
// Thread contract: all members may be called from any thread; a PendingRequest belongs to the
// connection that began it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tools/nvmaild/FaultSwitches.h"
#include "tools/nvmaild/QueryParams.h"
#include "tools/nvmaild/Response.h"
#include "tools/nvmaild/UploadService.h"

namespace nvmaild {

class AdminService;
class FileServing;

enum class Endpoint { UploadQuery, UploadBlock, Download, Admin, Static };

struct PendingRequest {
    Endpoint endpoint = Endpoint::Static;
    std::string method;
    std::string path; // decoded
    QueryParams query;
    FaultPlan faults;                                 // what this request suffers
    std::uint64_t bodyLimit = 0;                      // larger bodies are refused unread
    std::optional<UploadService::BlockTicket> ticket; // a block's claim
    std::optional<Response> early;                    // the answer, when the head decides it
};

class Router {
public:
    // Bodies of requests other than blocks are forms and control calls: small.
    static constexpr std::uint64_t kSmallBodyLimit = 1 << 20;

    // All four must outlive the router. Without `admin` the inspection and control paths are
    // unknown: they would answer any page or host that reaches the port.
    Router(UploadService& uploads, AdminService* admin, const FileServing& files,
           FaultSwitches& faults);

    // `target` is the request target as sent ("/upload/block?offset=0&attachId=..").
    PendingRequest begin(std::string_view method, std::string_view target);

    Response finish(PendingRequest& request, std::string_view body);

    // The answer to a request whose body is larger than its `bodyLimit`.
    static Response bodyTooLarge(const PendingRequest& request);

private:
    UploadService& m_uploads;
    AdminService* m_admin;
    const FileServing& m_files;
    FaultSwitches& m_faults;
};

} // namespace nvmaild
