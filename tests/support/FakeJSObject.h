// Page objects written in C++ for tests: functions, arrays, plain objects and the window, behaving
// as the browser bridge's handles do (members, enumeration, identity). Like real page objects they
// belong to the host's main thread; calls from other threads are moved there and wait, as the
// bridge does.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>

#include "src/ScriptingCore/BrowserHost.h"
#include "src/ScriptingCore/JSObject.h"

namespace nvtest {

class FakeJSObject;
using FakeJSObjectPtr = boost::shared_ptr<FakeJSObject>;
using FakeMethod = std::function<FB::variant(const FB::VariantList&)>;

struct RecordedCall {
    std::string name; // empty: the object itself was called
    FB::VariantList args;
};

class FakeJSObject : public FB::JSObject {
public:
    explicit FakeJSObject(const FB::BrowserHostPtr& host) : FB::JSObject(host) {}

    // A function object: calling it runs `body` (or returns empty) and records the call.
    static FakeJSObjectPtr function(const FB::BrowserHostPtr& host, FakeMethod body = nullptr);
    static FakeJSObjectPtr array(const FB::BrowserHostPtr& host, const FB::VariantList& items);
    static FakeJSObjectPtr object(const FB::BrowserHostPtr& host, const FB::VariantMap& members);

    void set(const std::string& name, const FB::variant& value) { m_properties[name] = value; }
    void setMethod(const std::string& name, FakeMethod body) { m_methods[name] = std::move(body); }
    // Makes the handle stand for one of the program's own objects (as a wrapper of ours would).
    void wrap(const FB::JSAPIPtr& api) { m_wrapped = api; }
    void setOptimizedCalls(bool value) { m_optimized = value; }
    // Forgets every member, so that a handle kept elsewhere holds nothing of a page that went.
    void clear();

    const std::vector<RecordedCall>& calls() const { return m_calls; }
    // Calls of the object itself (empty member name).
    std::vector<FB::VariantList> selfCalls() const;
    int optimizedCallCount() const { return m_optimizedCalls; }

    void* getEventId() const override { return const_cast<FakeJSObject*>(this); }
    void* getEventContext() const override;
    bool supportsOptimizedCalls() const override { return m_optimized; }
    void callMultipleFunctions(const std::string& name, const FB::VariantList& args,
                               const std::vector<FB::JSObjectPtr>& direct,
                               const std::vector<FB::JSObjectPtr>& ifaces) override;
    bool isValid() override { return m_valid; }
    FB::JSAPIPtr getJSAPI() const override { return m_wrapped; }
    void invalidate() override { m_valid = false; }

    void getMemberNames(std::vector<std::string>& names) const override;
    size_t getMemberCount() const override;
    bool HasMethod(const std::string& name) const override;
    bool HasProperty(const std::string& name) const override;
    bool HasProperty(int idx) const override;
    FB::variant GetProperty(const std::string& name) override;
    void SetProperty(const std::string& name, const FB::variant& value) override;
    FB::variant GetProperty(int idx) override;
    void SetProperty(int idx, const FB::variant& value) override;
    void RemoveProperty(const std::string& name) override;
    void RemoveProperty(int idx) override;
    FB::variant Invoke(const std::string& name, const FB::VariantList& args) override;
    FB::variant Construct(const FB::VariantList& args) override;
    using FB::JSAPI::GetProperty;
    using FB::JSAPI::HasMethod;
    using FB::JSAPI::HasProperty;
    using FB::JSAPI::Invoke;
    using FB::JSAPI::RemoveProperty;
    using FB::JSAPI::SetProperty;

private:
    // Runs fn on the host's main thread (inline when already there), like the bridge's handles.
    template <class R> R onMain(const std::function<R()>& fn) const {
        FB::BrowserHostPtr host = m_host.lock();
        if (!host) {
            return R();
        }
        return host->CallOnMainThread<R>(fn);
    }

    std::map<std::string, FB::variant> m_properties;
    std::map<std::string, FakeMethod> m_methods;
    FakeMethod m_callable;
    std::vector<RecordedCall> m_calls;
    FB::JSAPIPtr m_wrapped;
    bool m_optimized = false;
    bool m_valid = true;
    int m_optimizedCalls = 0;
};

} // namespace nvtest
