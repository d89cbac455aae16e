#include "tools/nvmaild/Router.h"

#include <iostream>

#include "tools/nvmaild/AdminService.h"
#include "tools/nvmaild/FileServing.h"
#include "tools/nvmaild/ProtocolAnswers.h"

namespace nvmaild {

namespace {

constexpr std::string_view kQueryPath = "/upload/query";
constexpr std::string_view kBlockPath = "/upload/block";
constexpr std::string_view kFilesPrefix = "/files/";

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

Endpoint endpointOf(std::string_view path) {
    if (path == kQueryPath)
        return Endpoint::UploadQuery;
    if (path == kBlockPath)
        return Endpoint::UploadBlock;
    if (startsWith(path, kFilesPrefix))
        return Endpoint::Download;
    if (startsWith(path, "/admin/") || startsWith(path, "/control/"))
        return Endpoint::Admin;
    return Endpoint::Static;
}

bool methodAllowed(Endpoint endpoint, std::string_view method) {
    switch (endpoint) {
    case Endpoint::UploadQuery:
    case Endpoint::UploadBlock:
        return method == "POST";
    case Endpoint::Download:
        return method == "GET" || method == "HEAD" || method == "POST";
    case Endpoint::Admin:
        return method == "GET" || method == "POST";
    case Endpoint::Static:
        return method == "GET" || method == "HEAD";
    }
    return false;
}

Response protocolAnswer(Endpoint endpoint, std::string body) {
    Response response = Response::text(200, std::move(body));
    if (endpoint == Endpoint::UploadBlock)
        response.contentType = "text/xml; charset=utf-8";
    return response;
}

} // namespace

Router::Router(UploadService& uploads, AdminService* admin, const FileServing& files,
               FaultSwitches& faults)
    : m_uploads(uploads), m_admin(admin), m_files(files), m_faults(faults) {}

PendingRequest Router::begin(std::string_view method, std::string_view target) {
    PendingRequest request;
    const size_t question = target.find('?');
    const std::string_view rawPath = target.substr(0, question);
    request.endpoint = endpointOf(urlDecodePath(rawPath));
    // The plug-in writes a blank in a URL path as "+", so download paths decode it like a form.
    request.path =
        request.endpoint == Endpoint::Download ? urlDecode(rawPath) : urlDecodePath(rawPath);
    if (question != std::string_view::npos)
        request.query = QueryParams::parse(target.substr(question + 1));
    request.method = std::string(method);
    request.bodyLimit = kSmallBodyLimit;

    if (!methodAllowed(request.endpoint, method)) {
        request.early = Response::text(405, "method not allowed\n");
        return request;
    }
    switch (request.endpoint) {
    case Endpoint::UploadQuery:
        request.faults = m_faults.take(FaultTarget::Query);
        break;
    case Endpoint::UploadBlock: {
        request.faults = m_faults.take(FaultTarget::Block);
        request.bodyLimit = m_uploads.limits().maxBlockSize;
        UploadService::BlockStart start = m_uploads.beginBlock(request.query);
        if (start.ticket)
            request.ticket.emplace(std::move(*start.ticket));
        else
            request.early = protocolAnswer(Endpoint::UploadBlock, std::move(start.refusal));
        break;
    }
    case Endpoint::Download:
        request.faults = m_faults.take(FaultTarget::Download);
        break;
    case Endpoint::Admin:
        if (!m_admin)
            request.early = Response::text(404, "not found\n");
        break;
    case Endpoint::Static:
        break;
    }
    return request;
}

Response Router::finish(PendingRequest& request, std::string_view body) {
    Response response;
    if (request.early) {
        response = std::move(*request.early);
    } else {
        switch (request.endpoint) {
        case Endpoint::UploadQuery:
            response = protocolAnswer(request.endpoint,
                                      m_uploads.query(request.query, QueryParams::parse(body)));
            break;
        case Endpoint::UploadBlock:
            std::cout << "nvmaild: block of " << body.size() << " bytes" << std::endl;
            response =
                protocolAnswer(request.endpoint, m_uploads.finishBlock(*request.ticket, body,
                                                                       request.faults.storeHalf));
            break;
        case Endpoint::Download:
            response = m_files.download(request.path.substr(kFilesPrefix.size()), request.query);
            break;
        case Endpoint::Admin:
            response = m_admin->handle(request.path, request.query);
            break;
        case Endpoint::Static:
            response = m_files.staticFile(request.path);
            break;
        }
    }
    // The claim ends with the answer, so that the next block of the same upload, which the client
    // sends only after reading this answer, never finds the attachment busy.
    request.ticket.reset();
    if (request.faults.garbage)
        response = Response::text(200, *request.faults.garbage);
    return response;
}

Response Router::bodyTooLarge(const PendingRequest& request) {
    if (request.endpoint == Endpoint::UploadBlock)
        return protocolAnswer(request.endpoint, blockRefused(BlockRefusal::RequestTooLarge));
    return Response::text(413, "request body too large\n");
}

} // namespace nvmaild
