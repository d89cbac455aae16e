// NPAPI scripting runtime: identifiers, strings, variants, script objects and their classes, with
// the classic variant accessors and builders as inline functions under their published names.
//
// Ownership as the browser defines it: a string inside an NPVariant that either side hands over
// is allocated with NPN_MemAlloc and freed by the receiver with NPN_ReleaseVariantValue; an object
// inside one carries a reference the receiver releases. Strings are not NUL-terminated: use the
// length. Declarations only. Thread contract: script objects and variants belong to the browser's
// main thread; every NPN scripting function must be called there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "src/NpapiCore/npapi/npapi_types.h"

using NPUTF8 = char;
// Interned by the browser: equal names give equal identifiers for the whole session.
using NPIdentifier = void*;

struct NPString {
    const NPUTF8* UTF8Characters;
    uint32_t UTF8Length;
};

enum NPVariantType : int {
    NPVariantType_Void,
    NPVariantType_Null,
    NPVariantType_Bool,
    NPVariantType_Int32,
    NPVariantType_Double,
    NPVariantType_String,
    NPVariantType_Object,
};

struct NPObject;

struct NPVariant {
    NPVariantType type;
    union {
        bool boolValue;
        int32_t intValue;
        double doubleValue;
        NPString stringValue;
        NPObject* objectValue;
    } value;
};

struct NPClass;

// A class may allocate more than this header; the browser only reads these two fields.
struct NPObject {
    NPClass* _class;
    uint32_t referenceCount;
};

using NPAllocateFunctionPtr = NPObject* (*)(NPP npp, NPClass* aClass);
using NPDeallocateFunctionPtr = void (*)(NPObject* npobj);
using NPInvalidateFunctionPtr = void (*)(NPObject* npobj);
using NPHasMethodFunctionPtr = bool (*)(NPObject* npobj, NPIdentifier name);
using NPInvokeFunctionPtr = bool (*)(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                     uint32_t argCount, NPVariant* result);
using NPInvokeDefaultFunctionPtr = bool (*)(NPObject* npobj, const NPVariant* args,
                                            uint32_t argCount, NPVariant* result);
using NPHasPropertyFunctionPtr = bool (*)(NPObject* npobj, NPIdentifier name);
using NPGetPropertyFunctionPtr = bool (*)(NPObject* npobj, NPIdentifier name, NPVariant* result);
using NPSetPropertyFunctionPtr = bool (*)(NPObject* npobj, NPIdentifier name,
                                          const NPVariant* value);
using NPRemovePropertyFunctionPtr = bool (*)(NPObject* npobj, NPIdentifier name);
// The identifier array is allocated with NPN_MemAlloc; the caller frees it.
using NPEnumerationFunctionPtr = bool (*)(NPObject* npobj, NPIdentifier** value, uint32_t* count);
using NPConstructFunctionPtr = bool (*)(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                        NPVariant* result);

// Slots after structVersion grew with the versions below; a browser reads `enumerate` only from
// version 2 and `construct` only from version 3.
struct NPClass {
    uint32_t structVersion;
    NPAllocateFunctionPtr allocate;
    NPDeallocateFunctionPtr deallocate;
    NPInvalidateFunctionPtr invalidate;
    NPHasMethodFunctionPtr hasMethod;
    NPInvokeFunctionPtr invoke;
    NPInvokeDefaultFunctionPtr invokeDefault;
    NPHasPropertyFunctionPtr hasProperty;
    NPGetPropertyFunctionPtr getProperty;
    NPSetPropertyFunctionPtr setProperty;
    NPRemovePropertyFunctionPtr removeProperty;
    NPEnumerationFunctionPtr enumerate;
    NPConstructFunctionPtr construct;
};

constexpr uint32_t NP_CLASS_STRUCT_VERSION = 3;
constexpr uint32_t NP_CLASS_STRUCT_VERSION_ENUM = 2;
constexpr uint32_t NP_CLASS_STRUCT_VERSION_CTOR = 3;

inline bool NP_CLASS_STRUCT_VERSION_HAS_ENUM(const NPClass* npclass) {
    return npclass->structVersion >= NP_CLASS_STRUCT_VERSION_ENUM;
}
inline bool NP_CLASS_STRUCT_VERSION_HAS_CTOR(const NPClass* npclass) {
    return npclass->structVersion >= NP_CLASS_STRUCT_VERSION_CTOR;
}

constexpr bool NPVARIANT_IS_VOID(const NPVariant& v) {
    return v.type == NPVariantType_Void;
}
constexpr bool NPVARIANT_IS_NULL(const NPVariant& v) {
    return v.type == NPVariantType_Null;
}
constexpr bool NPVARIANT_IS_BOOLEAN(const NPVariant& v) {
    return v.type == NPVariantType_Bool;
}
constexpr bool NPVARIANT_IS_INT32(const NPVariant& v) {
    return v.type == NPVariantType_Int32;
}
constexpr bool NPVARIANT_IS_DOUBLE(const NPVariant& v) {
    return v.type == NPVariantType_Double;
}
constexpr bool NPVARIANT_IS_STRING(const NPVariant& v) {
    return v.type == NPVariantType_String;
}
constexpr bool NPVARIANT_IS_OBJECT(const NPVariant& v) {
    return v.type == NPVariantType_Object;
}

// The accessors read the member for the type without checking it, like the published macros.
constexpr bool NPVARIANT_TO_BOOLEAN(const NPVariant& v) {
    return v.value.boolValue;
}
constexpr int32_t NPVARIANT_TO_INT32(const NPVariant& v) {
    return v.value.intValue;
}
constexpr double NPVARIANT_TO_DOUBLE(const NPVariant& v) {
    return v.value.doubleValue;
}
constexpr const NPString& NPVARIANT_TO_STRING(const NPVariant& v) {
    return v.value.stringValue;
}
constexpr NPObject* NPVARIANT_TO_OBJECT(const NPVariant& v) {
    return v.value.objectValue;
}

// The builders overwrite `v` without releasing what it held; they take no reference and copy no
// text, so the caller decides ownership (see the header comment).
inline void VOID_TO_NPVARIANT(NPVariant& v) {
    v.type = NPVariantType_Void;
    v.value.objectValue = nullptr;
}
inline void NULL_TO_NPVARIANT(NPVariant& v) {
    v.type = NPVariantType_Null;
    v.value.objectValue = nullptr;
}
inline void BOOLEAN_TO_NPVARIANT(bool value, NPVariant& v) {
    v.type = NPVariantType_Bool;
    v.value.boolValue = value;
}
inline void INT32_TO_NPVARIANT(int32_t value, NPVariant& v) {
    v.type = NPVariantType_Int32;
    v.value.intValue = value;
}
inline void DOUBLE_TO_NPVARIANT(double value, NPVariant& v) {
    v.type = NPVariantType_Double;
    v.value.doubleValue = value;
}
inline void STRINGN_TO_NPVARIANT(const NPUTF8* chars, uint32_t length, NPVariant& v) {
    v.type = NPVariantType_String;
    v.value.stringValue = NPString{chars, length};
}
// REQUIRES: `chars` is NUL-terminated.
inline void STRINGZ_TO_NPVARIANT(const NPUTF8* chars, NPVariant& v) {
    STRINGN_TO_NPVARIANT(chars, static_cast<uint32_t>(std::strlen(chars)), v);
}
inline void OBJECT_TO_NPVARIANT(NPObject* object, NPVariant& v) {
    v.type = NPVariantType_Object;
    v.value.objectValue = object;
}

#if defined(__x86_64__) && defined(__linux__)
static_assert(sizeof(NPIdentifier) == 8);
static_assert(sizeof(NPString) == 16 && offsetof(NPString, UTF8Length) == 8);
static_assert(sizeof(NPVariantType) == 4);
static_assert(sizeof(NPVariant) == 24 && offsetof(NPVariant, value) == 8);
static_assert(sizeof(NPObject) == 16 && offsetof(NPObject, referenceCount) == 8);
static_assert(sizeof(NPClass) == 104);
static_assert(offsetof(NPClass, allocate) == 8 && offsetof(NPClass, invoke) == 40);
static_assert(offsetof(NPClass, enumerate) == 88 && offsetof(NPClass, construct) == 96);
#endif
