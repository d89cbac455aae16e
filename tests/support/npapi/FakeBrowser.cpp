#include "tests/support/npapi/FakeBrowser.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace nvtest::npapi {

namespace {

std::atomic<FakeBrowser*> s_current{nullptr};

// Checks that stay on in release builds: a test that breaks them would otherwise run against the
// wrong browser or none.
void require(bool condition, const char* message) {
    if (!condition) {
        std::fprintf(stderr, "FakeBrowser: %s\n", message);
        std::abort();
    }
}

FakePageObject& page(NPObject* object) {
    return *static_cast<FakePageObject*>(object);
}

PageArgs toPageArgs(const NPVariant* args, uint32_t argCount) {
    PageArgs values;
    for (uint32_t i = 0; i < argCount; ++i) {
        values.push_back(toPageValue(args[i]));
    }
    return values;
}

} // namespace

NPClass FakePageObject::pageClass = {
    NP_CLASS_STRUCT_VERSION,
    [](NPP, NPClass*) -> NPObject* { return new FakePageObject(); },
    [](NPObject* object) { delete &page(object); },
    nullptr,
    nullptr,
    [](NPObject* object, NPIdentifier id, const NPVariant* args, uint32_t argCount,
       NPVariant* result) {
        const std::string& name = *static_cast<const std::string*>(id);
        FakePageObject& self = page(object);
        if (self.kind == Kind::Window && name == "Array") {
            toNPVariant(FakeBrowser::current().newPageObject(Kind::Array), *result);
            return true;
        }
        if (self.kind != Kind::Array || name != "push") {
            return false;
        }
        PageArgs values = toPageArgs(args, argCount);
        self.elements.insert(self.elements.end(), values.begin(), values.end());
        return true;
    },
    [](NPObject* object, const NPVariant* args, uint32_t argCount, NPVariant* result) {
        const std::optional<PageValue> value =
            page(object).body ? page(object).body(toPageArgs(args, argCount)) : std::nullopt;
        if (value) {
            toNPVariant(*value, *result);
        }
        return value.has_value();
    },
    nullptr,
    [](NPObject*, NPIdentifier, NPVariant*) { return true; },
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

FakePageObject* FakePageObject::from(NPObject* object) {
    return object && object->_class == &pageClass ? static_cast<FakePageObject*>(object) : nullptr;
}

FakeBrowser::FakeBrowser() : m_mainThread(std::this_thread::get_id()) {
    FakeBrowser* expected = nullptr;
    require(s_current.compare_exchange_strong(expected, this), "only one FakeBrowser at a time");
    fillFuncs();
    m_window = newPageObject(FakePageObject::Kind::Window);
}

FakeBrowser::~FakeBrowser() {
    // The page objects release what they hold through current(), so they go first.
    m_window = ObjectRef();
    s_current = nullptr;
}

FakeBrowser& FakeBrowser::current() {
    FakeBrowser* browser = s_current;
    require(browser != nullptr, "no FakeBrowser alive");
    return *browser;
}

FakeBrowser* FakeBrowser::enter(const char* entry) {
    FakeBrowser* browser = s_current;
    if (browser && std::this_thread::get_id() != browser->m_mainThread) {
        browser->recordMisuse(std::string(entry) + " called off the main thread");
        return nullptr;
    }
    return browser;
}

NPP FakeBrowser::addInstance() {
    m_instances.push_back(NPP_t{nullptr, this});
    return &m_instances.back();
}

void FakeBrowser::forgetInstance(NPP npp) {
    std::lock_guard<std::mutex> lock(m_asyncMutex);
    m_asyncCalls.erase(std::remove_if(m_asyncCalls.begin(), m_asyncCalls.end(),
                                      [npp](const AsyncCall& call) { return call.npp == npp; }),
                       m_asyncCalls.end());
}

ObjectRef FakeBrowser::newPageObject(FakePageObject::Kind kind) {
    ObjectRef object = ObjectRef::adopt(createObject(nullptr, &FakePageObject::pageClass));
    FakePageObject::from(object.get())->kind = kind;
    return object;
}

ObjectRef FakeBrowser::newFunction(PageFunction body) {
    ObjectRef function = newPageObject(FakePageObject::Kind::Function);
    FakePageObject::from(function.get())->body = std::move(body);
    return function;
}

std::optional<PageValue> FakeBrowser::takeResult(bool succeeded, NPVariant& result) {
    std::optional<PageValue> value;
    if (succeeded) {
        value = toPageValue(result);
    }
    releaseVariantValue(result);
    return value;
}

std::optional<PageValue> FakeBrowser::invokeDefault(NPObject* object, const PageArgs& args) {
    // Browser-owned arguments, released once the call is over: a plug-in that keeps a pointer into
    // them trips the address sanitizer.
    std::vector<NPVariant> variants(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        toNPVariant(args[i], variants[i]);
    }
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    const NPClass* objectClass = liveClass("page script call", object);
    const bool succeeded =
        objectClass &&
        objectClass->invokeDefault(object, variants.data(), uint32_t(args.size()), &result);
    for (NPVariant& variant : variants) {
        releaseVariantValue(variant);
    }
    return takeResult(succeeded, result);
}

std::optional<PageValue> FakeBrowser::getProperty(NPObject* object, const std::string& name) {
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    const NPClass* objectClass = liveClass("page script read", object);
    return takeResult(objectClass && objectClass->getProperty(object, identifier(name), &result),
                      result);
}

size_t FakeBrowser::runAsyncCalls() {
    require(std::this_thread::get_id() == m_mainThread, "async calls run on the main thread");
    size_t run = 0;
    for (;;) {
        AsyncCall call;
        {
            std::lock_guard<std::mutex> lock(m_asyncMutex);
            if (m_asyncCalls.empty()) {
                return run;
            }
            call = m_asyncCalls.front();
            m_asyncCalls.pop_front();
        }
        // Outside the lock: the call may queue further calls.
        call.function(call.data);
        ++run;
    }
}

void FakeBrowser::queueAsyncCall(NPP npp, void (*function)(void*), void* data) {
    std::lock_guard<std::mutex> lock(m_asyncMutex);
    m_asyncCalls.push_back(AsyncCall{npp, function, data});
}

std::vector<std::string> FakeBrowser::misuses() const {
    std::lock_guard<std::mutex> lock(m_misuseMutex);
    return m_misuses;
}

void FakeBrowser::recordMisuse(std::string what) {
    std::lock_guard<std::mutex> lock(m_misuseMutex);
    m_misuses.push_back(std::move(what));
}

void* FakeBrowser::memAlloc(uint32_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    m_blocks.insert(block);
    return block;
}

void FakeBrowser::memFree(void* block) {
    if (m_blocks.erase(block) == 0) {
        recordMisuse("NPN_MemFree of memory the browser did not allocate");
        return;
    }
    std::free(block);
}

NPIdentifier FakeBrowser::identifier(const std::string& name) {
    return &m_identifiers.try_emplace(name, name).first->second;
}

NPObject* FakeBrowser::createObject(NPP npp, NPClass* objectClass) {
    NPObject* object = objectClass->allocate
                           ? objectClass->allocate(npp, objectClass)
                           : static_cast<NPObject*>(std::malloc(sizeof(NPObject)));
    object->_class = objectClass;
    object->referenceCount = 1;
    m_live.insert(object);
    return object;
}

const NPClass* FakeBrowser::liveClass(const std::string& entry, NPObject* object) {
    if (m_live.count(object) == 0) {
        recordMisuse(entry + " on an object that is not alive");
        return nullptr;
    }
    return object->_class;
}

NPObject* FakeBrowser::retainObject(NPObject* object) {
    if (liveClass("NPN_RetainObject", object)) {
        ++object->referenceCount;
    }
    return object;
}

void FakeBrowser::releaseObject(NPObject* object) {
    if (!liveClass("NPN_ReleaseObject", object) || --object->referenceCount > 0) {
        return;
    }
    // Forget the object before its deallocate runs: deallocation may release further objects.
    m_live.erase(object);
    if (object->_class->deallocate) {
        object->_class->deallocate(object);
    } else {
        std::free(object);
    }
}

void FakeBrowser::releaseVariantValue(NPVariant& variant) {
    if (NPVARIANT_IS_STRING(variant)) {
        memFree(const_cast<NPUTF8*>(NPVARIANT_TO_STRING(variant).UTF8Characters));
    } else if (NPVARIANT_IS_OBJECT(variant)) {
        releaseObject(NPVARIANT_TO_OBJECT(variant));
    }
    VOID_TO_NPVARIANT(variant);
}

} // namespace nvtest::npapi
