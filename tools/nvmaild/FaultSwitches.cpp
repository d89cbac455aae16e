#include "tools/nvmaild/FaultSwitches.h"

#include <algorithm>
#include <array>

#include "tools/nvmaild/DecimalText.h"

namespace nvmaild {

namespace {

constexpr std::array<std::pair<std::string_view, FaultTarget>, 3> kTargets{{
    {"query", FaultTarget::Query},
    {"block", FaultTarget::Block},
    {"download", FaultTarget::Download},
}};

constexpr std::array<std::pair<std::string_view, FaultKind>, 5> kKinds{{
    {"drop", FaultKind::Drop},
    {"partial", FaultKind::Partial},
    {"garbage", FaultKind::Garbage},
    {"delay", FaultKind::Delay},
    {"throttle", FaultKind::Throttle},
}};

// Delays long enough to outlast any client timeout only stall the tests that set them.
constexpr std::uint64_t kMaxMs = 600000;

template <typename Table, typename Value> std::string_view nameOf(const Table& table, Value value) {
    for (const auto& [name, entry] : table)
        if (entry == value)
            return name;
    return "?";
}

template <typename Table>
std::optional<typename Table::value_type::second_type> lookup(const Table& table,
                                                              std::string_view name) {
    for (const auto& [entryName, entry] : table)
        if (entryName == name)
            return entry;
    return std::nullopt;
}

} // namespace

bool FaultSwitches::arm(const QueryParams& params, std::string& error) {
    const auto target = lookup(kTargets, params.get("target").value);
    const auto kind = lookup(kKinds, params.get("kind").value);
    if (!target || !kind) {
        error = "a switch needs target=query|block|download and "
                "kind=drop|partial|garbage|delay|throttle";
        return false;
    }
    const bool supported = (*kind == FaultKind::Partial && *target == FaultTarget::Block) ||
                           (*kind == FaultKind::Throttle && *target == FaultTarget::Download) ||
                           (*kind == FaultKind::Garbage && *target != FaultTarget::Download) ||
                           *kind == FaultKind::Drop || *kind == FaultKind::Delay;
    if (!supported) {
        error = "kind " + std::string(nameOf(kKinds, *kind)) + " does not apply to target " +
                std::string(nameOf(kTargets, *target));
        return false;
    }

    Armed armed;
    const auto count = params.get("count");
    if (count.value == "always") {
        armed.remaining = std::nullopt;
    } else if (count.state == QueryParams::State::Missing) {
        armed.remaining = 1;
    } else {
        armed.remaining = parseDecimal(count.value);
        if (!armed.remaining || *armed.remaining == 0) {
            error = "count must be a positive number or always";
            return false;
        }
    }
    const char* numberKey = *kind == FaultKind::Drop ? "bytes" : "ms";
    const auto number = params.get(numberKey);
    const bool needsNumber = *kind == FaultKind::Delay || *kind == FaultKind::Throttle;
    if (number.state != QueryParams::State::Missing || needsNumber) {
        const auto value = parseDecimal(number.value);
        if (!value || (needsNumber && *value > kMaxMs)) {
            error = std::string(numberKey) + " must be a number" +
                    (needsNumber ? " of at most 600000" : "");
            return false;
        }
        armed.number = *value;
        armed.hasNumber = true;
    }
    const auto text = params.get("text");
    armed.text =
        text.state == QueryParams::State::Present ? text.value : std::string(kDefaultGarbage);

    std::lock_guard<std::mutex> lock(m_mutex);
    m_armed[{*target, *kind}] = std::move(armed);
    return true;
}

FaultPlan FaultSwitches::take(FaultTarget target) {
    FaultPlan plan;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_armed.begin(); it != m_armed.end();) {
        const auto [armedTarget, kind] = it->first;
        Armed& armed = it->second;
        if (armedTarget != target) {
            ++it;
            continue;
        }
        switch (kind) {
        case FaultKind::Drop:
            plan.drop = true;
            if (armed.hasNumber)
                plan.dropAfterBytes = armed.number;
            break;
        case FaultKind::Partial:
            plan.storeHalf = true;
            break;
        case FaultKind::Garbage:
            plan.garbage = armed.text;
            break;
        case FaultKind::Delay:
            plan.delayMs = static_cast<unsigned>(armed.number);
            break;
        case FaultKind::Throttle:
            plan.throttleMs = static_cast<unsigned>(armed.number);
            break;
        }
        if (armed.remaining && --*armed.remaining == 0)
            it = m_armed.erase(it);
        else
            ++it;
    }
    return plan;
}

void FaultSwitches::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_armed.clear();
}

std::string FaultSwitches::describe() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::string lines;
    for (const auto& [key, armed] : m_armed) {
        const FaultKind kind = key.second;
        lines += "target=" + std::string(nameOf(kTargets, key.first)) +
                 "&kind=" + std::string(nameOf(kKinds, kind)) + "&count=" +
                 (armed.remaining ? std::to_string(*armed.remaining) : std::string("always"));
        if (armed.hasNumber)
            lines += std::string(kind == FaultKind::Drop ? "&bytes=" : "&ms=") +
                     std::to_string(armed.number);
        if (kind == FaultKind::Garbage)
            lines += "&text=" + urlEncode(armed.text);
        lines += "\n";
    }
    return lines;
}

} // namespace nvmaild
