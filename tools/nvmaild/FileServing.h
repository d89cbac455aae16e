// Static pages from a root folder and resumable downloads from a files folder. A download starts
// at the byte offset given by a query parameter whose name the page chooses (default "pos"),
// because the plug-in resumes by appending "<name>=<offset>" to the URL.
// Thread contract: immutable after construction; const members may be called from any thread.
#pragma once

#include <string>
#include <string_view>

#include "tools/nvmaild/QueryParams.h"
#include "tools/nvmaild/Response.h"

namespace nvmaild {

class FileServing {
public:
    // An empty folder serves nothing (404).
    FileServing(std::string rootFolder, std::string filesFolder, std::string resumeParam);

    // `path` is the decoded URL path; "/" and folders serve their "index.html".
    Response staticFile(std::string_view path) const;

    // `relativePath` is the decoded URL path below the downloads prefix. The file from the
    // resume offset to its end, with status 200 (the plug-in resumes by parameter, not by range):
    // 400 for a malformed or repeated offset, 416 for one past the end, 404 for a missing file.
    Response download(std::string_view relativePath, const QueryParams& query) const;

    // The full path of a URL path below `folder`, or empty when it is not a plain path there
    // ("..", ".", a NUL byte) or the folder is empty.
    static std::string resolve(const std::string& folder, std::string_view path);

    // Content type by file extension; "application/octet-stream" when unknown.
    static std::string contentTypeOf(std::string_view path);

private:
    const std::string m_rootFolder;
    const std::string m_filesFolder;
    const std::string m_resumeParam;
};

} // namespace nvmaild
