// FB::SafeQueue: a deque guarded by a mutex, with a condition signalled on every push.
// Any thread may push and pop.
#pragma once

#include <deque>
#include <utility>

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>

namespace FB {

template <class T> class SafeQueue {
public:
    void push(const T& value) {
        boost::lock_guard<boost::mutex> lock(m_mutex);
        m_queue.push_back(value);
        m_cond.notify_one();
    }
    // False when the queue was empty.
    bool try_pop(T& value) {
        boost::lock_guard<boost::mutex> lock(m_mutex);
        if (m_queue.empty()) {
            return false;
        }
        value = std::move(m_queue.front());
        m_queue.pop_front();
        return true;
    }

private:
    boost::mutex m_mutex;
    boost::condition_variable m_cond;
    std::deque<T> m_queue;
};

} // namespace FB
