// FB::CrossThreadCall: one function object on its way to the browser's main thread.
//
// asyncCall runs it later and forgets it; syncCall waits for it, polling the host's shut-down flag
// every 10 ms so that a waiting worker leaves promptly ("Shutting down") when the instance goes
// away. An exception raised by the function is carried back to the waiting thread and raised there;
// no exception ever escapes into the browser's event loop. Thread contract: for use by
// FB::BrowserHost only; its operations may run on any thread.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include <boost/function.hpp>
#include <boost/make_shared.hpp>
#include <boost/noncopyable.hpp>
#include <boost/optional.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>

namespace FB {

class BrowserHost;

class CrossThreadCall : private boost::noncopyable {
public:
    static void asyncCall(const BrowserHost& host, const boost::shared_ptr<void>& target,
                          const boost::function<void()>& func);

    template <class R>
    static R syncCall(const BrowserHost& host, const boost::function<R()>& func) {
        if constexpr (std::is_void_v<R>) {
            run(host, func);
        } else {
            auto result = boost::make_shared<boost::optional<R>>();
            run(host, [result, func] { *result = func(); });
            return std::move(**result);
        }
    }

private:
    CrossThreadCall(const boost::shared_ptr<void>& target, const boost::function<void()>& func)
        : m_target(target), m_func(func) {}

    // Schedules the call and waits for it. REQUIRES: not on the main thread.
    static void run(const BrowserHost& host, const boost::function<void()>& func);
    static void syncCallbackFunctor(void* userData);
    static void asyncCallbackFunctor(void* userData);

    boost::shared_ptr<void> m_target; // kept alive until the call has run
    boost::function<void()> m_func;
    std::exception_ptr m_error; // guarded by m_mutex
    bool m_returned = false;    // guarded by m_mutex
    boost::mutex m_mutex;
    boost::condition_variable m_cond;
};

} // namespace FB
