// FB::Npapi::NPObjectAPI: the plug-in-side face of one browser object (a callback function, an
// array, a DOM node, any object the page passed in). Its members call back into the browser.
//
// Thread contract: any thread; a call made off the main thread is moved there and waits
// (callMultipleFunctions does not wait). Once the host is gone every member answers neutrally.
// The browser object is released on the main thread when the handle goes away.
#pragma once

#include <string>
#include <vector>

#include "src/NpapiCore/npapi/npapi_all.h"
#include "src/ScriptingCore/JSObject.h"

namespace FB::Npapi {

class NpapiBrowserHost;
class NpapiPluginModule;

class NPObjectAPI : public FB::JSObject {
public:
    // Takes a reference to `obj`.
    NPObjectAPI(NPObject* obj, const boost::shared_ptr<NpapiBrowserHost>& host);
    ~NPObjectAPI() override;

    NPObject* getNPObject() const { return m_npObject; }

    void invalidate() override;
    void* getEventId() const override { return m_npObject; }
    void* getEventContext() const override;
    bool supportsOptimizedCalls() const override { return true; }
    void callMultipleFunctions(const std::string& name, const VariantList& args,
                               const std::vector<JSObjectPtr>& direct,
                               const std::vector<JSObjectPtr>& ifaces) override;
    bool isValid() override { return !m_hostRef.expired() && m_npObject; }
    JSAPIPtr getJSAPI() const override;

    void getMemberNames(std::vector<std::string>& nameVector) const override;
    size_t getMemberCount() const override;
    bool HasMethod(const std::string& methodName) const override;
    bool HasProperty(const std::string& propertyName) const override;
    bool HasProperty(int idx) const override;
    variant GetProperty(const std::string& propertyName) override;
    void SetProperty(const std::string& propertyName, const variant& value) override;
    variant GetProperty(int idx) override;
    void SetProperty(int idx, const variant& value) override;
    void RemoveProperty(const std::string& propertyName) override;
    void RemoveProperty(int idx) override;
    variant Invoke(const std::string& methodName, const VariantList& args) override;
    variant Construct(const VariantList& args) override;
    using FB::JSAPI::getMemberNames;
    using FB::JSAPI::GetProperty;
    using FB::JSAPI::HasMethod;
    using FB::JSAPI::HasProperty;
    using FB::JSAPI::Invoke;
    using FB::JSAPI::RemoveProperty;
    using FB::JSAPI::SetProperty;

private:
    boost::shared_ptr<NpapiBrowserHost> host() const { return m_hostRef.lock(); }
    // Runs `call` on the main thread, or answers `neutral` when the host is gone.
    template <class R, class F> R onMain(const R& neutral, F call) const;
    NPIdentifier identifier(const boost::shared_ptr<NpapiBrowserHost>& host,
                            const std::string& name) const;
    variant invokeOnMain(const std::string& methodName, const VariantList& args);

    boost::weak_ptr<NpapiBrowserHost> m_hostRef;
    NpapiPluginModule* m_module;
    NPObject* m_npObject;
    bool m_wrapsLocal;
    JSAPIWeakPtr m_local;
};

} // namespace FB::Npapi
