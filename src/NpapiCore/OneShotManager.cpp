#include "src/NpapiCore/OneShotManager.h"

namespace FB {

OneShotManager& OneShotManager::getInstance() {
    static OneShotManager* instance = new OneShotManager(); // lives until the process ends
    return *instance;
}

void OneShotManager::npp_register(NPP npp, NPN_PluginThreadAsyncCallProcPtr wakeup) {
    boost::lock_guard<boost::mutex> lock(m_mutex);
    m_calls[npp];
    m_wakers[npp] = wakeup;
}

void OneShotManager::npp_unregister(NPP npp) {
    boost::lock_guard<boost::mutex> lock(m_mutex);
    auto queue = m_calls.find(npp);
    if (queue != m_calls.end()) {
        m_pending -= static_cast<long>(queue->second.size());
        m_calls.erase(queue);
    }
    m_wakers.erase(npp);
    if (m_wakeNpp == npp) {
        // The browser drops a wake-up asked through a destroyed instance.
        m_wakeNpp = nullptr;
        if (m_pending > 0) {
            wakeLocked();
        }
    }
}

void OneShotManager::npp_scheduleAsyncCallback(NPP npp, void (*func)(void*), void* data) {
    boost::lock_guard<boost::mutex> lock(m_mutex);
    auto queue = m_calls.find(npp);
    if (queue == m_calls.end()) {
        return;
    }
    queue->second.emplace_back(data, func);
    if (m_pending++ == 0 || !m_wakeNpp) {
        wakeLocked();
    }
}

void OneShotManager::wakeLocked() {
    for (const auto& [npp, wakeup] : m_wakers) {
        if (wakeup) {
            m_wakeNpp = npp;
            wakeup(npp, &OneShotManager::shoot, nullptr);
            return;
        }
    }
    m_wakeNpp = nullptr;
}

bool OneShotManager::npp_nextCallback(NPP& npp, void*& data, void (**func)(void*)) {
    boost::lock_guard<boost::mutex> lock(m_mutex);
    for (auto& [instance, queue] : m_calls) {
        if (!queue.empty()) {
            npp = instance;
            data = queue.front().first;
            *func = queue.front().second;
            queue.pop_front();
            --m_pending;
            return true;
        }
    }
    return false;
}

void OneShotManager::npp_asyncCallback() {
    {
        boost::lock_guard<boost::mutex> lock(m_mutex);
        m_wakeNpp = nullptr;
    }
    NPP npp;
    void* data;
    void (*func)(void*);
    while (npp_nextCallback(npp, data, &func)) {
        func(data);
    }
}

void OneShotManager::shoot(void*) {
    getInstance().npp_asyncCallback();
}

} // namespace FB
