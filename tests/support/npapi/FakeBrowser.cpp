#include "tests/support/npapi/FakeBrowser.h"

#include <algorithm>
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

// Shaped like the user agent of a QtWebKit browser on Linux.
constexpr const char* kUserAgent = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/602.1 (KHTML, "
                                   "like Gecko) Version/10.0 Safari/602.1";

// Checks that stay on in release builds: a test that breaks them would otherwise run against the
// wrong browser or none.
void require(bool condition, const char* message) {
    if (!condition) {
        std::fprintf(stderr, "FakeBrowser: %s\n", message);
        std::abort();
    }
}

} // namespace

FakeBrowser::FakeBrowser() : m_mainThread(std::this_thread::get_id()), m_userAgent(kUserAgent) {
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
    const bool succeeded = m_objects.invoke("page script invoke", object, stringIdentifier(method),
                                            variants.data(), variants.count(), &result);
    return takeResult(succeeded, result);
}

std::optional<PageValue> FakeBrowser::invokeDefault(NPObject* object, const PageArgs& args) {
    PageArgVariants variants(args);
    NPVariant result;
    const bool succeeded = m_objects.invokeDefault("page script call", object, variants.data(),
                                                   variants.count(), &result);
    return takeResult(succeeded, result);
}

std::optional<PageValue> FakeBrowser::getProperty(NPObject* object, const std::string& name) {
    NPVariant result;
    const bool succeeded =
        m_objects.getProperty("page script read", object, stringIdentifier(name), &result);
    return takeResult(succeeded, result);
}

bool FakeBrowser::setProperty(NPObject* object, const std::string& name, const PageValue& value) {
    PageArgVariants variants({value});
    return m_objects.setProperty("page script write", object, stringIdentifier(name),
                                 variants.data());
}

std::optional<std::vector<std::string>> FakeBrowser::enumerate(NPObject* object) {
    NPIdentifier* ids = nullptr;
    uint32_t count = 0;
    if (!m_objects.enumerate("page script enumeration", object, &ids, &count)) {
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

size_t FakeBrowser::callCount(std::string_view entry) const {
    return static_cast<size_t>(std::count(m_callLog.begin(), m_callLog.end(), entry));
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

void FakeBrowser::memFree(void* block) {
    if (!m_memory.release(block)) {
        recordMisuse("NPN_MemFree of memory the browser did not allocate");
    }
}

NPObject* FakeBrowser::createObject(NPP npp, NPClass* objectClass) {
    return m_objects.create(npp, objectClass);
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
