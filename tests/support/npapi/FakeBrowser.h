// FakeBrowser: the browser side of NPAPI for unit tests of the plug-in's NPAPI layer. funcs() is a
// filled NPNetscapeFuncs table (version 26) whose entries work on a small page model: interned
// identifiers, tracked NPN_MemAlloc blocks, reference-counted NPObjects deallocated through their
// class, fake page objects (the window with its document, the plug-in element, and any the test
// makes), recorded URL requests that the test answers with FakeStream, and queued async calls that
// the test runs. A test may null out entries of funcs() before handing it to the plug-in; the fake
// itself never calls through the table. Entries whose work no test needs stay null, as in a
// browser that lacks them.
//
// Misuse that a real browser would punish with a crash or a silent fault is recorded in misuses()
// and not performed: freeing memory the browser did not allocate, using an object that is not
// alive, an unknown identifier, popping a pop-up state never pushed, a main-thread entry called
// from another thread.
//
// One FakeBrowser at a time: the table's plain functions find it through current().
// Thread contract: main thread only (the thread that made it), as for a browser; the table's
// pluginthreadasynccall entry may be used from any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "src/NpapiCore/npapi/npapi_all.h"
#include "tests/support/npapi/FakePageObject.h"
#include "tests/support/npapi/FakeStream.h"
#include "tests/support/npapi/PageValue.h"

namespace nvtest::npapi {

struct Identifier {
    bool isString;
    std::string text; // the name, for a string identifier
    int32_t number;   // the value, for an integer identifier
};

class FakeBrowser {
public:
    // The answer to a script; nullopt makes the evaluation fail.
    using EvaluateHook = std::function<std::optional<PageValue>(const std::string& script)>;

    struct SetValueCall {
        NPP npp;
        NPPVariable variable;
        void* value; // as passed: NPPVpluginWindowBool carries the bool in the pointer itself
    };
    struct ScriptException {
        NPObject* object;
        std::string message;
    };

    // REQUIRES: no other FakeBrowser alive.
    FakeBrowser();
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    // REQUIRES: a FakeBrowser is alive.
    static FakeBrowser& current();

    NPNetscapeFuncs& funcs() { return m_funcs; }
    // A new instance record owned by the browser and valid as long as it.
    NPP addInstance();
    // What a browser does after NPP_Destroy: the instance's queued async calls go.
    void forgetInstance(NPP npp);

    // The page. The window holds "document" and has the methods "Array" and "Object", which answer
    // a new array (of their arguments) and a new plain object.
    FakePageObject& window() { return *FakePageObject::from(m_window.get()); }
    ObjectRef newObject();
    ObjectRef newArray(PageArgs elements = {});
    ObjectRef newFunction(PageMethod body = nullptr);
    // Without a hook every script succeeds with void.
    void setEvaluateHook(EvaluateHook hook) { m_evaluateHook = std::move(hook); }
    // What NPN_GetURL and the Notify variants answer from now on; the requests are
    // recorded whatever the answer.
    void setRequestResult(NPError result) { m_requestResult = result; }

    // Acting as page script on any object, the plug-in's own included. Each answers nullopt (or
    // false) when the call fails; the arguments are browser-owned and released after the call.
    std::optional<PageValue> invoke(NPObject* object, const std::string& method,
                                    const PageArgs& args);
    std::optional<PageValue> invokeDefault(NPObject* object, const PageArgs& args);
    std::optional<PageValue> getProperty(NPObject* object, const std::string& name);
    bool setProperty(NPObject* object, const std::string& name, const PageValue& value);
    // The member names, integer identifiers as decimal text.
    std::optional<std::vector<std::string>> enumerate(NPObject* object);
    // Page teardown: the invalidate slot of every live object runs; references are unchanged.
    void invalidateObjects();

    // What the plug-in did: the calls of a table entry ("NPN_GetURL"), the requests, and so on.
    size_t callCount(std::string_view entry) const;
    const std::vector<UrlRequest>& requests() const { return m_requests; }
    const std::vector<SetValueCall>& setValues() const { return m_setValues; }
    const std::vector<ScriptException>& exceptions() const { return m_exceptions; }
    std::vector<std::string> misuses() const;

    // Runs queued async calls in order, those queued meanwhile included, until none is left.
    // Returns the number run.
    size_t runAsyncCalls();

    bool isLive(const NPObject* object) const { return m_live.count(object) != 0; }
    // Leak check: NPN_MemAlloc blocks handed to the plug-in and not yet freed.
    size_t outstandingAllocations() const { return m_blocks.size(); }

    // The browser services behind the table, shared with the page objects and streams.
    // A block of exactly `size` bytes, so that reading past a browser string (they carry no
    // terminator) trips the address sanitizer.
    void* memAlloc(uint32_t size);
    void memFree(void* block);
    NPObject* createObject(NPP npp, NPClass* objectClass);
    NPObject* retainObject(NPObject* object);
    void releaseObject(NPObject* object);
    // Frees the string or releases the object the variant holds, then makes it void.
    void releaseVariantValue(NPVariant& variant);
    // Equal names (or integers) give the same identifier for the browser's whole life; the string
    // "1" and the integer 1 give different ones.
    NPIdentifier stringIdentifier(std::string_view name);
    NPIdentifier intIdentifier(int32_t number);
    // The record behind an identifier, or null for a pointer that is none.
    const Identifier* findIdentifier(NPIdentifier id) const;
    void recordMisuse(std::string what);

private:
    friend class FakeStream;
    struct Entries;
    struct AsyncCall {
        NPP npp;
        void (*function)(void*);
        void* data;
    };

    void fillFuncs();
    ObjectRef newPageObject(FakePageObject::Kind kind);
    // The object's class when the object is alive; null (misuse recorded) otherwise.
    const NPClass* liveClass(const std::string& entry, NPObject* object);
    // Converts the browser's answer (then releases it); nullopt when `succeeded` is false.
    std::optional<PageValue> takeResult(bool succeeded, NPVariant& result);

    static std::atomic<FakeBrowser*> s_current;

    const std::thread::id m_mainThread;
    NPNetscapeFuncs m_funcs{};
    mutable std::mutex m_misuseMutex;
    std::vector<std::string> m_misuses; // guarded by m_misuseMutex
    std::unordered_set<void*> m_blocks;
    std::map<std::string, std::unique_ptr<Identifier>, std::less<>> m_strings;
    std::map<int32_t, std::unique_ptr<Identifier>> m_integers;
    std::set<const void*> m_knownIdentifiers; // so that findIdentifier never reads a stray pointer
    std::unordered_set<const NPObject*> m_live;
    std::deque<NPP_t> m_instances;
    ObjectRef m_window;
    ObjectRef m_document;
    ObjectRef m_pluginElement;
    EvaluateHook m_evaluateHook;
    NPError m_requestResult = NPERR_NO_ERROR;
    std::map<std::string_view, size_t> m_callCounts; // the entries' names are literals
    std::vector<UrlRequest> m_requests;
    std::vector<SetValueCall> m_setValues;
    std::vector<ScriptException> m_exceptions;
    size_t m_pushedPopupStates = 0;
    std::map<NPStream*, FakeStream*> m_streams;
    mutable std::mutex m_asyncMutex;
    std::deque<AsyncCall> m_asyncCalls; // guarded by m_asyncMutex
};

} // namespace nvtest::npapi
