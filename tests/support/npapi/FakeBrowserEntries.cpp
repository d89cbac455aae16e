// The plain functions of the fake browser's NPNetscapeFuncs table. Each one checks the thread,
// logs its name and works on the current FakeBrowser through the same services the tests use.
#include <algorithm>
#include <cstring>
#include <string>

#include "tests/support/npapi/FakeBrowser.h"

namespace nvtest::npapi {

struct FakeBrowser::Entries {
    // The browser, when the call may go ahead. A call from another thread is recorded as misuse
    // and refused, so that it never touches the browser's state.
    static FakeBrowser* enter(const char* entry) {
        FakeBrowser* browser = s_current;
        if (!browser) {
            return nullptr;
        }
        if (std::this_thread::get_id() != browser->m_mainThread) {
            browser->recordMisuse(std::string(entry) + " called off the main thread");
            return nullptr;
        }
        ++browser->m_callCounts[entry];
        return browser;
    }

    // Records the request, then answers what the test set.
    static NPError request(const char* entry, NPP npp, const char* url, const char* target,
                           std::string body, bool notify, void* notifyData) {
        FakeBrowser* browser = enter(entry);
        if (!browser) {
            return NPERR_GENERIC_ERROR;
        }
        if (!url) {
            browser->recordMisuse(std::string(entry) + " without a URL");
            return NPERR_INVALID_URL;
        }
        std::optional<std::string> window;
        if (target) {
            window = target;
        }
        browser->m_requests.push_back(
            UrlRequest{npp, url, window, std::move(body), notify, notifyData});
        return browser->m_requestResult;
    }

    static NPError getURL(NPP npp, const char* url, const char* target) {
        return request("NPN_GetURL", npp, url, target, {}, false, nullptr);
    }

    static NPError getURLNotify(NPP npp, const char* url, const char* target, void* notifyData) {
        return request("NPN_GetURLNotify", npp, url, target, {}, true, notifyData);
    }

    static NPError postURLNotify(NPP npp, const char* url, const char* target, uint32_t len,
                                 const char* buf, NPBool, void* notifyData) {
        return request("NPN_PostURLNotify", npp, url, target,
                       buf ? std::string(buf, len) : std::string(), true, notifyData);
    }

    // The FakeStream behind a record, or null (misuse recorded).
    static FakeStream* stream(FakeBrowser& browser, const char* entry, NPStream* record) {
        auto found = browser.m_streams.find(record);
        if (found == browser.m_streams.end()) {
            browser.recordMisuse(std::string(entry) + " on a stream that is not open");
            return nullptr;
        }
        return found->second;
    }

    static NPError destroyStream(NPP, NPStream* record, NPReason reason) {
        FakeBrowser* browser = enter("NPN_DestroyStream");
        FakeStream* target = browser ? stream(*browser, "NPN_DestroyStream", record) : nullptr;
        if (!target) {
            return NPERR_GENERIC_ERROR;
        }
        target->finish(reason);
        return NPERR_NO_ERROR;
    }

    static void* memAlloc(uint32_t size) {
        FakeBrowser* browser = enter("NPN_MemAlloc");
        return browser ? browser->memAlloc(size) : nullptr;
    }

    static void memFree(void* block) {
        if (FakeBrowser* browser = enter("NPN_MemFree")) {
            browser->memFree(block);
        }
    }

    static NPError getValue(NPP, NPNVariable variable, void* value) {
        FakeBrowser* browser = enter("NPN_GetValue");
        if (!browser) {
            return NPERR_GENERIC_ERROR;
        }
        if (!value) {
            browser->recordMisuse("NPN_GetValue without a place for the answer");
            return NPERR_INVALID_PARAM;
        }
        switch (variable) {
        case NPNVWindowNPObject:
            *static_cast<NPObject**>(value) = browser->retainObject(browser->m_window.get());
            return NPERR_NO_ERROR;
        case NPNVPluginElementNPObject:
            *static_cast<NPObject**>(value) = browser->retainObject(browser->m_pluginElement.get());
            return NPERR_NO_ERROR;
        default:
            return NPERR_GENERIC_ERROR;
        }
    }

    static NPError setValue(NPP npp, NPPVariable variable, void* value) {
        FakeBrowser* browser = enter("NPN_SetValue");
        if (!browser) {
            return NPERR_GENERIC_ERROR;
        }
        browser->m_setValues.push_back(SetValueCall{npp, variable, value});
        return NPERR_NO_ERROR;
    }

    static NPIdentifier getStringIdentifier(const NPUTF8* name) {
        FakeBrowser* browser = enter("NPN_GetStringIdentifier");
        if (!browser) {
            return nullptr;
        }
        if (!name) {
            browser->recordMisuse("NPN_GetStringIdentifier without a name");
            return nullptr;
        }
        return browser->stringIdentifier(name);
    }

    static NPIdentifier getIntIdentifier(int32_t number) {
        FakeBrowser* browser = enter("NPN_GetIntIdentifier");
        return browser ? browser->intIdentifier(number) : nullptr;
    }

    // The identifier's record, or null (misuse recorded).
    static const Identifier* identifier(const char* entry, NPIdentifier id) {
        FakeBrowser* browser = enter(entry);
        if (!browser) {
            return nullptr;
        }
        const Identifier* record = browser->findIdentifier(id);
        if (!record) {
            browser->recordMisuse(std::string(entry) + " with an unknown identifier");
        }
        return record;
    }

    static bool identifierIsString(NPIdentifier id) {
        const Identifier* record = identifier("NPN_IdentifierIsString", id);
        return record && record->isString;
    }

    // A NUL-terminated copy the caller frees with NPN_MemFree; null for an integer identifier.
    static NPUTF8* utf8FromIdentifier(NPIdentifier id) {
        const Identifier* record = identifier("NPN_UTF8FromIdentifier", id);
        if (!record || !record->isString) {
            return nullptr;
        }
        auto* text = static_cast<NPUTF8*>(
            current().memAlloc(static_cast<uint32_t>(record->text.size() + 1)));
        std::memcpy(text, record->text.c_str(), record->text.size() + 1);
        return text;
    }

    // 0 for a string identifier.
    static int32_t intFromIdentifier(NPIdentifier id) {
        const Identifier* record = identifier("NPN_IntFromIdentifier", id);
        return record && !record->isString ? record->number : 0;
    }

    static NPObject* createObject(NPP npp, NPClass* objectClass) {
        FakeBrowser* browser = enter("NPN_CreateObject");
        return browser ? browser->createObject(npp, objectClass) : nullptr;
    }

    static NPObject* retainObject(NPObject* object) {
        FakeBrowser* browser = enter("NPN_RetainObject");
        return browser ? browser->retainObject(object) : object;
    }

    static void releaseObject(NPObject* object) {
        if (FakeBrowser* browser = enter("NPN_ReleaseObject")) {
            browser->releaseObject(object);
        }
    }

    // The class of a live object reached through `entry`, or null (misuse recorded).
    static const NPClass* live(const char* entry, NPObject* object) {
        FakeBrowser* browser = enter(entry);
        return browser ? browser->liveClass(entry, object) : nullptr;
    }

    static bool invoke(NPP, NPObject* object, NPIdentifier name, const NPVariant* args,
                       uint32_t argCount, NPVariant* result) {
        VOID_TO_NPVARIANT(*result);
        const NPClass* objectClass = live("NPN_Invoke", object);
        return objectClass && objectClass->invoke &&
               objectClass->invoke(object, name, args, argCount, result);
    }

    static bool invokeDefault(NPP, NPObject* object, const NPVariant* args, uint32_t argCount,
                              NPVariant* result) {
        VOID_TO_NPVARIANT(*result);
        const NPClass* objectClass = live("NPN_InvokeDefault", object);
        return objectClass && objectClass->invokeDefault &&
               objectClass->invokeDefault(object, args, argCount, result);
    }

    static bool evaluate(NPP, NPObject* scope, NPString* script, NPVariant* result) {
        FakeBrowser* browser = enter("NPN_Evaluate");
        if (!browser || !result) {
            return false;
        }
        VOID_TO_NPVARIANT(*result);
        if (!browser->isLive(scope) || !script || !script->UTF8Characters) {
            browser->recordMisuse("NPN_Evaluate without a live scope object and a script");
            return false;
        }
        const std::string text(script->UTF8Characters, script->UTF8Length);
        const std::optional<PageValue> answer =
            browser->m_evaluateHook ? browser->m_evaluateHook(text) : PageValue();
        if (!answer) {
            return false;
        }
        toNPVariant(*answer, *result);
        return true;
    }

    static bool getProperty(NPP, NPObject* object, NPIdentifier name, NPVariant* result) {
        VOID_TO_NPVARIANT(*result);
        const NPClass* objectClass = live("NPN_GetProperty", object);
        return objectClass && objectClass->getProperty &&
               objectClass->getProperty(object, name, result);
    }

    static bool setProperty(NPP, NPObject* object, NPIdentifier name, const NPVariant* value) {
        const NPClass* objectClass = live("NPN_SetProperty", object);
        return objectClass && objectClass->setProperty &&
               objectClass->setProperty(object, name, value);
    }

    static void releaseVariantValue(NPVariant* variant) {
        FakeBrowser* browser = enter("NPN_ReleaseVariantValue");
        if (browser && variant) {
            browser->releaseVariantValue(*variant);
        }
    }

    static void setException(NPObject* object, const NPUTF8* message) {
        if (FakeBrowser* browser = enter("NPN_SetException")) {
            browser->m_exceptions.push_back(ScriptException{object, message ? message : ""});
        }
    }

    static void pushPopupsEnabledState(NPP, NPBool) {
        if (FakeBrowser* browser = enter("NPN_PushPopupsEnabledState")) {
            ++browser->m_pushedPopupStates;
        }
    }

    static void popPopupsEnabledState(NPP) {
        FakeBrowser* browser = enter("NPN_PopPopupsEnabledState");
        if (!browser) {
            return;
        }
        if (browser->m_pushedPopupStates == 0) {
            browser->recordMisuse("NPN_PopPopupsEnabledState without a pushed state");
            return;
        }
        --browser->m_pushedPopupStates;
    }

    // Any thread may queue; the test runs the queue on the main thread.
    static void pluginThreadAsyncCall(NPP npp, void (*function)(void*), void* data) {
        FakeBrowser* browser = s_current;
        if (!browser) {
            return;
        }
        if (!function) {
            browser->recordMisuse("NPN_PluginThreadAsyncCall without a function");
            return;
        }
        std::lock_guard<std::mutex> lock(browser->m_asyncMutex);
        browser->m_asyncCalls.push_back(AsyncCall{npp, function, data});
    }
};

void FakeBrowser::fillFuncs() {
    m_funcs = NPNetscapeFuncs{};
    m_funcs.size = sizeof(NPNetscapeFuncs);
    m_funcs.version = 26;
    m_funcs.geturl = &Entries::getURL;
    m_funcs.destroystream = &Entries::destroyStream;
    m_funcs.memalloc = &Entries::memAlloc;
    m_funcs.memfree = &Entries::memFree;
    m_funcs.geturlnotify = &Entries::getURLNotify;
    m_funcs.posturlnotify = &Entries::postURLNotify;
    m_funcs.getvalue = &Entries::getValue;
    m_funcs.setvalue = &Entries::setValue;
    m_funcs.getstringidentifier = &Entries::getStringIdentifier;
    m_funcs.getintidentifier = &Entries::getIntIdentifier;
    m_funcs.identifierisstring = &Entries::identifierIsString;
    m_funcs.utf8fromidentifier = &Entries::utf8FromIdentifier;
    m_funcs.intfromidentifier = &Entries::intFromIdentifier;
    m_funcs.createobject = &Entries::createObject;
    m_funcs.retainobject = &Entries::retainObject;
    m_funcs.releaseobject = &Entries::releaseObject;
    m_funcs.invoke = &Entries::invoke;
    m_funcs.invokeDefault = &Entries::invokeDefault;
    m_funcs.evaluate = &Entries::evaluate;
    m_funcs.getproperty = &Entries::getProperty;
    m_funcs.setproperty = &Entries::setProperty;
    m_funcs.releasevariantvalue = &Entries::releaseVariantValue;
    m_funcs.setexception = &Entries::setException;
    m_funcs.pushpopupsenabledstate = &Entries::pushPopupsEnabledState;
    m_funcs.poppopupsenabledstate = &Entries::popPopupsEnabledState;
    m_funcs.pluginthreadasynccall = &Entries::pluginThreadAsyncCall;
}

} // namespace nvtest::npapi
