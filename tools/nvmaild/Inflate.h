// Inflation of a deflated block body (one zlib stream) with a cap on the output, so that a small
// body cannot expand into more memory than a block may hold.
// Thread contract: free function without shared state.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace nvmaild {

enum class InflateStatus {
    Ok,       // one complete zlib stream and nothing after it
    Corrupt,  // not a zlib stream, a truncated one, or bytes after its end
    TooLarge, // more than the cap of output
};

struct InflateResult {
    InflateStatus status = InflateStatus::Corrupt;
    std::string bytes; // the inflated bytes when Ok, empty otherwise
};

// REQUIRES: maxOutput < SIZE_MAX.
InflateResult inflateZlib(std::string_view compressed, size_t maxOutput);

} // namespace nvmaild
