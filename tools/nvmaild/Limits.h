// The limits and switches of the upload endpoints that tests change while the server runs.
// Thread contract: a plain value; `UploadService` guards the copy in force.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace nvmaild {

struct Limits {
    // Largest attachment a query may announce ("overflow") and a block may fill
    // ("FA_UPLOAD_SIZE_EXCEEDED" when it was lowered after the query).
    std::uint64_t maxFileSize = std::uint64_t{4} << 30;
    // Largest block body, raw or inflated. The plug-in's automatic block is a hundredth of the
    // file, so this admits files up to about 12 GiB in automatic blocks.
    std::uint64_t maxBlockSize = std::uint64_t{128} << 20;
    // Attachments per compose; 0 means no limit ("file_count_overflow").
    std::uint64_t maxFilesPerCompose = 0;
    // Every query and block must belong to a known compose ("compose_not_found").
    bool requireCompose = false;
    // Announce "acceptEncoding=deflate"; without it, deflated blocks are refused.
    bool acceptDeflate = true;
};

// Sets the limit named by `key` ("maxFileSize", "maxBlockSize", "maxFiles", "requireCompose",
// "acceptDeflate") from its text (decimal, or 0/1 for the switches). Returns false with a
// message in `error` for an unknown key or a bad value; `limits` is then unchanged.
bool setLimit(Limits& limits, std::string_view key, std::string_view value, std::string& error);

// The limits as "key=value" lines, in the names `setLimit` takes.
std::string describeLimits(const Limits& limits);

} // namespace nvmaild
