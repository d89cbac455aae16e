// The plain forwarding of the browser's module-wide functions (memory, identifiers, objects):
// no logic of its own beyond tolerating a browser that left a function out.
#include "src/NpapiCore/NpapiPluginModule.h"

namespace FB::Npapi {

void* NpapiPluginModule::MemAlloc(uint32_t size) {
    return NPNFuncs.memalloc ? NPNFuncs.memalloc(size) : nullptr;
}

void NpapiPluginModule::MemFree(void* ptr) {
    if (NPNFuncs.memfree && ptr) {
        NPNFuncs.memfree(ptr);
    }
}

uint32_t NpapiPluginModule::MemFlush(uint32_t size) {
    return NPNFuncs.memflush ? NPNFuncs.memflush(size) : 0;
}

void NpapiPluginModule::ReloadPlugins(NPBool reloadPages) {
    if (NPNFuncs.reloadplugins) {
        NPNFuncs.reloadplugins(reloadPages);
    }
}

void NpapiPluginModule::ReleaseVariantValue(NPVariant* variant) {
    if (NPNFuncs.releasevariantvalue) {
        NPNFuncs.releasevariantvalue(variant);
    }
}

NPIdentifier NpapiPluginModule::GetStringIdentifier(const NPUTF8* name) {
    return NPNFuncs.getstringidentifier ? NPNFuncs.getstringidentifier(name) : nullptr;
}

void NpapiPluginModule::GetStringIdentifiers(const NPUTF8** names, int32_t nameCount,
                                             NPIdentifier* identifiers) {
    if (NPNFuncs.getstringidentifiers) {
        NPNFuncs.getstringidentifiers(names, nameCount, identifiers);
    }
}

NPIdentifier NpapiPluginModule::GetIntIdentifier(int32_t intid) {
    return NPNFuncs.getintidentifier ? NPNFuncs.getintidentifier(intid) : nullptr;
}

bool NpapiPluginModule::IdentifierIsString(NPIdentifier identifier) {
    return NPNFuncs.identifierisstring ? NPNFuncs.identifierisstring(identifier) : true;
}

NPUTF8* NpapiPluginModule::UTF8FromIdentifier(NPIdentifier identifier) {
    return NPNFuncs.utf8fromidentifier ? NPNFuncs.utf8fromidentifier(identifier) : nullptr;
}

std::string NpapiPluginModule::StringFromIdentifier(NPIdentifier identifier) {
    NPUTF8* text = UTF8FromIdentifier(identifier);
    if (!text) {
        return std::string();
    }
    std::string result(text);
    MemFree(text);
    return result;
}

int32_t NpapiPluginModule::IntFromIdentifier(NPIdentifier identifier) {
    return NPNFuncs.intfromidentifier ? NPNFuncs.intfromidentifier(identifier) : 0;
}

NPObject* NpapiPluginModule::RetainObject(NPObject* npobj) {
    if (NPNFuncs.retainobject && npobj) {
        NPNFuncs.retainobject(npobj);
    }
    return npobj;
}

void NpapiPluginModule::ReleaseObject(NPObject* npobj) {
    if (NPNFuncs.releaseobject && npobj) {
        NPNFuncs.releaseobject(npobj);
    }
}

} // namespace FB::Npapi
