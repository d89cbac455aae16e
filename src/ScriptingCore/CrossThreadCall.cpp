#include "src/ScriptingCore/CrossThreadCall.h"

#include <utility>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "src/ScriptingCore/BrowserHost.h"
#include "src/ScriptingCore/script_error.h"

namespace FB {

namespace {
// The browser carries an opaque pointer; it owns one reference to the call until the call has run.
using CallRef = boost::shared_ptr<CrossThreadCall>;
} // namespace

void CrossThreadCall::asyncCall(const BrowserHost& host, const boost::shared_ptr<void>& target,
                                const boost::function<void()>& func) {
    auto* ref = new CallRef(new CrossThreadCall(target, func));
    if (!host.ScheduleAsyncCall(&CrossThreadCall::asyncCallbackFunctor, ref)) {
        delete ref;
    }
}

void CrossThreadCall::asyncCallbackFunctor(void* userData) {
    std::unique_ptr<CallRef> ref(static_cast<CallRef*>(userData));
    try {
        (*ref)->m_func();
    } catch (const std::exception&) {
        // Fire-and-forget calls have nobody to report to, and an exception must not unwind into
        // the browser's event loop.
    }
}

void CrossThreadCall::run(const BrowserHost& host, const boost::function<void()>& func) {
    CallRef call(new CrossThreadCall(boost::shared_ptr<void>(), func));
    auto* ref = new CallRef(call);
    if (!host.ScheduleAsyncCall(&CrossThreadCall::syncCallbackFunctor, ref)) {
        delete ref;
        throw script_error("Could not marshal to main thread");
    }
    // Locked only once the call is queued: the host's queue lock is then never taken under this
    // one (the main thread takes them the other way round), and a call that already ran has set
    // m_returned, which is read under the lock before any wait.
    boost::unique_lock<boost::mutex> lock(call->m_mutex);
    // The shut-down flag is read first: a call that returns at the moment of shutdown still ends in
    // "Shutting down", and a waiter never outlives the instance by more than one poll.
    for (;;) {
        if (host.isShutDown()) {
            throw script_error("Shutting down");
        }
        if (call->m_returned) {
            break;
        }
        call->m_cond.timed_wait(lock, boost::posix_time::milliseconds(10));
    }
    if (call->m_error) {
        // Taken out of the call, so the exception dies on this thread and never with the call
        // object on the main thread while this thread may still be reading it.
        std::exception_ptr error;
        std::swap(error, call->m_error);
        lock.unlock();
        std::rethrow_exception(error);
    }
}

void CrossThreadCall::syncCallbackFunctor(void* userData) {
    std::unique_ptr<CallRef> ref(static_cast<CallRef*>(userData));
    CrossThreadCall& call = **ref;
    std::exception_ptr error;
    try {
        call.m_func();
    } catch (...) {
        error = std::current_exception();
    }
    boost::lock_guard<boost::mutex> lock(call.m_mutex);
    call.m_error = std::move(error); // no reference stays here once the waiter may rethrow it
    call.m_returned = true;
    call.m_cond.notify_all();
}

} // namespace FB
