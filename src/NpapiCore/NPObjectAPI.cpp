#include "src/NpapiCore/NPObjectAPI.h"

#include "src/NpapiCore/NPJavascriptObject.h"
#include "src/NpapiCore/NpapiBrowserHost.h"
#include "src/NpapiCore/NpapiPluginModule.h"
#include "src/ScriptingCore/script_error.h"

namespace FB::Npapi {

namespace {

// Arguments converted for one browser call, released after it.
class NPArgs {
public:
    NPArgs(NpapiBrowserHost& host, const VariantList& args) : m_host(host), m_args(args.size()) {
        for (size_t i = 0; i < args.size(); ++i) {
            VOID_TO_NPVARIANT(m_args[i]);
            host.getNPVariant(&m_args[i], args[i]);
        }
    }
    ~NPArgs() {
        for (NPVariant& arg : m_args) {
            m_host.ReleaseVariantValue(&arg);
        }
    }
    const NPVariant* data() const { return m_args.data(); }
    uint32_t size() const { return static_cast<uint32_t>(m_args.size()); }

private:
    NpapiBrowserHost& m_host;
    std::vector<NPVariant> m_args;
};

// The browser's answer, converted and released.
variant takeResult(NpapiBrowserHost& host, NPVariant& result) {
    variant value = host.getVariant(&result);
    host.ReleaseVariantValue(&result);
    return value;
}

} // namespace

NPObjectAPI::NPObjectAPI(NPObject* obj, const boost::shared_ptr<NpapiBrowserHost>& host)
    : FB::JSObject(host), m_hostRef(host), m_module(host->getModule()),
      m_npObject(host->RetainObject(obj)),
      m_wrapsLocal(NPJavascriptObject::isNPJavaScriptObject(obj)) {
    if (m_wrapsLocal) {
        try {
            m_local = static_cast<NPJavascriptObject*>(obj)->getAPI();
        } catch (const std::bad_cast&) {
            // Our wrapper of an object that is already gone: stays inert.
        }
    }
}

NPObjectAPI::~NPObjectAPI() {
    invalidate();
}

void NPObjectAPI::invalidate() {
    if (!m_npObject) {
        return;
    }
    NPObject* object = m_npObject;
    m_npObject = nullptr;
    if (boost::shared_ptr<NpapiBrowserHost> host = m_hostRef.lock()) {
        host->deferred_release(object);
    } else if (m_module->isMainThread()) {
        m_module->ReleaseObject(object);
    }
}

void* NPObjectAPI::getEventContext() const {
    boost::shared_ptr<NpapiBrowserHost> h = host();
    return h ? h->getContextID() : nullptr;
}

JSAPIPtr NPObjectAPI::getJSAPI() const {
    return m_wrapsLocal ? m_local.lock() : JSAPIPtr();
}

template <class R, class F> R NPObjectAPI::onMain(const R& neutral, F call) const {
    boost::shared_ptr<NpapiBrowserHost> h = host();
    if (!h) {
        return neutral;
    }
    if (!h->isMainThread()) {
        // Everything is captured by value: a waiter that leaves at shutdown ("Shutting down")
        // still has its call run once, after its own frame is gone.
        auto self = boost::const_pointer_cast<JSAPI>(shared_from_this());
        return h->CallOnMainThread<R>([call, h, self] { return call(*h); });
    }
    return call(*h);
}

NPIdentifier NPObjectAPI::identifier(const boost::shared_ptr<NpapiBrowserHost>& h,
                                     const std::string& name) const {
    return h->GetStringIdentifier(name.c_str());
}

void NPObjectAPI::getMemberNames(std::vector<std::string>& nameVector) const {
    nameVector = onMain<std::vector<std::string>>({}, [this](NpapiBrowserHost& h) {
        std::vector<std::string> names;
        if (m_wrapsLocal) {
            if (JSAPIPtr local = m_local.lock()) {
                local->getMemberNames(names);
            }
            return names;
        }
        NPIdentifier* ids = nullptr;
        uint32_t count = 0;
        if (!m_npObject || !h.Enumerate(m_npObject, &ids, &count)) {
            throw script_error("getMemberNames");
        }
        for (uint32_t i = 0; i < count; ++i) {
            names.push_back(h.IdentifierIsString(ids[i])
                                ? h.StringFromIdentifier(ids[i])
                                : std::to_string(h.IntFromIdentifier(ids[i])));
        }
        h.MemFree(ids);
        return names;
    });
}

size_t NPObjectAPI::getMemberCount() const {
    std::vector<std::string> names;
    getMemberNames(names);
    return names.size();
}

bool NPObjectAPI::HasMethod(const std::string& methodName) const {
    return onMain<bool>(false, [=](NpapiBrowserHost& h) {
        if (m_wrapsLocal) {
            JSAPIPtr local = m_local.lock();
            return local && local->HasMethod(methodName);
        }
        return m_npObject && h.HasMethod(m_npObject, identifier(host(), methodName));
    });
}

bool NPObjectAPI::HasProperty(const std::string& propertyName) const {
    return onMain<bool>(false, [=](NpapiBrowserHost& h) {
        if (m_wrapsLocal) {
            JSAPIPtr local = m_local.lock();
            return local && local->HasProperty(propertyName);
        }
        return m_npObject && h.HasProperty(m_npObject, identifier(host(), propertyName));
    });
}

bool NPObjectAPI::HasProperty(int idx) const {
    return onMain<bool>(false, [=](NpapiBrowserHost& h) {
        if (m_wrapsLocal) {
            JSAPIPtr local = m_local.lock();
            return local && local->HasProperty(idx);
        }
        return m_npObject && h.HasProperty(m_npObject, h.GetIntIdentifier(idx));
    });
}

variant NPObjectAPI::GetProperty(const std::string& propertyName) {
    return onMain<variant>(variant(), [=](NpapiBrowserHost& h) -> variant {
        if (m_wrapsLocal) {
            JSAPIPtr local = m_local.lock();
            return local ? local->GetProperty(propertyName) : variant();
        }
        NPVariant result;
        VOID_TO_NPVARIANT(result);
        if (!m_npObject || !h.GetProperty(m_npObject, identifier(host(), propertyName), &result)) {
            throw script_error(propertyName);
        }
        return takeResult(h, result);
    });
}

variant NPObjectAPI::GetProperty(int idx) {
    return onMain<variant>(variant(), [=](NpapiBrowserHost& h) -> variant {
        if (m_wrapsLocal) {
            JSAPIPtr local = m_local.lock();
            return local ? local->GetProperty(idx) : variant();
        }
        NPVariant result;
        VOID_TO_NPVARIANT(result);
        if (!m_npObject || !h.GetProperty(m_npObject, h.GetIntIdentifier(idx), &result)) {
            throw script_error(std::to_string(idx));
        }
        return takeResult(h, result);
    });
}

void NPObjectAPI::SetProperty(const std::string& propertyName, const variant& value) {
    onMain<bool>(false, [=](NpapiBrowserHost& h) {
        if (m_wrapsLocal) {
            if (JSAPIPtr local = m_local.lock()) {
                local->SetProperty(propertyName, value);
            }
            return true;
        }
        NPArgs arg(h, VariantList{value});
        if (!m_npObject ||
            !h.SetProperty(m_npObject, identifier(host(), propertyName), arg.data())) {
            throw script_error(propertyName);
        }
        return true;
    });
}

void NPObjectAPI::SetProperty(int idx, const variant& value) {
    onMain<bool>(false, [=](NpapiBrowserHost& h) {
        if (m_wrapsLocal) {
            if (JSAPIPtr local = m_local.lock()) {
                local->SetProperty(idx, value);
            }
            return true;
        }
        NPArgs arg(h, VariantList{value});
        if (!m_npObject || !h.SetProperty(m_npObject, h.GetIntIdentifier(idx), arg.data())) {
            throw script_error(std::to_string(idx));
        }
        return true;
    });
}

void NPObjectAPI::RemoveProperty(const std::string& propertyName) {
    onMain<bool>(false, [=](NpapiBrowserHost& h) {
        if (m_wrapsLocal) {
            if (JSAPIPtr local = m_local.lock()) {
                local->RemoveProperty(propertyName);
            }
            return true;
        }
        if (!m_npObject || !h.RemoveProperty(m_npObject, identifier(host(), propertyName))) {
            throw script_error(propertyName);
        }
        return true;
    });
}

void NPObjectAPI::RemoveProperty(int idx) {
    onMain<bool>(false, [=](NpapiBrowserHost& h) {
        if (m_wrapsLocal) {
            if (JSAPIPtr local = m_local.lock()) {
                local->RemoveProperty(idx);
            }
            return true;
        }
        if (!m_npObject || !h.RemoveProperty(m_npObject, h.GetIntIdentifier(idx))) {
            throw script_error(std::to_string(idx));
        }
        return true;
    });
}

variant NPObjectAPI::Invoke(const std::string& methodName, const VariantList& args) {
    return onMain<variant>(variant(false), [=](NpapiBrowserHost& h) -> variant {
        if (m_wrapsLocal) {
            JSAPIPtr local = m_local.lock();
            return local ? local->Invoke(methodName, args) : variant();
        }
        NPArgs npArgs(h, args);
        NPVariant result;
        VOID_TO_NPVARIANT(result);
        bool ok =
            m_npObject &&
            (methodName.empty() ? h.InvokeDefault(m_npObject, npArgs.data(), npArgs.size(), &result)
                                : h.Invoke(m_npObject, identifier(host(), methodName),
                                           npArgs.data(), npArgs.size(), &result));
        if (!ok) {
            throw script_error(methodName);
        }
        return takeResult(h, result);
    });
}

variant NPObjectAPI::Construct(const VariantList& args) {
    return onMain<variant>(variant(), [=](NpapiBrowserHost& h) -> variant {
        if (m_wrapsLocal) {
            JSAPIPtr local = m_local.lock();
            return local ? local->Construct(args) : variant();
        }
        NPArgs npArgs(h, args);
        NPVariant result;
        VOID_TO_NPVARIANT(result);
        if (!m_npObject || !h.Construct(m_npObject, npArgs.data(), npArgs.size(), &result)) {
            throw script_error("constructor");
        }
        return takeResult(h, result);
    });
}

void NPObjectAPI::callMultipleFunctions(const std::string& name, const VariantList& args,
                                        const std::vector<JSObjectPtr>& direct,
                                        const std::vector<JSObjectPtr>& ifaces) {
    boost::shared_ptr<NpapiBrowserHost> h = host();
    if (!h) {
        return;
    }
    if (!h->isMainThread()) {
        auto self = boost::static_pointer_cast<NPObjectAPI>(shared_from_this());
        h->ScheduleOnMainThread(self, [self, name, args, direct, ifaces] {
            self->callMultipleFunctions(name, args, direct, ifaces);
        });
        return;
    }
    JSObjectPtr delegate = h->getDelayedInvokeDelegate();
    if (!delegate) {
        throw script_error("Error calling handlers (delegate disappeared)");
    }
    for (const JSObjectPtr& handler : direct) {
        if (JSAPIPtr local = handler->getJSAPI()) {
            local->Invoke("", args);
        } else {
            delegate->Invoke("", VariantList{0, handler, args});
        }
    }
    for (const JSObjectPtr& iface : ifaces) {
        delegate->Invoke("", VariantList{0, iface, args, name});
    }
}

} // namespace FB::Npapi
