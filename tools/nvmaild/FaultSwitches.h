// Faults that tests switch on to see how a client copes: a dropped connection, a block stored
// only in part, a garbage answer, a slow answer, a slow download. Each switch applies to the next
// request(s) of one endpoint, once, N times or until cleared, then clears itself.
// Thread contract: all members may be called from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "tools/nvmaild/QueryParams.h"

namespace nvmaild {

enum class FaultTarget { Query, Block, Download };
enum class FaultKind { Drop, Partial, Garbage, Delay, Throttle };

// What the next request of a target suffers. Several switches of one target may fire together.
struct FaultPlan {
    // Close the connection without an answer: a query after its body, a block after part of its
    // body (`dropAfterBytes`, default half), a download after part of the file (same default).
    bool drop = false;
    std::optional<std::uint64_t> dropAfterBytes;
    // Block only: store half of the new bytes and report the smaller count.
    bool storeHalf = false;
    // Answer this text instead of the real answer (query and block).
    std::optional<std::string> garbage;
    // Wait this long before answering.
    unsigned delayMs = 0;
    // Download only: wait this long after every piece of the file sent.
    unsigned throttleMs = 0;
};

class FaultSwitches {
public:
    // The answer of a garbage switch without "text": no "S_OK", no error code the plug-in knows.
    static constexpr std::string_view kDefaultGarbage = "\x01\x7f garbage <not an answer> \xff\n";

    // Arms one switch from parameters: "target" (query, block, download), "kind" (drop, partial,
    // garbage, delay, throttle), "count" (a number, default 1, or "always"), and "ms" (delay,
    // throttle), "bytes" (drop), "text" (garbage). A switch of the same target and kind replaces
    // the armed one. Returns false with a message in `error` for a bad or unsupported switch.
    bool arm(const QueryParams& params, std::string& error);

    // The plan for one request of `target`; each armed switch of the target fires and counts down.
    FaultPlan take(FaultTarget target);

    void clear();

    // One line per armed switch, in the parameters `arm` takes.
    std::string describe() const;

private:
    struct Armed {
        std::optional<std::uint64_t> remaining; // nullopt: until cleared
        std::uint64_t number = 0;               // ms for delay and throttle, bytes for drop
        bool hasNumber = false;
        std::string text;
    };

    mutable std::mutex m_mutex;
    std::map<std::pair<FaultTarget, FaultKind>, Armed> m_armed; // guarded by m_mutex
};

} // namespace nvmaild
