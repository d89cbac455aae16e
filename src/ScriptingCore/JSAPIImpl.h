// FB::JSAPIImpl: zones, validity and events shared by every native scriptable object.
//
// Thread contract: FireEvent may be called from any thread; the handlers run later
// on the main thread through the page's timer. The event tables are guarded by their own lock and
// are copied before handlers are called, so a handler may register or unregister listeners.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <vector>

#include <boost/thread/recursive_mutex.hpp>

#include "src/ScriptingCore/JSAPI.h"

namespace FB {

class JSAPIImpl : public JSAPI {
public:
    JSAPIImpl();
    explicit JSAPIImpl(int securityLevel);
    ~JSAPIImpl() override;

    void invalidate() override { m_valid = false; }

    // pushZone takes the zone lock and popZone releases it, so a pushed zone also holds the lock.
    void pushZone(int securityLevel) override;
    void popZone() override;
    void setDefaultZone(int securityLevel) override;
    int getDefaultZone() const override;
    int getZone() const override;

    void registerEventMethod(const std::string& name, JSObjectPtr& event) override;
    void unregisterEventMethod(const std::string& name, JSObjectPtr& event) override;
    void registerEventInterface(const JSObjectPtr& event) override;
    void unregisterEventInterface(const JSObjectPtr& event) override;
    using JSAPI::registerEventMethod;
    using JSAPI::unregisterEventMethod;

    virtual void fireAsyncEvent(const std::string& eventName, const VariantList& args);
    virtual void FireEvent(const std::wstring& eventName, const VariantList& args);
    virtual void FireEvent(const std::string& eventName, const VariantList& args);
    virtual void registerEvent(const std::string& /*name*/) {}
    virtual void registerEvent(const std::wstring& /*name*/) {}

protected:
    using EventMultiMap = std::multimap<std::string, JSObjectPtr>;
    using EventContextMap = std::map<void*, EventMultiMap>;
    using EventIFaceMap = std::map<void*, JSObjectPtr>;
    using EventIfaceContextMap = std::map<void*, EventIFaceMap>;

    bool isValid() const { return m_valid; }

    EventContextMap m_eventMap;       // guarded by m_eventMutex
    EventIfaceContextMap m_evtIfaces; // guarded by m_eventMutex
    mutable boost::recursive_mutex m_eventMutex;
    mutable boost::recursive_mutex m_zoneMutex;
    std::vector<int> m_zoneStack; // guarded by m_zoneMutex
    std::atomic<bool> m_valid;
};

} // namespace FB
