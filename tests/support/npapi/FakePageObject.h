// FakePageObject: a script object of the fake page (a plain object, an array or a function) living
// as an NPObject of the fake page class, so that the plug-in reaches it only through NPN calls.
// Tests populate it and read back what the plug-in did to it.
//
// It behaves as page script does where the plug-in can tell: reading a missing property succeeds
// with void; calling a missing method fails; an array has "length", integer indices and "push"; a
// method body answering nullopt fails the call (a script exception). Methods set with setMethod
// are not properties. After the browser invalidates it (page teardown) every call fails. Calls of
// methods and of the object itself are recorded with their arguments; recorded object arguments
// stay referenced with the object.
// Thread contract: main thread only.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "src/NpapiCore/npapi/npapi_all.h"
#include "tests/support/npapi/PageValue.h"

namespace nvtest::npapi {

class FakeBrowser;

using PageMethod = std::function<std::optional<PageValue>(const PageArgs& args)>;

struct PageCall {
    std::string member; // empty: the object itself was called
    PageArgs args;
};

class FakePageObject : public NPObject {
public:
    enum class Kind { Object, Array, Function };

    FakePageObject(const FakePageObject&) = delete;
    FakePageObject& operator=(const FakePageObject&) = delete;

    static NPClass& pageClass();
    // The page object behind `object`, or null when `object` is of another class.
    static FakePageObject* from(NPObject* object);

    void set(const std::string& name, PageValue value);
    // The property's value, or nullopt when there is no such property.
    std::optional<PageValue> get(const std::string& name) const;
    void setMethod(const std::string& name, PageMethod body);
    // An array's elements.
    PageArgs& elements() { return m_elements; }

    const std::vector<PageCall>& calls() const { return m_calls; }

private:
    friend class FakeBrowser;
    struct Slots;

    FakePageObject() = default;
    ~FakePageObject() = default;

    Kind m_kind = Kind::Object;
    std::map<std::string, PageValue> m_properties;
    std::map<std::string, PageMethod> m_methods;
    PageMethod m_body;
    PageArgs m_elements;
    std::vector<PageCall> m_calls;
    bool m_invalidated = false;
};

} // namespace nvtest::npapi
