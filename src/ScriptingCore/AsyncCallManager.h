// FB::AsyncCallManager: the records of plain calls handed to the browser for the main thread.
//
// Every accepted call runs exactly once: either when the browser delivers it, or during shutdown,
// whichever comes first; a later delivery of a call already run does nothing.
// Thread contract: all operations may be called from any thread (one recursive mutex).
#pragma once

#include <set>

#include <boost/enable_shared_from_this.hpp>
#include <boost/noncopyable.hpp>
#include <boost/thread/recursive_mutex.hpp>
#include <boost/weak_ptr.hpp>

namespace FB {

class AsyncCallManager;

struct _asyncCallData {
    void (*func)(void*);
    void* userData;
    int uid;
    bool called;
    boost::weak_ptr<AsyncCallManager> asyncMgr;
};

class AsyncCallManager : public boost::enable_shared_from_this<AsyncCallManager>,
                         private boost::noncopyable {
public:
    AsyncCallManager() = default;
    ~AsyncCallManager();

    // A new pending record, or null once the manager is shut down (so nothing can be queued that
    // would never run).
    _asyncCallData* makeCallback(void (*func)(void*), void* userData);
    // Runs the record if it is still pending, and destroys it.
    void call(_asyncCallData* data);
    // Takes a record that the browser refused back out of the pending set and destroys it.
    void remove(_asyncCallData* data);
    // Runs every pending record now, on the calling thread, and refuses new ones.
    void shutdown();

private:
    boost::recursive_mutex m_mutex;
    int m_lastId = 0;                          // guarded by m_mutex
    bool m_shutDown = false;                   // guarded by m_mutex
    std::set<_asyncCallData*> m_calls;         // pending; guarded by m_mutex
    std::set<_asyncCallData*> m_canceledCalls; // run at shutdown; guarded by m_mutex
};

// The plain function the browser runs on the main thread for a record.
void asyncCallWrapper(void* data);

} // namespace FB
