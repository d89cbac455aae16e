#include "tools/nvmaild/Limits.h"

#include "tools/nvmaild/DecimalText.h"

namespace nvmaild {

namespace {

// A block body is held in memory whole; past this a single request could exhaust it.
constexpr std::uint64_t kMaxBlockSizeLimit = std::uint64_t{2} << 30;

bool readSwitch(std::string_view value, bool& target) {
    if (value != "0" && value != "1")
        return false;
    target = value == "1";
    return true;
}

} // namespace

bool setLimit(Limits& limits, std::string_view key, std::string_view value, std::string& error) {
    const auto number = parseDecimal(value);
    bool ok = true;
    if (key == "maxFileSize" && number)
        limits.maxFileSize = *number;
    else if (key == "maxBlockSize" && number && *number > 0 && *number <= kMaxBlockSizeLimit)
        limits.maxBlockSize = *number;
    else if (key == "maxFiles" && number)
        limits.maxFilesPerCompose = *number;
    else if (key == "requireCompose")
        ok = readSwitch(value, limits.requireCompose);
    else if (key == "acceptDeflate")
        ok = readSwitch(value, limits.acceptDeflate);
    else
        ok = false;
    if (!ok)
        error = "bad limit " + std::string(key) + "=" + std::string(value);
    return ok;
}

std::string describeLimits(const Limits& limits) {
    return "maxFileSize=" + std::to_string(limits.maxFileSize) +
           "\nmaxBlockSize=" + std::to_string(limits.maxBlockSize) +
           "\nmaxFiles=" + std::to_string(limits.maxFilesPerCompose) +
           "\nrequireCompose=" + (limits.requireCompose ? "1" : "0") +
           "\nacceptDeflate=" + (limits.acceptDeflate ? "1" : "0") + "\n";
}

} // namespace nvmaild
