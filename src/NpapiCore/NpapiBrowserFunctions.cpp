// The plain forwarding of the browser's function table for one instance: each member calls the
// browser's entry with the instance, or answers a failure when the browser left the entry out.
#include "src/NpapiCore/NpapiBrowserHost.h"

#include <cstring>

#include "src/NpapiCore/NpapiPluginModule.h"

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
