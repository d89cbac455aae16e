#include "tests/support/FakeJSObject.h"

#include "src/ScriptingCore/script_error.h"

namespace nvtest {

FakeJSObjectPtr FakeJSObject::function(const FB::BrowserHostPtr& host, FakeMethod body) {
    auto fn = boost::make_shared<FakeJSObject>(host);
    fn->m_callable = body ? std::move(body) : [](const FB::VariantList&) { return FB::variant(); };
    return fn;
}

FakeJSObjectPtr FakeJSObject::array(const FB::BrowserHostPtr& host, const FB::VariantList& items) {
    auto array = boost::make_shared<FakeJSObject>(host);
    for (size_t i = 0; i < items.size(); ++i) {
        array->m_properties[std::to_string(i)] = items[i];
    }
    array->m_properties["length"] = static_cast<int>(items.size());
    return array;
}

FakeJSObjectPtr FakeJSObject::object(const FB::BrowserHostPtr& host,
                                     const FB::VariantMap& members) {
    auto object = boost::make_shared<FakeJSObject>(host);
    for (const auto& [name, value] : members) {
        object->m_properties[name] = value;
    }
    return object;
}

void FakeJSObject::clear() {
    m_properties.clear();
    m_methods.clear();
    m_callable = nullptr;
    m_calls.clear();
}

std::vector<FB::VariantList> FakeJSObject::selfCalls() const {
    std::vector<FB::VariantList> out;
    for (const RecordedCall& call : m_calls) {
        if (call.name.empty()) {
            out.push_back(call.args);
        }
    }
    return out;
}

void* FakeJSObject::getEventContext() const {
    FB::BrowserHostPtr host = m_host.lock();
    return host ? host->getContextID() : nullptr;
}

void FakeJSObject::callMultipleFunctions(const std::string& name, const FB::VariantList& args,
                                         const std::vector<FB::JSObjectPtr>& direct,
                                         const std::vector<FB::JSObjectPtr>& ifaces) {
    ++m_optimizedCalls;
    for (const FB::JSObjectPtr& handler : direct) {
        handler->InvokeAsync("", args);
    }
    for (const FB::JSObjectPtr& iface : ifaces) {
        iface->InvokeAsync(name, args);
    }
}

void FakeJSObject::getMemberNames(std::vector<std::string>& names) const {
    onMain<bool>([&] {
        names.clear();
        for (const auto& entry : m_properties) {
            names.push_back(entry.first);
        }
        for (const auto& entry : m_methods) {
            names.push_back(entry.first);
        }
        return true;
    });
}

size_t FakeJSObject::getMemberCount() const {
    std::vector<std::string> names;
    getMemberNames(names);
    return names.size();
}

bool FakeJSObject::HasMethod(const std::string& name) const {
    return onMain<bool>([&] { return m_methods.count(name) != 0; });
}

bool FakeJSObject::HasProperty(const std::string& name) const {
    return onMain<bool>([&] { return m_properties.count(name) != 0; });
}

bool FakeJSObject::HasProperty(int idx) const {
    return HasProperty(std::to_string(idx));
}

FB::variant FakeJSObject::GetProperty(const std::string& name) {
    return onMain<FB::variant>([&] {
        auto it = m_properties.find(name);
        return it == m_properties.end() ? FB::variant() : it->second;
    });
}

void FakeJSObject::SetProperty(const std::string& name, const FB::variant& value) {
    onMain<bool>([&] {
        m_properties[name] = value;
        return true;
    });
}

FB::variant FakeJSObject::GetProperty(int idx) {
    return GetProperty(std::to_string(idx));
}

void FakeJSObject::SetProperty(int idx, const FB::variant& value) {
    SetProperty(std::to_string(idx), value);
}

void FakeJSObject::RemoveProperty(const std::string& name) {
    onMain<bool>([&] { return m_properties.erase(name) != 0; });
}

void FakeJSObject::RemoveProperty(int idx) {
    RemoveProperty(std::to_string(idx));
}

FB::variant FakeJSObject::Invoke(const std::string& name, const FB::VariantList& args) {
    return onMain<FB::variant>([&] {
        m_calls.push_back({name, args});
        if (name.empty() && m_callable) {
            return m_callable(args);
        }
        auto method = m_methods.find(name);
        if (method == m_methods.end()) {
            // A real browser reports a failed call by the member's name.
            throw FB::script_error(name);
        }
        return method->second(args);
    });
}

FB::variant FakeJSObject::Construct(const FB::VariantList&) {
    throw FB::script_error("constructor");
}

} // namespace nvtest
