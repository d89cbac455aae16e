#include "tests/support/npapi/ObjectTable.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace nvtest::npapi {

NPObject* ObjectTable::create(NPP npp, NPClass* objectClass) {
    if (!objectClass) {
        m_misuses.record("NPN_CreateObject without a class");
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

NPObject* ObjectTable::retain(NPObject* object) {
    if (liveClass("NPN_RetainObject", object)) {
        ++object->referenceCount;
    }
    return object;
}

void ObjectTable::release(NPObject* object) {
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

void ObjectTable::invalidateAll() {
    const std::vector<const NPObject*> snapshot(m_live.begin(), m_live.end());
    for (const NPObject* object : snapshot) {
        // An earlier invalidate may have released this one.
        if (isLive(object) && object->_class->invalidate) {
            object->_class->invalidate(const_cast<NPObject*>(object));
        }
    }
}

const NPClass* ObjectTable::liveClass(const char* entry, NPObject* object) {
    if (!isLive(object)) {
        m_misuses.record(std::string(entry) +
                         (object ? " on an object that is not alive" : " on a null object"));
        return nullptr;
    }
    return object->_class;
}

namespace {

void clear(NPVariant* result) {
    if (result) {
        VOID_TO_NPVARIANT(*result);
    }
}

} // namespace

bool ObjectTable::hasMethod(const char* entry, NPObject* object, NPIdentifier name) {
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && objectClass->hasMethod && objectClass->hasMethod(object, name);
}

bool ObjectTable::invoke(const char* entry, NPObject* object, NPIdentifier name,
                         const NPVariant* args, uint32_t argCount, NPVariant* result) {
    clear(result);
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && objectClass->invoke &&
           objectClass->invoke(object, name, args, argCount, result);
}

bool ObjectTable::invokeDefault(const char* entry, NPObject* object, const NPVariant* args,
                                uint32_t argCount, NPVariant* result) {
    clear(result);
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && objectClass->invokeDefault &&
           objectClass->invokeDefault(object, args, argCount, result);
}

bool ObjectTable::construct(const char* entry, NPObject* object, const NPVariant* args,
                            uint32_t argCount, NPVariant* result) {
    clear(result);
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && NP_CLASS_STRUCT_VERSION_HAS_CTOR(objectClass) && objectClass->construct &&
           objectClass->construct(object, args, argCount, result);
}

bool ObjectTable::hasProperty(const char* entry, NPObject* object, NPIdentifier name) {
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && objectClass->hasProperty && objectClass->hasProperty(object, name);
}

bool ObjectTable::getProperty(const char* entry, NPObject* object, NPIdentifier name,
                              NPVariant* result) {
    clear(result);
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && objectClass->getProperty &&
           objectClass->getProperty(object, name, result);
}

bool ObjectTable::setProperty(const char* entry, NPObject* object, NPIdentifier name,
                              const NPVariant* value) {
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && objectClass->setProperty && objectClass->setProperty(object, name, value);
}

bool ObjectTable::removeProperty(const char* entry, NPObject* object, NPIdentifier name) {
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && objectClass->removeProperty && objectClass->removeProperty(object, name);
}

bool ObjectTable::enumerate(const char* entry, NPObject* object, NPIdentifier** names,
                            uint32_t* count) {
    const NPClass* objectClass = liveClass(entry, object);
    return objectClass && NP_CLASS_STRUCT_VERSION_HAS_ENUM(objectClass) && objectClass->enumerate &&
           objectClass->enumerate(object, names, count);
}

} // namespace nvtest::npapi
