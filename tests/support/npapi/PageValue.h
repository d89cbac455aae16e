// PageValue: a script value as the fake page keeps it: void (std::monostate), null
// (std::nullptr_t), bool, int32_t, double, UTF-8 std::string, or an object held by ObjectRef, which
// owns one browser reference. Conversions to and from NPVariant follow the browser's ownership
// rules. Everything here uses FakeBrowser::current().
// Thread contract: main thread only; no value may outlive its FakeBrowser.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "src/NpapiCore/npapi/npapi_all.h"

namespace nvtest::npapi {

class ObjectRef {
public:
    ObjectRef() = default;
    // Takes a new reference to `object`.
    static ObjectRef retain(NPObject* object);
    // Takes over a reference the caller owned.
    static ObjectRef adopt(NPObject* object);
    ObjectRef(const ObjectRef& other);
    ObjectRef(ObjectRef&& other) noexcept;
    ObjectRef& operator=(ObjectRef other) noexcept;
    ~ObjectRef();

    NPObject* get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    friend bool operator==(const ObjectRef& a, const ObjectRef& b) {
        return a.m_object == b.m_object;
    }
    friend bool operator!=(const ObjectRef& a, const ObjectRef& b) { return !(a == b); }

private:
    explicit ObjectRef(NPObject* object) : m_object(object) {}

    NPObject* m_object = nullptr;
};

std::ostream& operator<<(std::ostream& out, const ObjectRef& ref);

using PageValue =
    std::variant<std::monostate, std::nullptr_t, bool, int32_t, double, std::string, ObjectRef>;
using PageArgs = std::vector<PageValue>;

// Copies `variant`: a string by its length (no terminator needed), an object with a new reference.
PageValue toPageValue(const NPVariant& variant);
PageArgs toPageArgs(const NPVariant* args, uint32_t count);
// Fills `out` as a browser hands a value over: a string in a new NPN_MemAlloc block of exactly its
// length, an object with a new reference; the receiver releases it with NPN_ReleaseVariantValue.
void toNPVariant(const PageValue& value, NPVariant& out);

} // namespace nvtest::npapi
