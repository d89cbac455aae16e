// Decoded key/value pairs of a URL query text or a form body, in order of appearance.
// Thread contract: immutable after `parse`; const members may be called from any thread.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nvmaild {

// Decodes "+" as a blank and "%" with two hex digits as one byte; any other "%" stays as it is.
std::string urlDecode(std::string_view text);

// The same for a URL path as browsers write it, where "+" is a plus sign.
std::string urlDecodePath(std::string_view text);

// Encodes every byte except letters, digits and "-._~" as "%" and two upper-case hex digits, so the
// result can stand as a value in a query text or in a line of an inspection answer.
std::string urlEncode(std::string_view text);

class QueryParams {
public:
    enum class State { Missing, Present, Repeated };
    struct Param {
        State state = State::Missing;
        std::string value; // empty unless state is Present
    };

    // Splits at "&" and at the first "=" of each piece; empty pieces give nothing, a piece without
    // "=" gives an empty value.
    static QueryParams parse(std::string_view text);

    // A key given more than once is Repeated: the protocol never sends one twice, and guessing
    // which copy the sender meant could write a block at the wrong place.
    Param get(std::string_view key) const;

    const std::vector<std::pair<std::string, std::string>>& pairs() const { return m_pairs; }

private:
    std::vector<std::pair<std::string, std::string>> m_pairs;
};

} // namespace nvmaild
