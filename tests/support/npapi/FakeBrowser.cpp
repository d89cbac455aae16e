#include "tests/support/npapi/FakeBrowser.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace nvtest::npapi {

std::atomic<FakeBrowser*> FakeBrowser::s_current{nullptr};

namespace {

// Arguments the page passes: browser-owned, released once the call is over, so a plug-in that
// keeps a pointer into them trips the address sanitizer.
class PageArgVariants {
public:
    explicit PageArgVariants(const PageArgs& args) : m_variants(args.size()) {
        for (size_t i = 0; i < args.size(); ++i) {
            toNPVariant(args[i], m_variants[i]);
        }
    }
    PageArgVariants(const PageArgVariants&) = delete;
    PageArgVariants& operator=(const PageArgVariants&) = delete;
    ~PageArgVariants() {
        for (NPVariant& variant : m_variants) {
            FakeBrowser::current().releaseVariantValue(variant);
        }
    }

    const NPVariant* data() const { return m_variants.data(); }
    uint32_t count() const { return static_cast<uint32_t>(m_variants.size()); }

private:
    std::vector<NPVariant> m_variants;
};

// Checks that stay on in release builds: a test that breaks them would otherwise run against the
// wrong browser or none.
void require(bool condition, const char* message) {
    if (!condition) {
        std::fprintf(stderr, "FakeBrowser: %s\n", message);
        std::abort();
    }
}

} // namespace

FakeBrowser::FakeBrowser() : m_mainThread(std::this_thread::get_id()) {
    FakeBrowser* expected = nullptr;
    require(s_current.compare_exchange_strong(expected, this), "only one FakeBrowser at a time");
    fillFuncs();
    m_document = newObject();
    m_pluginElement = newObject();
    m_window = newObject();
    window().set("document", m_document);
    window().setMethod("Array", [this](const PageArgs& args) -> std::optional<PageValue> {
        return PageValue(newArray(args));
    });
    window().setMethod("Object", [this](const PageArgs&) -> std::optional<PageValue> {
        return PageValue(newObject());
    });
}

FakeBrowser::~FakeBrowser() {
    // The page objects release what they hold through current(), so they go first.
    m_window = ObjectRef();
    m_document = ObjectRef();
    m_pluginElement = ObjectRef();
    s_current = nullptr;
}

FakeBrowser& FakeBrowser::current() {
    FakeBrowser* browser = s_current;
    require(browser != nullptr, "no FakeBrowser alive");
    return *browser;
}

NPP FakeBrowser::addInstance() {
    m_instances.push_back(NPP_t{nullptr, this});
    return &m_instances.back();
}

void FakeBrowser::forgetInstance(NPP npp) {
    {
        std::lock_guard<std::mutex> lock(m_asyncMutex);
        m_asyncCalls.erase(std::remove_if(m_asyncCalls.begin(), m_asyncCalls.end(),
                                          [npp](const AsyncCall& call) { return call.npp == npp; }),
                           m_asyncCalls.end());
    }
}

ObjectRef FakeBrowser::newPageObject(FakePageObject::Kind kind) {
    NPObject* object = createObject(nullptr, &FakePageObject::pageClass());
    FakePageObject::from(object)->m_kind = kind;
    return ObjectRef::adopt(object);
}

ObjectRef FakeBrowser::newObject() {
    return newPageObject(FakePageObject::Kind::Object);
}

ObjectRef FakeBrowser::newArray(PageArgs elements) {
    ObjectRef array = newPageObject(FakePageObject::Kind::Array);
    FakePageObject::from(array.get())->m_elements = std::move(elements);
    return array;
}

ObjectRef FakeBrowser::newFunction(PageMethod body) {
    ObjectRef function = newPageObject(FakePageObject::Kind::Function);
    FakePageObject::from(function.get())->m_body = std::move(body);
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

std::optional<PageValue> FakeBrowser::invoke(NPObject* object, const std::string& method,
                                             const PageArgs& args) {
    PageArgVariants variants(args);
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    const NPClass* objectClass = liveClass("page script invoke", object);
    const bool succeeded = objectClass && objectClass->invoke &&
                           objectClass->invoke(object, stringIdentifier(method), variants.data(),
                                               variants.count(), &result);
    return takeResult(succeeded, result);
}

std::optional<PageValue> FakeBrowser::invokeDefault(NPObject* object, const PageArgs& args) {
    PageArgVariants variants(args);
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    const NPClass* objectClass = liveClass("page script call", object);
    const bool succeeded =
        objectClass && objectClass->invokeDefault &&
        objectClass->invokeDefault(object, variants.data(), variants.count(), &result);
    return takeResult(succeeded, result);
}

std::optional<PageValue> FakeBrowser::getProperty(NPObject* object, const std::string& name) {
    NPVariant result;
    VOID_TO_NPVARIANT(result);
    const NPClass* objectClass = liveClass("page script read", object);
    const bool succeeded = objectClass && objectClass->getProperty &&
                           objectClass->getProperty(object, stringIdentifier(name), &result);
    return takeResult(succeeded, result);
}

bool FakeBrowser::setProperty(NPObject* object, const std::string& name, const PageValue& value) {
    PageArgVariants variants({value});
    const NPClass* objectClass = liveClass("page script write", object);
    return objectClass && objectClass->setProperty &&
           objectClass->setProperty(object, stringIdentifier(name), variants.data());
}

std::optional<std::vector<std::string>> FakeBrowser::enumerate(NPObject* object) {
    NPIdentifier* ids = nullptr;
    uint32_t count = 0;
    const NPClass* objectClass = liveClass("page script enumeration", object);
    if (!objectClass || !NP_CLASS_STRUCT_VERSION_HAS_ENUM(objectClass) || !objectClass->enumerate ||
        !objectClass->enumerate(object, &ids, &count)) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) {
        const Identifier* record = findIdentifier(ids[i]);
        if (!record) {
            recordMisuse("enumeration answered an unknown identifier");
            continue;
        }
        names.push_back(record->isString ? record->text : std::to_string(record->number));
    }
    memFree(ids);
    return names;
}

void FakeBrowser::invalidateObjects() {
    const std::vector<const NPObject*> snapshot(m_live.begin(), m_live.end());
    for (const NPObject* object : snapshot) {
        // An earlier invalidate may have released this one.
        if (isLive(object) && object->_class->invalidate) {
            object->_class->invalidate(const_cast<NPObject*>(object));
        }
    }
}

size_t FakeBrowser::callCount(std::string_view entry) const {
    auto found = m_callCounts.find(entry);
    return found == m_callCounts.end() ? 0 : found->second;
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
    if (block) {
        m_blocks.insert(block);
    }
    return block;
}

void FakeBrowser::memFree(void* block) {
    if (!block) {
        return;
    }
    if (m_blocks.erase(block) == 0) {
        recordMisuse("NPN_MemFree of memory the browser did not allocate");
        return;
    }
    std::free(block);
}

NPIdentifier FakeBrowser::stringIdentifier(std::string_view name) {
    auto found = m_strings.find(name);
    if (found == m_strings.end()) {
        auto record = std::make_unique<Identifier>(Identifier{true, std::string(name), 0});
        m_knownIdentifiers.insert(record.get());
        found = m_strings.emplace(std::string(name), std::move(record)).first;
    }
    return found->second.get();
}

NPIdentifier FakeBrowser::intIdentifier(int32_t number) {
    std::unique_ptr<Identifier>& record = m_integers[number];
    if (!record) {
        record = std::make_unique<Identifier>(Identifier{false, std::string(), number});
        m_knownIdentifiers.insert(record.get());
    }
    return record.get();
}

const Identifier* FakeBrowser::findIdentifier(NPIdentifier id) const {
    return m_knownIdentifiers.count(id) ? static_cast<const Identifier*>(id) : nullptr;
}

NPObject* FakeBrowser::createObject(NPP npp, NPClass* objectClass) {
    if (!objectClass) {
        recordMisuse("NPN_CreateObject without a class");
        return nullptr;
    }
    NPObject* object = objectClass->allocate
                           ? objectClass->allocate(npp, objectClass)
                           : static_cast<NPObject*>(std::malloc(sizeof(NPObject)));
    if (!object) {
        return nullptr;
    }
    object->_class = objectClass;
    object->referenceCount = 1;
    m_live.insert(object);
    return object;
}

const NPClass* FakeBrowser::liveClass(const std::string& entry, NPObject* object) {
    if (!isLive(object)) {
        recordMisuse(entry + (object ? " on an object that is not alive" : " on a null object"));
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
