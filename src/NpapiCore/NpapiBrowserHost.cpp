#include "src/NpapiCore/NpapiBrowserHost.h"

#include <cstring>

#include <boost/make_shared.hpp>

#include "src/NpapiCore/NPJavascriptObject.h"
#include "src/NpapiCore/NPObjectAPI.h"
#include "src/NpapiCore/NpapiPluginModule.h"
#include "src/NpapiCore/NpapiStream.h"
#include "src/ScriptingCore/logging.h"
#include "src/ScriptingCore/script_error.h"

namespace FB::Npapi {

NpapiBrowserHost::NpapiBrowserHost(NpapiPluginModule* module, NPP npp)
    : m_module(module), m_npp(npp) {
    std::memset(&m_funcs, 0, sizeof(m_funcs));
}

NpapiBrowserHost::~NpapiBrowserHost() = default;

void NpapiBrowserHost::setBrowserFuncs(const NPNetscapeFuncs* pFuncs) {
    copyNPBrowserFuncs(&m_funcs, pFuncs, m_npp);
    auto self = shared_ptr();
    NPObject* window = nullptr;
    if (GetValue(NPNVWindowNPObject, &window) == NPERR_NO_ERROR && window) {
        m_pageWindow = boost::make_shared<NPObjectAPI>(window, self);
        ReleaseObject(window);
    }
    NPObject* element = nullptr;
    if (GetValue(NPNVPluginElementNPObject, &element) == NPERR_NO_ERROR && element) {
        m_pluginElement = boost::make_shared<NPObjectAPI>(element, self);
        ReleaseObject(element);
    }
    if (m_pageWindow) {
        try {
            m_pageDocument = m_pageWindow->GetProperty("document").convert_cast<JSObjectPtr>();
        } catch (const std::exception&) {
            // A page without a document leaves the member empty.
        }
    }
}

DOM::WindowPtr NpapiBrowserHost::getDOMWindow() {
    if (!m_pageWindow) {
        throw std::runtime_error("Cannot find HTML window");
    }
    return _createWindow(m_pageWindow);
}

DOM::DocumentPtr NpapiBrowserHost::getDOMDocument() {
    if (!m_pageDocument) {
        throw std::runtime_error("Cannot find HTML document");
    }
    return _createDocument(m_pageDocument);
}

DOM::ElementPtr NpapiBrowserHost::getDOMElement() {
    if (!m_pluginElement) {
        throw std::runtime_error("Cannot find the plug-in element");
    }
    return _createElement(m_pluginElement);
}

void NpapiBrowserHost::evaluateJavaScript(const std::string& script) {
    if (!m_pageWindow) {
        throw std::runtime_error("Cannot find HTML window");
    }
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    NPString text{script.c_str(), static_cast<uint32_t>(script.size())};
    auto window = boost::static_pointer_cast<NPObjectAPI>(m_pageWindow);
    if (!Evaluate(window->getNPObject(), &text, &result)) {
        throw script_error("Error executing JavaScript code");
    }
    ReleaseVariantValue(&result);
}

void NpapiBrowserHost::Navigate(const std::string& url, const std::string& target) {
    // Pop only what was pushed: a browser without the push entry must not lose a state of its own.
    bool pushed = m_funcs.pushpopupsenabledstate != nullptr;
    PushPopupsEnabledState(true);
    GetURL(url.c_str(), target.c_str());
    if (pushed) {
        PopPopupsEnabledState();
    }
}

void NpapiBrowserHost::shutdown() {
    std::memset(&m_funcs, 0, sizeof(m_funcs));
    FB::BrowserHost::shutdown();
    m_pageWindow.reset();
    m_pluginElement.reset();
    m_pageDocument.reset();
}

void NpapiBrowserHost::deferred_release(NPObject* obj) const {
    m_releaseQueue.push(obj);
    if (isMainThread()) {
        DoDeferredRelease();
    }
}

void NpapiBrowserHost::DoDeferredRelease() const {
    NPObject* obj;
    while (m_releaseQueue.try_pop(obj)) {
        m_module->ReleaseObject(obj);
    }
}

NPObject* NpapiBrowserHost::getJSAPIWrapper(const JSAPIPtr& api, bool releaseWithWrapper) {
    auto cached = m_wrapperCache.find(api.get());
    if (cached != m_wrapperCache.end()) {
        // A wrapper that does not keep its object alive may outlive it, and a new object may
        // then take the same address: that one needs a wrapper of its own.
        auto reference = cached->second.lock();
        if (reference && reference->getPtr()->wraps(api)) {
            NPObject* wrapper = reference->getPtr();
            RetainObject(wrapper);
            return wrapper;
        }
    }
    NPJavascriptObject* wrapper =
        NPJavascriptObject::NewObject(shared_ptr(), api, releaseWithWrapper);
    if (wrapper) {
        m_wrapperCache[api.get()] = wrapper->getWeakReference();
        wrapper->setCacheKey(api.get());
    }
    return wrapper;
}

void NpapiBrowserHost::forgetJSAPIWrapper(const void* key, const NPJavascriptObject* wrapper) {
    auto cached = m_wrapperCache.find(key);
    if (cached == m_wrapperCache.end()) {
        return;
    }
    auto reference = cached->second.lock();
    if (!reference || reference->getPtr() == wrapper) {
        m_wrapperCache.erase(cached);
    }
}

bool NpapiBrowserHost::_scheduleAsyncCall(void (*func)(void*), void* userData) const {
    if (isShutDown() || !m_funcs.pluginthreadasynccall) {
        return false;
    }
    m_funcs.pluginthreadasynccall(m_npp, func, userData);
    return true;
}

BrowserStreamPtr NpapiBrowserHost::_createStream(const BrowserStreamRequest& req) const {
    std::string url = req.uri.toString(true);
    auto self = boost::static_pointer_cast<NpapiBrowserHost>(
        boost::const_pointer_cast<BrowserHost>(shared_from_this()));
    auto stream =
        boost::make_shared<NpapiStream>(url, req.cache, req.seekable, req.internalBufferSize, self);
    if (PluginEventSinkPtr sink = req.getEventSink()) {
        stream->AttachObserver(sink);
    }
    NPError result;
    if (req.method == "GET") {
        result = GetURLNotify(url.c_str(), nullptr, stream.get());
    } else {
        // The browser copies the buffer before answering, so one buffer serves every POST.
        std::string& buffer = m_postBuffer;
        buffer.clear();
        if (!req.getPostHeaders().empty()) {
            buffer += req.getPostHeaders();
            buffer += "\n\n";
        } else {
            buffer += "Content-type: application/x-www-form-urlencoded\nContent-Length: " +
                      std::to_string(req.getPostData().size()) + "\n\n";
        }
        buffer += req.getPostData();
        result = PostURLNotify(url.c_str(), nullptr, static_cast<uint32_t>(buffer.size()),
                               buffer.data(), false, stream.get());
    }
    if (result != NPERR_NO_ERROR) {
        return BrowserStreamPtr();
    }
    stream->setCreated();
    return stream;
}

} // namespace FB::Npapi
