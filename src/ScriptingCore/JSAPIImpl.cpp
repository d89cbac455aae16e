#include "src/ScriptingCore/JSAPIImpl.h"

#include <set>

#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/script_error.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace FB {

JSAPIImpl::JSAPIImpl() : JSAPIImpl(0) {}

JSAPIImpl::JSAPIImpl(int securityLevel) : m_valid(true) {
    m_zoneStack.push_back(securityLevel);
    registerEvent("onload");
}

JSAPIImpl::~JSAPIImpl() = default;

void JSAPIImpl::pushZone(int securityLevel) {
    m_zoneMutex.lock();
    m_zoneStack.push_back(securityLevel);
}

void JSAPIImpl::popZone() {
    m_zoneStack.pop_back();
    m_zoneMutex.unlock();
}

void JSAPIImpl::setDefaultZone(int securityLevel) {
    boost::recursive_mutex::scoped_lock lock(m_zoneMutex);
    m_zoneStack.front() = securityLevel;
}

int JSAPIImpl::getDefaultZone() const {
    boost::recursive_mutex::scoped_lock lock(m_zoneMutex);
    return m_zoneStack.front();
}

int JSAPIImpl::getZone() const {
    boost::recursive_mutex::scoped_lock lock(m_zoneMutex);
    return m_zoneStack.back();
}

void JSAPIImpl::registerEventMethod(const std::string& name, JSObjectPtr& event) {
    if (!event) {
        throw invalid_arguments();
    }
    boost::recursive_mutex::scoped_lock lock(m_eventMutex);
    EventMultiMap& handlers = m_eventMap[event->getEventContext()];
    auto range = handlers.equal_range(name);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second->getEventId() == event->getEventId()) {
            return;
        }
    }
    handlers.emplace(name, event);
}

void JSAPIImpl::unregisterEventMethod(const std::string& name, JSObjectPtr& event) {
    if (!event) {
        throw invalid_arguments();
    }
    boost::recursive_mutex::scoped_lock lock(m_eventMutex);
    auto context = m_eventMap.find(event->getEventContext());
    if (context == m_eventMap.end()) {
        return;
    }
    auto range = context->second.equal_range(name);
    for (auto it = range.first; it != range.second;) {
        it = it->second->getEventId() == event->getEventId() ? context->second.erase(it)
                                                             : std::next(it);
    }
}

void JSAPIImpl::registerEventInterface(const JSObjectPtr& event) {
    boost::recursive_mutex::scoped_lock lock(m_eventMutex);
    m_evtIfaces[event->getEventContext()][event.get()] = event;
}

void JSAPIImpl::unregisterEventInterface(const JSObjectPtr& event) {
    boost::recursive_mutex::scoped_lock lock(m_eventMutex);
    m_evtIfaces[event->getEventContext()].erase(event.get());
}

void JSAPIImpl::fireAsyncEvent(const std::string& eventName, const VariantList& args) {
    EventContextMap eventMap;
    EventIfaceContextMap ifaces;
    {
        boost::recursive_mutex::scoped_lock lock(m_eventMutex);
        eventMap = m_eventMap;
        ifaces = m_evtIfaces;
    }

    // A page that supports optimised calls gets all its handlers in one browser call.
    std::set<void*> optimisedContexts;
    for (auto& [context, handlers] : eventMap) {
        auto range = handlers.equal_range(eventName);
        bool calledOne = false;
        for (auto it = range.first; it != range.second; ++it) {
            const JSObjectPtr& handler = it->second;
            if (!handler->isValid()) {
                continue;
            }
            if (!calledOne && handler->supportsOptimizedCalls()) {
                std::vector<JSObjectPtr> direct;
                for (auto jt = range.first; jt != range.second; ++jt) {
                    direct.push_back(jt->second);
                }
                std::vector<JSObjectPtr> interfaces;
                for (auto& entry : ifaces[context]) {
                    interfaces.push_back(entry.second);
                }
                handler->callMultipleFunctions(eventName, args, direct, interfaces);
                optimisedContexts.insert(context);
                break;
            }
            calledOne = true;
            handler->InvokeAsync("", args);
        }
    }

    for (auto& [context, interfaces] : ifaces) {
        if (optimisedContexts.count(context)) {
            continue;
        }
        for (auto& entry : interfaces) {
            const JSObjectPtr& iface = entry.second;
            if (iface->isValid() && iface->supportsOptimizedCalls()) {
                std::vector<JSObjectPtr> all;
                for (auto& other : interfaces) {
                    all.push_back(other.second);
                }
                iface->callMultipleFunctions(eventName, args, {}, all);
                break;
            }
            iface->InvokeAsync(eventName, args);
        }
    }
}

void JSAPIImpl::FireEvent(const std::wstring& eventName, const VariantList& args) {
    FireEvent(wstring_to_utf8(eventName), args);
}

void JSAPIImpl::FireEvent(const std::string& eventName, const VariantList& args) {
    if (!m_valid) {
        return;
    }
    fireAsyncEvent(eventName, args);
}

} // namespace FB
