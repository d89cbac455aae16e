// FB::JSAPI: the interface of everything a page script can touch, native scriptable objects and
// handles of page objects alike. Owned through FB::JSAPIPtr; not copyable.
//
// Thread contract: native objects (FB::JSAPIAuto) serialise member access with their zone lock, so
// any thread may call them; page-object handles (FB::JSObject) must be used on the main thread or
// move themselves there.
#pragma once

#include <string>
#include <vector>

#include <boost/enable_shared_from_this.hpp>
#include <boost/noncopyable.hpp>

#include "src/ScriptingCore/APITypes.h"
#include "src/ScriptingCore/variant.h"

namespace FB {

class JSAPI : public boost::enable_shared_from_this<JSAPI>, private boost::noncopyable {
public:
    virtual ~JSAPI() = default;

    virtual void invalidate() = 0;
    virtual void shutdown() {}

    // Security zones. The application works entirely in zone 0.
    virtual void pushZone(int /*zone*/) {}
    virtual void popZone() {}
    virtual void setDefaultZone(int /*zone*/) {}
    virtual int getDefaultZone() const { return 0; }
    virtual int getZone() const { return 0; }

    // Listener registration; page-object handles do not take listeners ("Not implemented").
    virtual void registerEventMethod(const std::string& name, JSObjectPtr& event);
    virtual void registerEventMethod(const std::wstring& name, JSObjectPtr& event);
    virtual void unregisterEventMethod(const std::string& name, JSObjectPtr& event);
    virtual void unregisterEventMethod(const std::wstring& name, JSObjectPtr& event);
    virtual void registerEventInterface(const JSObjectPtr& event);
    virtual void unregisterEventInterface(const JSObjectPtr& event);

    virtual void getMemberNames(std::vector<std::wstring>& nameVector) const;
    virtual void getMemberNames(std::vector<std::wstring>* nameVector) const {
        getMemberNames(*nameVector);
    }
    virtual void getMemberNames(std::vector<std::string>& nameVector) const = 0;
    virtual void getMemberNames(std::vector<std::string>* nameVector) const {
        getMemberNames(*nameVector);
    }
    virtual size_t getMemberCount() const = 0;

    virtual bool HasMethod(const std::wstring& methodName) const;
    virtual bool HasMethod(const std::string& methodName) const = 0;
    virtual bool HasMethodObject(const std::wstring& methodObjName) const;
    virtual bool HasMethodObject(const std::string& /*methodObjName*/) const { return false; }
    virtual bool HasProperty(const std::wstring& propertyName) const;
    virtual bool HasProperty(const std::string& propertyName) const = 0;
    virtual bool HasProperty(int idx) const = 0;

    virtual JSAPIPtr GetMethodObject(const std::wstring& methodObjName);
    virtual JSAPIPtr GetMethodObject(const std::string& /*methodObjName*/) { return JSAPIPtr(); }
    virtual variant GetProperty(const std::wstring& propertyName);
    virtual variant GetProperty(const std::string& propertyName) = 0;
    virtual void SetProperty(const std::wstring& propertyName, const variant& value);
    virtual void SetProperty(const std::string& propertyName, const variant& value) = 0;
    virtual variant GetProperty(int idx) = 0;
    virtual void SetProperty(int idx, const variant& value) = 0;
    virtual void RemoveProperty(const std::wstring& propertyName);
    virtual void RemoveProperty(const std::string& propertyName) = 0;
    virtual void RemoveProperty(int idx) = 0;

    virtual variant Invoke(const std::wstring& methodName, const VariantList& args);
    virtual variant Invoke(const std::string& methodName, const VariantList& args) = 0;
    virtual variant Construct(const VariantList& args) = 0;
};

// Holds a zone on an object (and so its zone lock) for the life of the scope.
// REQUIRES: the object outlives the scope.
class scoped_zonelock : private boost::noncopyable {
public:
    scoped_zonelock(JSAPI& api, int zone) : m_api(api) { m_api.pushZone(zone); }
    ~scoped_zonelock() { m_api.popZone(); }

private:
    JSAPI& m_api;
};

} // namespace FB
