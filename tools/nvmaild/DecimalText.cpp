#include "tools/nvmaild/DecimalText.h"

#include <limits>

namespace nvmaild {

std::optional<std::uint64_t> parseDecimal(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    constexpr std::uint64_t max = std::numeric_limits<std::uint64_t>::max();
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        const unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::optional<std::int32_t> parseSignedCrc(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const auto magnitude = parseDecimal(negative ? text.substr(1) : text);
    if (!magnitude)
        return std::nullopt;
    constexpr std::uint64_t maxPositive = std::numeric_limits<std::int32_t>::max();
    if (negative) {
        if (*magnitude > maxPositive + 1)
            return std::nullopt;
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(*magnitude));
    }
    if (*magnitude > maxPositive)
        return std::nullopt;
    return static_cast<std::int32_t>(*magnitude);
}

} // namespace nvmaild
