// TBackgroundChecksum: feeds one checksum on a companion thread, one buffer at a time, so that it
// runs beside the caller's own work on the same data (MD5 is serial and the slowest of the upload's
// checksums; on two cores it overlaps reading, SHA-1 and CRC-32).
//
// Thread contract: one caller thread. submit() hands over a buffer and returns once the previous
// buffer is done, so a caller alternating two buffers may refill the other one meanwhile. The
// algorithm must not be touched by the caller until finish() returned.
#pragma once

#include <cstddef>

#include <boost/noncopyable.hpp>
#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>
#include <boost/thread/thread.hpp>

#include "plugin/upload/TCRCBase.h"

class TBackgroundChecksum : private boost::noncopyable {
public:
    explicit TBackgroundChecksum(TCRCBase& algorithm);
    // Waits for the buffer in work, then ends the companion thread.
    ~TBackgroundChecksum();

    // REQUIRES: `data` stays unchanged until the next submit() or finish() returns.
    void submit(const void* data, size_t length);
    // Returns once every submitted byte has been fed.
    void finish();

private:
    void run();

    TCRCBase& m_algorithm;
    boost::mutex m_mutex;
    boost::condition_variable m_cond;
    const void* m_data = nullptr; // guarded by m_mutex; null when idle
    size_t m_length = 0;          // guarded by m_mutex
    bool m_quit = false;          // guarded by m_mutex
    boost::thread m_thread;
};
