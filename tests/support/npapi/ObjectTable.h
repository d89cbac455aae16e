// ObjectTable: the fake browser's live NPObjects. It creates them through their class's allocate
// slot, counts references, deallocates through the deallocate slot when the last one goes, and
// carries the scripting calls to the class slots, as a browser does for a plug-in's objects. A call
// on an object that is not alive (never made here, or already deallocated) is recorded as misuse
// and answers failure without reading the object.
// Thread contract: main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "src/NpapiCore/npapi/npapi_all.h"
#include "tests/support/npapi/MisuseLog.h"

namespace nvtest::npapi {

class ObjectTable {
public:
    explicit ObjectTable(MisuseLog& misuses) : m_misuses(misuses) {}
    ObjectTable(const ObjectTable&) = delete;
    ObjectTable& operator=(const ObjectTable&) = delete;

    // A new object with one reference, or null when the class is missing or its allocate fails.
    NPObject* create(NPP npp, NPClass* objectClass);
    NPObject* retain(NPObject* object);
    void release(NPObject* object);

    bool isLive(const NPObject* object) const { return m_live.count(object) != 0; }
    // Page teardown: every live object's invalidate slot runs once; references are unchanged.
    void invalidateAll();

    // The scripting calls. Each first sets `result` (when given) to void, then answers false when
    // the object is not alive or its class lacks the slot (enumerate needs structure version 2,
    // construct version 3); otherwise it answers what the slot answers. `entry` names the NPN
    // function for the misuse record.
    bool hasMethod(const char* entry, NPObject* object, NPIdentifier name);
    bool invoke(const char* entry, NPObject* object, NPIdentifier name, const NPVariant* args,
                uint32_t argCount, NPVariant* result);
    bool invokeDefault(const char* entry, NPObject* object, const NPVariant* args,
                       uint32_t argCount, NPVariant* result);
    bool construct(const char* entry, NPObject* object, const NPVariant* args, uint32_t argCount,
                   NPVariant* result);
    bool hasProperty(const char* entry, NPObject* object, NPIdentifier name);
    bool getProperty(const char* entry, NPObject* object, NPIdentifier name, NPVariant* result);
    bool setProperty(const char* entry, NPObject* object, NPIdentifier name,
                     const NPVariant* value);
    bool removeProperty(const char* entry, NPObject* object, NPIdentifier name);
    bool enumerate(const char* entry, NPObject* object, NPIdentifier** names, uint32_t* count);

private:
    // The object's class when the object is alive; null (misuse recorded) otherwise.
    const NPClass* liveClass(const char* entry, NPObject* object);

    MisuseLog& m_misuses;
    std::unordered_set<const NPObject*> m_live;
};

} // namespace nvtest::npapi
