// FakeBrowser: the browser side of NPAPI for unit tests of the plug-in's NPAPI layer. funcs() is a
// filled NPNetscapeFuncs table whose entries work on a small page model: interned string
// identifiers, tracked NPN_MemAlloc blocks, reference-counted NPObjects freed through their class,
// page objects (the window, arrays, functions) and queued async calls that the test runs. Entries
// no test needs stay null, as in a browser without them.
//
// Misuse that a real browser would punish with a crash is recorded in misuses() and not performed:
// freeing memory the browser did not allocate, using an object that is not alive, a main-thread
// entry called from another thread.
//
// One FakeBrowser at a time: the table's plain functions find it through current().
// Thread contract: main thread only, but for the table's pluginthreadasynccall entry.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "src/NpapiCore/npapi/npapi_all.h"
#include "tests/support/npapi/PageValue.h"

namespace nvtest::npapi {

using PageFunction = std::function<std::optional<PageValue>(const PageArgs& args)>;

// A script object of the fake page. Reading any property gives void. The window's "Array" answers
// a new array, an array takes "push", a function runs its body (nullopt: a script exception).
struct FakePageObject : NPObject {
    enum class Kind { Window, Array, Function };

    static NPClass pageClass;
    // The page object behind `object`, or null when `object` is of another class.
    static FakePageObject* from(NPObject* object);

    Kind kind = Kind::Window;
    PageFunction body;
    PageArgs elements;
};

class FakeBrowser {
public:
    FakeBrowser();
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    static FakeBrowser& current();

    NPNetscapeFuncs& funcs() { return m_funcs; }
    // A new instance record, valid as long as the browser.
    NPP addInstance();
    // What a browser does after NPP_Destroy: the instance's queued async calls go.
    void forgetInstance(NPP npp);

    ObjectRef newPageObject(FakePageObject::Kind kind);
    ObjectRef newFunction(PageFunction body);

    // Acting as page script on any object, the plug-in's own included: nullopt when the call fails.
    // The arguments are browser-owned and released after the call.
    std::optional<PageValue> invokeDefault(NPObject* object, const PageArgs& args);
    std::optional<PageValue> getProperty(NPObject* object, const std::string& name);

    // Runs queued async calls in order, those queued meanwhile included, until none is left.
    size_t runAsyncCalls();
    // Any thread.
    void queueAsyncCall(NPP npp, void (*function)(void*), void* data);

    std::vector<std::string> misuses() const;
    // Leak check: NPN_MemAlloc blocks handed to the plug-in and not yet freed.
    size_t outstandingAllocations() const { return m_blocks.size(); }

    // What the plug-in did.
    std::vector<std::string> requestedUrls;
    std::vector<std::pair<NPPVariable, void*>> setValues;
    std::vector<std::string> exceptions;

    // The browser services behind the table, shared with the page objects.
    // A block of exactly `size` bytes, so that reading past a browser string (they carry no
    // terminator) trips the address sanitizer.
    void* memAlloc(uint32_t size);
    void memFree(void* block);
    NPObject* createObject(NPP npp, NPClass* objectClass);
    NPObject* retainObject(NPObject* object);
    void releaseObject(NPObject* object);
    // Frees the string or releases the object the variant holds, then makes it void.
    void releaseVariantValue(NPVariant& variant);
    // Equal names give the same identifier for the browser's whole life.
    NPIdentifier identifier(const std::string& name);
    // The class of `object` when it is alive; null (misuse recorded) otherwise.
    const NPClass* liveClass(const std::string& entry, NPObject* object);
    // The browser when an entry may go ahead: a call from another thread is recorded and refused.
    static FakeBrowser* enter(const char* entry);
    void recordMisuse(std::string what);

private:
    struct AsyncCall {
        NPP npp;
        void (*function)(void*);
        void* data;
    };

    void fillFuncs();
    // Converts the browser's answer (then releases it); nullopt when `succeeded` is false.
    std::optional<PageValue> takeResult(bool succeeded, NPVariant& result);

    const std::thread::id m_mainThread;
    NPNetscapeFuncs m_funcs{};
    mutable std::mutex m_misuseMutex;
    std::vector<std::string> m_misuses; // guarded by m_misuseMutex
    std::unordered_set<void*> m_blocks;
    std::map<std::string, std::string> m_identifiers; // an identifier points at its name
    std::unordered_set<const NPObject*> m_live;
    std::deque<NPP_t> m_instances;
    ObjectRef m_window;
    std::mutex m_asyncMutex;
    std::deque<AsyncCall> m_asyncCalls; // guarded by m_asyncMutex
};

} // namespace nvtest::npapi
