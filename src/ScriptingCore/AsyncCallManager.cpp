#include "src/ScriptingCore/AsyncCallManager.h"

#include <boost/shared_ptr.hpp>

namespace FB {

namespace {
void runRecord(_asyncCallData* data) {
    if (data->func) {
        void (*func)(void*) = data->func;
        data->func = nullptr;
        data->called = true;
        func(data->userData);
    }
}
} // namespace

AsyncCallManager::~AsyncCallManager() {
    for (_asyncCallData* data : m_calls) {
        delete data;
    }
    for (_asyncCallData* data : m_canceledCalls) {
        delete data;
    }
}

_asyncCallData* AsyncCallManager::makeCallback(void (*func)(void*), void* userData) {
    boost::recursive_mutex::scoped_lock lock(m_mutex);
    if (m_shutDown) {
        return nullptr;
    }
    auto* data = new _asyncCallData{func, userData, ++m_lastId, false, weak_from_this()};
    m_calls.insert(data);
    return data;
}

void AsyncCallManager::call(_asyncCallData* data) {
    {
        boost::recursive_mutex::scoped_lock lock(m_mutex);
        if (m_calls.erase(data) == 0) {
            return; // already run at shutdown; the manager still owns it
        }
    }
    runRecord(data);
    delete data;
}

void AsyncCallManager::remove(_asyncCallData* data) {
    boost::recursive_mutex::scoped_lock lock(m_mutex);
    if (m_calls.erase(data)) {
        delete data;
    }
}

void AsyncCallManager::shutdown() {
    boost::recursive_mutex::scoped_lock lock(m_mutex);
    m_shutDown = true;
    m_canceledCalls.insert(m_calls.begin(), m_calls.end());
    // Copy first: a function may reach back into the manager (it is recursive) and find nothing
    // new.
    std::set<_asyncCallData*> pending;
    pending.swap(m_calls);
    for (_asyncCallData* data : pending) {
        runRecord(data);
    }
}

void asyncCallWrapper(void* userData) {
    auto* data = static_cast<_asyncCallData*>(userData);
    // Records die with their manager, so a delivery must never come after the manager is gone: the
    // browser layer drops an instance's queued calls before the instance's host is destroyed.
    if (boost::shared_ptr<AsyncCallManager> manager = data->asyncMgr.lock()) {
        manager->call(data);
    }
}

} // namespace FB
