// FB::OneShotManager: the process-wide queue through which every cross-thread call reaches the
// browser's main thread. One FIFO per instance; at most one wake-up of the main thread is pending
// at a time, asked through the browser's NPN_PluginThreadAsyncCall on a live instance. A wake-up
// asked through an instance that is destroyed before it runs is lost by the browser, so the manager
// asks again through another live instance.
//
// Thread contract: npp_scheduleAsyncCallback from any thread; the calls themselves run on the main
// thread, outside the lock; register/unregister on the main thread.
#pragma once

#include <deque>
#include <map>
#include <utility>

#include <boost/noncopyable.hpp>
#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

#include "src/NpapiCore/npapi/npapi_all.h"

namespace FB {

class OneShotManager : private boost::noncopyable {
public:
    static OneShotManager& getInstance();

    // `wakeup` is the browser's own NPN_PluginThreadAsyncCall (null when it has none).
    void npp_register(NPP npp, NPN_PluginThreadAsyncCallProcPtr wakeup);
    // Drops the instance's queued calls.
    void npp_unregister(NPP npp);
    // Queues func(data) for the instance; dropped when the instance is not registered.
    void npp_scheduleAsyncCallback(NPP npp, void (*func)(void*), void* data);
    // Takes the next call, in ascending instance order; false when none is left.
    bool npp_nextCallback(NPP& npp, void*& data, void (**func)(void*));
    // Runs queued calls until none is left. REQUIRES: main thread.
    void npp_asyncCallback();

private:
    OneShotManager() = default;
    // REQUIRES: m_mutex held. Asks a live instance's browser to run the drain loop.
    void wakeLocked();
    static void shoot(void*);

    using Call = std::pair<void*, void (*)(void*)>;
    boost::mutex m_mutex;
    std::map<NPP, std::deque<Call>> m_calls;                  // guarded by m_mutex
    std::map<NPP, NPN_PluginThreadAsyncCallProcPtr> m_wakers; // guarded by m_mutex
    long m_pending = 0;                                       // guarded by m_mutex
    NPP m_wakeNpp = nullptr; // instance the pending wake-up went through; guarded by m_mutex
};

} // namespace FB
