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
        browser->m_callLog.emplace_back(entry);
        return browser;
    }

    static NPError request(const char* entry, UrlRequest request, const char* url,
                           const char* target) {
        FakeBrowser* browser = enter(entry);
        if (!browser) {
            return NPERR_GENERIC_ERROR;
        }
        if (!url) {
            browser->recordMisuse(std::string(entry) + " without a URL");
            return NPERR_INVALID_URL;
        }
        request.url = url;
        if (target) {
            request.target = target;
        }
        request.result = browser->m_requestResult;
        browser->m_requests.push_back(request);
        return request.result;
    }

    static std::string postBody(const char* buf, uint32_t len) {
        return buf ? std::string(buf, len) : std::string();
    }

    static NPError getURL(NPP npp, const char* url, const char* target) {
        return request("NPN_GetURL", UrlRequest{npp, "GET", {}, {}, {}, false, false, nullptr, 0},
                       url, target);
    }

    static NPError postURL(NPP npp, const char* url, const char* target, uint32_t len,
                           const char* buf, NPBool file) {
        return request(
            "NPN_PostURL",
            UrlRequest{npp, "POST", {}, {}, postBody(buf, len), file != 0, false, nullptr, 0}, url,
            target);
    }

    static NPError getURLNotify(NPP npp, const char* url, const char* target, void* notifyData) {
        return request("NPN_GetURLNotify",
                       UrlRequest{npp, "GET", {}, {}, {}, false, true, notifyData, 0}, url, target);
    }

    static NPError postURLNotify(NPP npp, const char* url, const char* target, uint32_t len,
                                 const char* buf, NPBool file, void* notifyData) {
        return request(
            "NPN_PostURLNotify",
            UrlRequest{npp, "POST", {}, {}, postBody(buf, len), file != 0, true, notifyData, 0},
            url, target);
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

    static const char* userAgent(NPP) {
        FakeBrowser* browser = enter("NPN_UserAgent");
        return browser ? browser->m_userAgent.c_str() : nullptr;
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
        case NPNVSupportsWindowless:
        case NPNVjavascriptEnabledBool:
            *static_cast<NPBool*>(value) = true;
            return NPERR_NO_ERROR;
        case NPNVprivateModeBool:
            *static_cast<NPBool*>(value) = false;
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

    static void getStringIdentifiers(const NPUTF8** names, int32_t count, NPIdentifier* ids) {
        FakeBrowser* browser = enter("NPN_GetStringIdentifiers");
        if (!browser || !names || !ids) {
            return;
        }
        for (int32_t i = 0; i < count; ++i) {
            ids[i] = names[i] ? browser->stringIdentifier(names[i]) : nullptr;
        }
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

    static bool invoke(NPP, NPObject* object, NPIdentifier name, const NPVariant* args,
                       uint32_t argCount, NPVariant* result) {
        FakeBrowser* browser = enter("NPN_Invoke");
        return browser &&
               browser->m_objects.invoke("NPN_Invoke", object, name, args, argCount, result);
    }

    static bool invokeDefault(NPP, NPObject* object, const NPVariant* args, uint32_t argCount,
                              NPVariant* result) {
        FakeBrowser* browser = enter("NPN_InvokeDefault");
        return browser && browser->m_objects.invokeDefault("NPN_InvokeDefault", object, args,
                                                           argCount, result);
    }

    static bool construct(NPP, NPObject* object, const NPVariant* args, uint32_t argCount,
                          NPVariant* result) {
        FakeBrowser* browser = enter("NPN_Construct");
        return browser &&
               browser->m_objects.construct("NPN_Construct", object, args, argCount, result);
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
        FakeBrowser* browser = enter("NPN_GetProperty");
        return browser && browser->m_objects.getProperty("NPN_GetProperty", object, name, result);
    }

    static bool setProperty(NPP, NPObject* object, NPIdentifier name, const NPVariant* value) {
        FakeBrowser* browser = enter("NPN_SetProperty");
        return browser && browser->m_objects.setProperty("NPN_SetProperty", object, name, value);
    }

    static bool removeProperty(NPP, NPObject* object, NPIdentifier name) {
        FakeBrowser* browser = enter("NPN_RemoveProperty");
        return browser && browser->m_objects.removeProperty("NPN_RemoveProperty", object, name);
    }

    static bool hasProperty(NPP, NPObject* object, NPIdentifier name) {
        FakeBrowser* browser = enter("NPN_HasProperty");
        return browser && browser->m_objects.hasProperty("NPN_HasProperty", object, name);
    }

    static bool hasMethod(NPP, NPObject* object, NPIdentifier name) {
        FakeBrowser* browser = enter("NPN_HasMethod");
        return browser && browser->m_objects.hasMethod("NPN_HasMethod", object, name);
    }

    static bool enumerate(NPP, NPObject* object, NPIdentifier** names, uint32_t* count) {
        FakeBrowser* browser = enter("NPN_Enumerate");
        return browser && browser->m_objects.enumerate("NPN_Enumerate", object, names, count);
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

    // The answer is NPN_MemAlloc'd without a terminator: the plug-in must go by the length.
    static NPError getValueForURL(NPP, NPNURLVariable variable, const char* url, char** value,
                                  uint32_t* length) {
        FakeBrowser* browser = enter("NPN_GetValueForURL");
        if (!browser) {
            return NPERR_GENERIC_ERROR;
        }
        if (!url || !value || !length) {
            browser->recordMisuse("NPN_GetValueForURL without a URL or a place for the answer");
            return NPERR_INVALID_PARAM;
        }
        const std::optional<std::string> answer =
            browser->m_urlValueHook ? browser->m_urlValueHook(variable, url) : std::nullopt;
        if (!answer) {
            return NPERR_GENERIC_ERROR;
        }
        *length = static_cast<uint32_t>(answer->size());
        *value = static_cast<char*>(browser->memAlloc(*length));
        std::memcpy(*value, answer->data(), answer->size());
        return NPERR_NO_ERROR;
    }
};

void FakeBrowser::fillFuncs() {
    m_funcs = NPNetscapeFuncs{};
    m_funcs.size = sizeof(NPNetscapeFuncs);
    m_funcs.version = kTableVersion;
    m_funcs.geturl = &Entries::getURL;
    m_funcs.posturl = &Entries::postURL;
    m_funcs.destroystream = &Entries::destroyStream;
    m_funcs.uagent = &Entries::userAgent;
    m_funcs.memalloc = &Entries::memAlloc;
    m_funcs.memfree = &Entries::memFree;
    m_funcs.geturlnotify = &Entries::getURLNotify;
    m_funcs.posturlnotify = &Entries::postURLNotify;
    m_funcs.getvalue = &Entries::getValue;
    m_funcs.setvalue = &Entries::setValue;
    m_funcs.getstringidentifier = &Entries::getStringIdentifier;
    m_funcs.getstringidentifiers = &Entries::getStringIdentifiers;
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
    m_funcs.removeproperty = &Entries::removeProperty;
    m_funcs.hasproperty = &Entries::hasProperty;
    m_funcs.hasmethod = &Entries::hasMethod;
    m_funcs.releasevariantvalue = &Entries::releaseVariantValue;
    m_funcs.setexception = &Entries::setException;
    m_funcs.pushpopupsenabledstate = &Entries::pushPopupsEnabledState;
    m_funcs.poppopupsenabledstate = &Entries::popPopupsEnabledState;
    m_funcs.enumerate = &Entries::enumerate;
    m_funcs.pluginthreadasynccall = &Entries::pluginThreadAsyncCall;
    m_funcs.construct = &Entries::construct;
    m_funcs.getvalueforurl = &Entries::getValueForURL;
}

} // namespace nvtest::npapi
