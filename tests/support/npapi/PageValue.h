// PageValue: a script value as the fake page keeps it: void (std::monostate), null
// (std::nullptr_t), bool, int32_t, double, UTF-8 std::string, or an object held by ObjectRef, which
// owns one browser reference. Everything here uses FakeBrowser::current().
// Thread contract: main thread only; no value may outlive its FakeBrowser.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <utility>
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
    static ObjectRef adopt(NPObject* object) { return ObjectRef(object); }
    ObjectRef(const ObjectRef& other) : ObjectRef(retain(other.m_object)) {}
    ObjectRef(ObjectRef&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
    ObjectRef& operator=(ObjectRef other) noexcept {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~ObjectRef();

    NPObject* get() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    friend bool operator==(const ObjectRef& a, const ObjectRef& b) {
        return a.m_object == b.m_object;
    }
    friend bool operator!=(const ObjectRef& a, const ObjectRef& b) { return !(a == b); }
    friend std::ostream& operator<<(std::ostream& out, const ObjectRef& ref) {
        return out << "object " << static_cast<const void*>(ref.m_object);
    }

private:
    explicit ObjectRef(NPObject* object) : m_object(object) {}

    NPObject* m_object = nullptr;
};

using PageValue =
    std::variant<std::monostate, std::nullptr_t, bool, int32_t, double, std::string, ObjectRef>;
using PageArgs = std::vector<PageValue>;

// Copies `variant`: a string by its length (no terminator needed), an object with a new reference.
PageValue toPageValue(const NPVariant& variant);
// Fills `out` as a browser hands a value over: a string in a new NPN_MemAlloc block of exactly its
// length, an object with a new reference; the receiver releases it with NPN_ReleaseVariantValue.
void toNPVariant(const PageValue& value, NPVariant& out);

} // namespace nvtest::npapi
