// FB::JSObject: the native handle of an object that lives in the page (a callback function, an
// array, a plain object). The browser bridge supplies the concrete class.
//
// Thread contract: synchronous members (Invoke, GetProperty, ...) belong to the main thread (the
// bridge moves calls made elsewhere there and waits). InvokeAsync and SetPropertyAsync may be
// called from any thread; the page-side work always happens later, on the main thread, from the
// page's timer.
#pragma once

#include <string>
#include <vector>

#include "src/ScriptingCore/JSAPI.h"

namespace FB {

class JSObject : public JSAPI {
public:
    explicit JSObject(const BrowserHostPtr& host);
    ~JSObject() override;

    JSObjectPtr shared_ptr() { return boost::static_pointer_cast<JSObject>(shared_from_this()); }

    // Identity of the page object, and of the page (instance) it belongs to.
    virtual void* getEventId() const = 0;
    virtual void* getEventContext() const = 0;
    virtual bool supportsOptimizedCalls() const { return false; }
    // Calls many handlers of one page in one step.
    virtual void callMultipleFunctions(const std::string& /*name*/, const VariantList& /*args*/,
                                       const std::vector<JSObjectPtr>& /*direct*/,
                                       const std::vector<JSObjectPtr>& /*ifaces*/) {}
    virtual bool isValid() = 0;
    // Calls member methodName (the object itself for an empty name) later on the main thread.
    // Throws std::runtime_error "Cannot invoke asynchronously" when the host is gone.
    virtual void InvokeAsync(const std::string& methodName, const VariantList& args);
    virtual void _invokeAsync(const VariantList& args, const std::string& methodName);
    virtual void SetPropertyAsync(const std::string& propertyName, const variant& value);
    // The native object of this program that this handle wraps, or null.
    virtual JSAPIPtr getJSAPI() const = 0;

    // Appends a page array's elements ("length", then 0 .. length-1), each converted to the
    // container's element type. A null handle leaves the container unchanged.
    template <class Cont> static void GetArrayValues(const JSObjectPtr& src, Cont& dst) {
        if (!src) {
            return;
        }
        int length = src->GetProperty("length").convert_cast<int>();
        for (int i = 0; i < length; ++i) {
            dst.push_back(src->GetProperty(i).template convert_cast<typename Cont::value_type>());
        }
    }

    // Stores every member of a page object under its name.
    template <class Dict> static void GetObjectValues(const JSObjectPtr& src, Dict& dst) {
        if (!src) {
            return;
        }
        std::vector<std::string> names;
        src->getMemberNames(names);
        for (const std::string& name : names) {
            dst[name] = src->GetProperty(name).template convert_cast<typename Dict::mapped_type>();
        }
    }

protected:
    BrowserHostWeakPtr m_host;
};

} // namespace FB
