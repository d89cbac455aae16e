// MisuseLog: what the plug-in did to the fake browser that a real browser would punish with a crash
// or a silent fault (freeing unknown memory, releasing a dead object, calling off the main thread).
// The fake records such a call here instead of performing it, so a test can assert the log empty.
// Thread contract: any thread (a misuse is often a call from the wrong thread).
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace nvtest::npapi {

class MisuseLog {
public:
    void record(std::string what) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back(std::move(what));
    }
    std::vector<std::string> entries() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entries;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_entries; // guarded by m_mutex
};

} // namespace nvtest::npapi
