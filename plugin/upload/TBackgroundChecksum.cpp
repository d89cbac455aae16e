#include "plugin/upload/TBackgroundChecksum.h"

TBackgroundChecksum::TBackgroundChecksum(TCRCBase& algorithm)
    : m_algorithm(algorithm), m_thread([this] { run(); }) {}

TBackgroundChecksum::~TBackgroundChecksum() {
    {
        boost::unique_lock<boost::mutex> lock(m_mutex);
        m_cond.wait(lock, [this] { return m_data == nullptr; });
        m_quit = true;
        m_cond.notify_all();
    }
    m_thread.join();
}

void TBackgroundChecksum::submit(const void* data, size_t length) {
    boost::unique_lock<boost::mutex> lock(m_mutex);
    m_cond.wait(lock, [this] { return m_data == nullptr; });
    m_data = data;
    m_length = length;
    m_cond.notify_all();
}

void TBackgroundChecksum::finish() {
    boost::unique_lock<boost::mutex> lock(m_mutex);
    m_cond.wait(lock, [this] { return m_data == nullptr; });
}

void TBackgroundChecksum::run() {
    boost::unique_lock<boost::mutex> lock(m_mutex);
    for (;;) {
        m_cond.wait(lock, [this] { return m_data != nullptr || m_quit; });
        if (m_data == nullptr) {
            return;
        }
        const void* data = m_data;
        size_t length = m_length;
        lock.unlock();
        m_algorithm.write(data, length);
        lock.lock();
        m_data = nullptr;
        m_cond.notify_all();
    }
}
