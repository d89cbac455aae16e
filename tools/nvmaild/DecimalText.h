// Strict reading of the decimal numbers that protocol fields and switches carry.
// Thread contract: free functions without state.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace nvmaild {

// Digits only: no sign, no blank, at least one digit, no value past 2^64 - 1. A lenient reading
// ("12abc" as 12, "-1" as a huge number) would let a malformed offset write a block at the
// wrong place.
std::optional<std::uint64_t> parseDecimal(std::string_view text);

// A CRC-32 as the protocol writes it: the register read as a signed 32-bit number in decimal,
// with "-" when the top bit is set ("-873187034"). Values outside the signed 32-bit range fail.
std::optional<std::int32_t> parseSignedCrc(std::string_view text);

} // namespace nvmaild
