#include "tests/support/npapi/PageValue.h"

#include <cstring>

#include "tests/support/npapi/FakeBrowser.h"

namespace nvtest::npapi {

ObjectRef ObjectRef::retain(NPObject* object) {
    if (object) {
        FakeBrowser::current().retainObject(object);
    }
    return ObjectRef(object);
}

ObjectRef::~ObjectRef() {
    if (m_object) {
        FakeBrowser::current().releaseObject(m_object);
    }
}

PageValue toPageValue(const NPVariant& variant) {
    switch (variant.type) {
    case NPVariantType_Null:
        return nullptr;
    case NPVariantType_Bool:
        return NPVARIANT_TO_BOOLEAN(variant);
    case NPVariantType_Int32:
        return NPVARIANT_TO_INT32(variant);
    case NPVariantType_Double:
        return NPVARIANT_TO_DOUBLE(variant);
    case NPVariantType_String: {
        const NPString& text = NPVARIANT_TO_STRING(variant);
        return std::string(text.UTF8Characters, text.UTF8Length);
    }
    case NPVariantType_Object:
        return ObjectRef::retain(NPVARIANT_TO_OBJECT(variant));
    case NPVariantType_Void:
        break;
    }
    return std::monostate();
}

namespace {

struct VariantBuilder {
    NPVariant& out;

    void operator()(std::monostate) const { VOID_TO_NPVARIANT(out); }
    void operator()(std::nullptr_t) const { NULL_TO_NPVARIANT(out); }
    void operator()(bool value) const { BOOLEAN_TO_NPVARIANT(value, out); }
    void operator()(int32_t value) const { INT32_TO_NPVARIANT(value, out); }
    void operator()(double value) const { DOUBLE_TO_NPVARIANT(value, out); }
    void operator()(const std::string& text) const {
        const auto length = static_cast<uint32_t>(text.size());
        auto* chars = static_cast<NPUTF8*>(FakeBrowser::current().memAlloc(length));
        std::memcpy(chars, text.data(), length);
        STRINGN_TO_NPVARIANT(chars, length, out);
    }
    void operator()(const ObjectRef& object) const {
        OBJECT_TO_NPVARIANT(FakeBrowser::current().retainObject(object.get()), out);
    }
};

} // namespace

void toNPVariant(const PageValue& value, NPVariant& out) {
    std::visit(VariantBuilder{out}, value);
}

} // namespace nvtest::npapi
