#include "tests/support/npapi/FakePageObject.h"

#include <string>
#include <utility>

#include "tests/support/npapi/FakeBrowser.h"

namespace nvtest::npapi {

namespace {

// A member name, or an element index of an array. Objects other than arrays see integer
// identifiers as their decimal names, as script does.
struct MemberKey {
    bool isIndex;
    size_t index;
    std::string name;
};

} // namespace

struct FakePageObject::Slots {
    static FakePageObject& self(NPObject* object) { return *static_cast<FakePageObject*>(object); }

    static std::optional<MemberKey> key(const FakePageObject& page, NPIdentifier id) {
        const Identifier* record = FakeBrowser::current().findIdentifier(id);
        if (!record) {
            FakeBrowser::current().recordMisuse("page object called with an unknown identifier");
            return std::nullopt;
        }
        if (record->isString) {
            return MemberKey{false, 0, record->text};
        }
        if (page.m_kind == Kind::Array && record->number >= 0) {
            return MemberKey{true, static_cast<size_t>(record->number), std::string()};
        }
        return MemberKey{false, 0, std::to_string(record->number)};
    }

    // Stores the body's answer in `result`; false when the body failed the call.
    static bool answer(const PageMethod& body, const PageArgs& args, NPVariant* result) {
        const std::optional<PageValue> value = body ? body(args) : PageValue();
        if (!value) {
            return false;
        }
        toNPVariant(*value, *result);
        return true;
    }

    static bool callSelf(FakePageObject& page, const NPVariant* args, uint32_t argCount,
                         NPVariant* result) {
        if (page.m_invalidated || page.m_kind != Kind::Function) {
            return false;
        }
        PageArgs values = toPageArgs(args, argCount);
        page.m_calls.push_back(PageCall{std::string(), values});
        return answer(page.m_body, values, result);
    }

    static NPObject* allocate(NPP, NPClass*) { return new FakePageObject(); }
    static void deallocate(NPObject* object) { delete &self(object); }
    static void invalidate(NPObject* object) { self(object).m_invalidated = true; }

    static bool invoke(NPObject* object, NPIdentifier id, const NPVariant* args, uint32_t argCount,
                       NPVariant* result) {
        FakePageObject& page = self(object);
        const std::optional<MemberKey> member = key(page, id);
        if (page.m_invalidated || !member || member->isIndex) {
            return false;
        }
        PageArgs values = toPageArgs(args, argCount);
        auto method = page.m_methods.find(member->name);
        if (method != page.m_methods.end()) {
            page.m_calls.push_back(PageCall{member->name, values});
            return answer(method->second, values, result);
        }
        if (page.m_kind == Kind::Array && member->name == "push") {
            page.m_calls.push_back(PageCall{member->name, values});
            page.m_elements.insert(page.m_elements.end(), values.begin(), values.end());
            INT32_TO_NPVARIANT(static_cast<int32_t>(page.m_elements.size()), *result);
            return true;
        }
        return false;
    }

    static bool invokeDefault(NPObject* object, const NPVariant* args, uint32_t argCount,
                              NPVariant* result) {
        return callSelf(self(object), args, argCount, result);
    }

    static bool getProperty(NPObject* object, NPIdentifier id, NPVariant* result) {
        FakePageObject& page = self(object);
        const std::optional<MemberKey> member = key(page, id);
        if (page.m_invalidated || !member) {
            return false;
        }
        if (member->isIndex) {
            if (member->index < page.m_elements.size()) {
                toNPVariant(page.m_elements[member->index], *result);
            }
        } else if (page.m_kind == Kind::Array && member->name == "length") {
            INT32_TO_NPVARIANT(static_cast<int32_t>(page.m_elements.size()), *result);
        } else if (auto found = page.m_properties.find(member->name);
                   found != page.m_properties.end()) {
            toNPVariant(found->second, *result);
        }
        return true;
    }

    static bool setProperty(NPObject* object, NPIdentifier id, const NPVariant* value) {
        FakePageObject& page = self(object);
        const std::optional<MemberKey> member = key(page, id);
        if (page.m_invalidated || !member || member->isIndex) {
            return false;
        }
        page.m_properties[member->name] = toPageValue(*value);
        return true;
    }
};

NPClass& FakePageObject::pageClass() {
    static NPClass theClass{
        NP_CLASS_STRUCT_VERSION,
        &Slots::allocate,
        &Slots::deallocate,
        &Slots::invalidate,
        nullptr,
        &Slots::invoke,
        &Slots::invokeDefault,
        nullptr,
        &Slots::getProperty,
        &Slots::setProperty,
        nullptr,
        nullptr,
        nullptr,
    };
    return theClass;
}

FakePageObject* FakePageObject::from(NPObject* object) {
    return object && object->_class == &pageClass() ? static_cast<FakePageObject*>(object)
                                                    : nullptr;
}

void FakePageObject::set(const std::string& name, PageValue value) {
    m_properties[name] = std::move(value);
}

std::optional<PageValue> FakePageObject::get(const std::string& name) const {
    auto found = m_properties.find(name);
    return found == m_properties.end() ? std::nullopt : std::optional<PageValue>(found->second);
}

void FakePageObject::setMethod(const std::string& name, PageMethod body) {
    m_methods[name] = std::move(body);
}

} // namespace nvtest::npapi
