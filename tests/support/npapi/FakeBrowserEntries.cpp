// The plain functions of the fake browser's NPNetscapeFuncs table: each checks the thread, then
// works on the current FakeBrowser through the same services the tests use.
#include <cstring>

#include "tests/support/npapi/FakeBrowser.h"

namespace nvtest::npapi {

namespace {

// The class of a live object reached through `entry`, or null.
const NPClass* live(const char* entry, NPObject* object) {
    FakeBrowser* browser = FakeBrowser::enter(entry);
    return browser ? browser->liveClass(entry, object) : nullptr;
}

} // namespace

void FakeBrowser::fillFuncs() {
    m_funcs.size = sizeof(NPNetscapeFuncs);
    m_funcs.version = 26;
    m_funcs.geturl = [](NPP, const char* url, const char*) {
        if (FakeBrowser* browser = enter("NPN_GetURL")) {
            browser->requestedUrls.push_back(url);
        }
        return NPERR_NO_ERROR;
    };
    m_funcs.memalloc = [](uint32_t size) {
        FakeBrowser* browser = enter("NPN_MemAlloc");
        return browser ? browser->memAlloc(size) : nullptr;
    };
    m_funcs.memfree = [](void* block) {
        if (FakeBrowser* browser = enter("NPN_MemFree")) {
            browser->memFree(block);
        }
    };
    m_funcs.getvalue = [](NPP, NPNVariable variable, void* value) {
        FakeBrowser* browser = enter("NPN_GetValue");
        if (!browser || variable != NPNVWindowNPObject) {
            return NPERR_GENERIC_ERROR;
        }
        *static_cast<NPObject**>(value) = browser->retainObject(browser->m_window.get());
        return NPERR_NO_ERROR;
    };
    m_funcs.setvalue = [](NPP, NPPVariable variable, void* value) {
        if (FakeBrowser* browser = enter("NPN_SetValue")) {
            browser->setValues.emplace_back(variable, value);
        }
        return NPERR_NO_ERROR;
    };
    m_funcs.getstringidentifier = [](const NPUTF8* name) {
        FakeBrowser* browser = enter("NPN_GetStringIdentifier");
        return browser ? browser->identifier(name) : nullptr;
    };
    m_funcs.identifierisstring = [](NPIdentifier) { return true; };
    // A NUL-terminated copy the caller frees with NPN_MemFree.
    m_funcs.utf8fromidentifier = [](NPIdentifier id) -> NPUTF8* {
        FakeBrowser* browser = enter("NPN_UTF8FromIdentifier");
        const std::string& name = *static_cast<const std::string*>(id);
        auto* text =
            browser ? static_cast<NPUTF8*>(browser->memAlloc(uint32_t(name.size() + 1))) : nullptr;
        return text ? static_cast<NPUTF8*>(std::memcpy(text, name.c_str(), name.size() + 1))
                    : nullptr;
    };
    m_funcs.createobject = [](NPP npp, NPClass* objectClass) {
        FakeBrowser* browser = enter("NPN_CreateObject");
        return browser ? browser->createObject(npp, objectClass) : nullptr;
    };
    m_funcs.retainobject = [](NPObject* object) {
        FakeBrowser* browser = enter("NPN_RetainObject");
        return browser ? browser->retainObject(object) : object;
    };
    m_funcs.releaseobject = [](NPObject* object) {
        if (FakeBrowser* browser = enter("NPN_ReleaseObject")) {
            browser->releaseObject(object);
        }
    };
    m_funcs.invoke = [](NPP, NPObject* object, NPIdentifier name, const NPVariant* args,
                        uint32_t argCount, NPVariant* result) {
        VOID_TO_NPVARIANT(*result);
        const NPClass* objectClass = live("NPN_Invoke", object);
        return objectClass && objectClass->invoke(object, name, args, argCount, result);
    };
    m_funcs.invokeDefault = [](NPP, NPObject* object, const NPVariant* args, uint32_t argCount,
                               NPVariant* result) {
        VOID_TO_NPVARIANT(*result);
        const NPClass* objectClass = live("NPN_InvokeDefault", object);
        return objectClass && objectClass->invokeDefault(object, args, argCount, result);
    };
    m_funcs.getproperty = [](NPP, NPObject* object, NPIdentifier name, NPVariant* result) {
        VOID_TO_NPVARIANT(*result);
        const NPClass* objectClass = live("NPN_GetProperty", object);
        return objectClass && objectClass->getProperty(object, name, result);
    };
    m_funcs.releasevariantvalue = [](NPVariant* variant) {
        if (FakeBrowser* browser = enter("NPN_ReleaseVariantValue")) {
            browser->releaseVariantValue(*variant);
        }
    };
    m_funcs.setexception = [](NPObject*, const NPUTF8* message) {
        if (FakeBrowser* browser = enter("NPN_SetException")) {
            browser->exceptions.push_back(message);
        }
    };
    // Any thread may queue; the test runs the queue on the main thread.
    m_funcs.pluginthreadasynccall = [](NPP npp, void (*function)(void*), void* data) {
        current().queueAsyncCall(npp, function, data);
    };
}

} // namespace nvtest::npapi
