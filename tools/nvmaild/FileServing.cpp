#include "tools/nvmaild/FileServing.h"

#include <sys/stat.h>

#include <array>
#include <iostream>
#include <utility>

#include "tools/nvmaild/DecimalText.h"

namespace nvmaild {

namespace {

enum class Kind { Missing, File, Folder };

Kind kindOf(const std::string& path, std::uint64_t& size) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return Kind::Missing;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    if (!S_ISREG(info.st_mode))
        return Kind::Missing;
    size = static_cast<std::uint64_t>(info.st_size);
    return Kind::File;
}

Response fileResponse(std::string path, std::uint64_t offset, std::uint64_t size) {
    Response response;
    response.contentType = FileServing::contentTypeOf(path);
    response.file = FileRange{std::move(path), offset, size - offset};
    return response;
}

} // namespace

FileServing::FileServing(std::string rootFolder, std::string filesFolder, std::string resumeParam)
    : m_rootFolder(std::move(rootFolder)), m_filesFolder(std::move(filesFolder)),
      m_resumeParam(std::move(resumeParam)) {}

std::string FileServing::resolve(const std::string& folder, std::string_view path) {
    if (folder.empty() || path.find('\0') != std::string_view::npos)
        return std::string();
    std::string resolved = folder;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == ".." || segment == ".")
            return std::string();
        if (!segment.empty())
            resolved += "/" + std::string(segment);
        start = end + 1;
    }
    return resolved;
}

std::string FileServing::contentTypeOf(std::string_view path) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 14> types{{
        {".html", "text/html; charset=utf-8"},
        {".htm", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".txt", "text/plain; charset=utf-8"},
        {".xml", "text/xml; charset=utf-8"},
        {".png", "image/png"},
        {".jpg", "image/jpeg"},
        {".gif", "image/gif"},
        {".svg", "image/svg+xml"},
        {".zip", "application/zip"},
        {".eml", "message/rfc822"},
        {".pdf", "application/pdf"},
    }};
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
        std::string extension(path.substr(dot));
        for (char& c : extension)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        for (const auto& [known, type] : types)
            if (extension == known)
                return std::string(type);
    }
    return "application/octet-stream";
}

Response FileServing::staticFile(std::string_view path) const {
    std::string resolved = resolve(m_rootFolder, path);
    std::uint64_t size = 0;
    Kind kind = kindOf(resolved, size);
    if (kind == Kind::Folder) {
        resolved += "/index.html";
        kind = kindOf(resolved, size);
    }
    if (kind != Kind::File)
        return Response::text(404, "not found\n");
    return fileResponse(std::move(resolved), 0, size);
}

Response FileServing::download(std::string_view relativePath, const QueryParams& query) const {
    std::string resolved = resolve(m_filesFolder, relativePath);
    std::uint64_t size = 0;
    if (kindOf(resolved, size) != Kind::File)
        return Response::text(404, "not found\n");
    const auto resume = query.get(m_resumeParam);
    std::uint64_t offset = 0;
    if (resume.state != QueryParams::State::Missing) {
        const auto value = parseDecimal(resume.value);
        if (resume.state == QueryParams::State::Repeated || !value)
            return Response::text(400, "bad " + m_resumeParam + "\n");
        offset = *value;
    }
    if (offset > size)
        return Response::text(416, m_resumeParam + " past the end of the file\n");
    // Where each download starts, so a run's output shows that a resume asked only for the rest.
    std::cout << "nvmaild: download /files/" << relativePath << " from " << offset << " of " << size
              << std::endl;
    return fileResponse(std::move(resolved), offset, size);
}

} // namespace nvmaild
