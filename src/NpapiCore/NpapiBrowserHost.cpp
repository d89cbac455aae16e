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

void copyNPBrowserFuncs(NPNetscapeFuncs* dst, const NPNetscapeFuncs* src, NPP) {
    std::memset(dst, 0, sizeof(NPNetscapeFuncs));
    dst->size = src->size;
    dst->version = src->version;
    dst->geturl = src->geturl;
    dst->posturl = src->posturl;
    dst->requestread = src->requestread;
    dst->newstream = src->newstream;
    dst->write = src->write;
    dst->destroystream = src->destroystream;
    dst->status = src->status;
    dst->uagent = src->uagent;
    dst->memalloc = src->memalloc;
    dst->memfree = src->memfree;
    dst->memflush = src->memflush;
    dst->reloadplugins = src->reloadplugins;
    dst->geturlnotify = src->geturlnotify;
    dst->posturlnotify = src->posturlnotify;
    dst->getvalue = src->getvalue;
    dst->setvalue = src->setvalue;
    dst->invalidaterect = src->invalidaterect;
    dst->invalidateregion = src->invalidateregion;
    dst->forceredraw = src->forceredraw;
    dst->getstringidentifier = src->getstringidentifier;
    dst->getstringidentifiers = src->getstringidentifiers;
    dst->getintidentifier = src->getintidentifier;
    dst->identifierisstring = src->identifierisstring;
    dst->utf8fromidentifier = src->utf8fromidentifier;
    dst->intfromidentifier = src->intfromidentifier;
    dst->createobject = src->createobject;
    dst->retainobject = src->retainobject;
    dst->releaseobject = src->releaseobject;
    dst->invoke = src->invoke;
    dst->invokeDefault = src->invokeDefault;
    dst->evaluate = src->evaluate;
    dst->getproperty = src->getproperty;
    dst->setproperty = src->setproperty;
    dst->removeproperty = src->removeproperty;
    dst->hasproperty = src->hasproperty;
    dst->hasmethod = src->hasmethod;
    dst->releasevariantvalue = src->releasevariantvalue;
    dst->setexception = src->setexception;
    dst->construct = src->construct;
    if (src->version >= NPVERS_HAS_POPUPS_ENABLED_STATE) {
        dst->pushpopupsenabledstate = src->pushpopupsenabledstate;
        dst->poppopupsenabledstate = src->poppopupsenabledstate;
    }
    if (src->version >= NPVERS_HAS_NPOBJECT_ENUM) {
        dst->enumerate = src->enumerate;
    }
    if (src->version >= NPVERS_HAS_URL_AND_AUTH_INFO) {
        dst->getvalueforurl = src->getvalueforurl;
        dst->setvalueforurl = src->setvalueforurl;
        dst->getauthenticationinfo = src->getauthenticationinfo;
    }
    if (src->version >= NPVERS_MACOSX_HAS_COCOA_EVENTS) {
        dst->scheduletimer = src->scheduletimer;
        dst->unscheduletimer = src->unscheduletimer;
    }
    // Every main-thread call goes through our own queue, never the browser's entry directly.
    dst->pluginthreadasynccall = &NpapiPluginModule::scheduleAsyncCallback;
}

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
        throw std::runtime_error("Cannot find HTML window");
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
    for (auto it = m_wrapperCache.begin(); it != m_wrapperCache.end();) {
        it = it->second.expired() ? m_wrapperCache.erase(it) : std::next(it);
    }
}

NPObject* NpapiBrowserHost::getJSAPIWrapper(const JSAPIPtr& api, bool releaseWithWrapper) {
    auto cached = m_wrapperCache.find(api.get());
    if (cached != m_wrapperCache.end()) {
        if (auto reference = cached->second.lock()) {
            NPObject* wrapper = reference->getPtr();
            RetainObject(wrapper);
            return wrapper;
        }
    }
    NPJavascriptObject* wrapper =
        NPJavascriptObject::NewObject(shared_ptr(), api, releaseWithWrapper);
    if (wrapper) {
        m_wrapperCache[api.get()] = wrapper->getWeakReference();
    }
    return wrapper;
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

// Instance table wrappers.
NPError NpapiBrowserHost::GetValue(NPNVariable variable, void* value) const {
    return m_funcs.getvalue ? m_funcs.getvalue(m_npp, variable, value) : NPERR_GENERIC_ERROR;
}
NPError NpapiBrowserHost::SetValue(NPPVariable variable, void* value) const {
    return m_funcs.setvalue ? m_funcs.setvalue(m_npp, variable, value) : NPERR_GENERIC_ERROR;
}
NPError NpapiBrowserHost::GetURL(const char* url, const char* target) const {
    return m_funcs.geturl ? m_funcs.geturl(m_npp, url, target) : NPERR_GENERIC_ERROR;
}
NPError NpapiBrowserHost::GetURLNotify(const char* url, const char* target,
                                       void* notifyData) const {
    return m_funcs.geturlnotify ? m_funcs.geturlnotify(m_npp, url, target, notifyData)
                                : NPERR_GENERIC_ERROR;
}
NPError NpapiBrowserHost::PostURL(const char* url, const char* target, uint32_t len,
                                  const char* buf, NPBool file) const {
    return m_funcs.posturl ? m_funcs.posturl(m_npp, url, target, len, buf, file)
                           : NPERR_GENERIC_ERROR;
}
NPError NpapiBrowserHost::PostURLNotify(const char* url, const char* target, uint32_t len,
                                        const char* buf, NPBool file, void* notifyData) const {
    return m_funcs.posturlnotify
               ? m_funcs.posturlnotify(m_npp, url, target, len, buf, file, notifyData)
               : NPERR_GENERIC_ERROR;
}
NPError NpapiBrowserHost::RequestRead(NPStream* stream, NPByteRange* rangeList) const {
    return m_funcs.requestread ? m_funcs.requestread(stream, rangeList) : NPERR_GENERIC_ERROR;
}
NPError NpapiBrowserHost::NewStream(NPMIMEType type, const char* target, NPStream** stream) const {
    return m_funcs.newstream ? m_funcs.newstream(m_npp, type, target, stream) : NPERR_GENERIC_ERROR;
}
int32_t NpapiBrowserHost::Write(NPStream* stream, int32_t len, void* buffer) const {
    return m_funcs.write ? m_funcs.write(m_npp, stream, len, buffer) : 0;
}
NPError NpapiBrowserHost::DestroyStream(NPStream* stream, NPReason reason) const {
    return m_funcs.destroystream ? m_funcs.destroystream(m_npp, stream, reason)
                                 : NPERR_GENERIC_ERROR;
}
void NpapiBrowserHost::SetStatus(const char* message) const {
    if (m_funcs.status) {
        m_funcs.status(m_npp, message);
    }
}
void NpapiBrowserHost::InvalidateRect(NPRect* invalidRect) const {
    if (m_funcs.invalidaterect) {
        m_funcs.invalidaterect(m_npp, invalidRect);
    }
}
void NpapiBrowserHost::ForceRedraw() const {
    if (m_funcs.forceredraw) {
        m_funcs.forceredraw(m_npp);
    }
}
void NpapiBrowserHost::PushPopupsEnabledState(NPBool enabled) const {
    if (m_funcs.pushpopupsenabledstate) {
        m_funcs.pushpopupsenabledstate(m_npp, enabled);
    }
}
void NpapiBrowserHost::PopPopupsEnabledState() const {
    if (m_funcs.poppopupsenabledstate) {
        m_funcs.poppopupsenabledstate(m_npp);
    }
}
bool NpapiBrowserHost::Invoke(NPObject* npobj, NPIdentifier methodName, const NPVariant* args,
                              uint32_t argCount, NPVariant* result) const {
    return m_funcs.invoke && m_funcs.invoke(m_npp, npobj, methodName, args, argCount, result);
}
bool NpapiBrowserHost::InvokeDefault(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                     NPVariant* result) const {
    return m_funcs.invokeDefault && m_funcs.invokeDefault(m_npp, npobj, args, argCount, result);
}
bool NpapiBrowserHost::Evaluate(NPObject* npobj, NPString* script, NPVariant* result) const {
    return m_funcs.evaluate && m_funcs.evaluate(m_npp, npobj, script, result);
}
bool NpapiBrowserHost::GetProperty(NPObject* npobj, NPIdentifier propertyName,
                                   NPVariant* result) const {
    return m_funcs.getproperty && m_funcs.getproperty(m_npp, npobj, propertyName, result);
}
bool NpapiBrowserHost::SetProperty(NPObject* npobj, NPIdentifier propertyName,
                                   const NPVariant* value) const {
    return m_funcs.setproperty && m_funcs.setproperty(m_npp, npobj, propertyName, value);
}
bool NpapiBrowserHost::RemoveProperty(NPObject* npobj, NPIdentifier propertyName) const {
    return m_funcs.removeproperty && m_funcs.removeproperty(m_npp, npobj, propertyName);
}
bool NpapiBrowserHost::HasProperty(NPObject* npobj, NPIdentifier propertyName) const {
    return m_funcs.hasproperty && m_funcs.hasproperty(m_npp, npobj, propertyName);
}
bool NpapiBrowserHost::HasMethod(NPObject* npobj, NPIdentifier methodName) const {
    return m_funcs.hasmethod && m_funcs.hasmethod(m_npp, npobj, methodName);
}
bool NpapiBrowserHost::Enumerate(NPObject* npobj, NPIdentifier** identifiers,
                                 uint32_t* count) const {
    return m_funcs.enumerate && m_funcs.enumerate(m_npp, npobj, identifiers, count);
}
bool NpapiBrowserHost::Construct(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                 NPVariant* result) const {
    return m_funcs.construct && m_funcs.construct(m_npp, npobj, args, argCount, result);
}
NPObject* NpapiBrowserHost::CreateObject(NPClass* aClass) const {
    return m_funcs.createobject ? m_funcs.createobject(m_npp, aClass) : nullptr;
}
void NpapiBrowserHost::SetException(NPObject* obj, const NPUTF8* message) const {
    if (m_funcs.setexception) {
        m_funcs.setexception(obj, message);
    }
}
uint32_t NpapiBrowserHost::ScheduleTimer(uint32_t interval, NPBool repeat,
                                         void (*timerFunc)(NPP npp, uint32_t timerID)) const {
    return m_funcs.scheduletimer ? m_funcs.scheduletimer(m_npp, interval, repeat, timerFunc) : 0;
}
void NpapiBrowserHost::UnscheduleTimer(uint32_t timerID) const {
    if (m_funcs.unscheduletimer) {
        m_funcs.unscheduletimer(m_npp, timerID);
    }
}

// Global services.
void* NpapiBrowserHost::MemAlloc(uint32_t size) const {
    return m_module->MemAlloc(size);
}
void NpapiBrowserHost::MemFree(void* ptr) const {
    m_module->MemFree(ptr);
}
NPObject* NpapiBrowserHost::RetainObject(NPObject* npobj) const {
    return m_module->RetainObject(npobj);
}
void NpapiBrowserHost::ReleaseObject(NPObject* npobj) const {
    m_module->ReleaseObject(npobj);
}
void NpapiBrowserHost::ReleaseVariantValue(NPVariant* variant) const {
    m_module->ReleaseVariantValue(variant);
}
NPIdentifier NpapiBrowserHost::GetStringIdentifier(const NPUTF8* name) const {
    return m_module->GetStringIdentifier(name);
}
NPIdentifier NpapiBrowserHost::GetIntIdentifier(int32_t intid) const {
    return m_module->GetIntIdentifier(intid);
}
bool NpapiBrowserHost::IdentifierIsString(NPIdentifier identifier) const {
    return m_module->IdentifierIsString(identifier);
}
std::string NpapiBrowserHost::StringFromIdentifier(NPIdentifier identifier) const {
    return m_module->StringFromIdentifier(identifier);
}
int32_t NpapiBrowserHost::IntFromIdentifier(NPIdentifier identifier) const {
    return m_module->IntFromIdentifier(identifier);
}

} // namespace FB::Npapi
