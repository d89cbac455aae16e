// A one-way flag that ends the server's waits early: connection threads sleep on it for delay
// and throttle faults, so that a stop never waits for a long delay to run out.
// Thread contract: all members may be called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace nvmaild {

class StopSignal {
public:
    void trigger() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopped = true;
        }
        m_wake.notify_all();
    }

    bool stopped() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_stopped;
    }

    // Waits `ms` milliseconds; returns false at once when the signal was triggered.
    bool waitFor(unsigned ms) {
        std::unique_lock<std::mutex> lock(m_mutex);
        return !m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_stopped; });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopped = false; // guarded by m_mutex
};

} // namespace nvmaild
