// What an endpoint answers, before it meets a socket: a status, a content type and either a text
// body or a range of a file that the connection streams.
// Thread contract: a plain value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace nvmaild {

struct FileRange {
    std::string path;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
};

struct Response {
    unsigned status = 200;
    std::string contentType = "text/plain; charset=utf-8";
    std::string body;              // sent when `file` is empty
    std::optional<FileRange> file; // streamed in pieces instead of `body`

    static Response text(unsigned status, std::string body) {
        Response response;
        response.status = status;
        response.body = std::move(body);
        return response;
    }
};

} // namespace nvmaild
