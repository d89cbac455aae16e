// Options objects the page passes to "init" and similar members: only members whose names match
// exactly are read, each converted by the script value rules. Main thread (a page-object read).
#pragma once

#include <boost/optional.hpp>

#include "src/ScriptingCore/JSObject.h"

// The object's members by name; empty for a missing or null object.
inline FB::VariantMap readOptions(const boost::optional<FB::JSObjectPtr>& options) {
    FB::VariantMap values;
    if (options && *options) {
        FB::JSObject::GetObjectValues(*options, values);
    }
    return values;
}

// Converts the member `key` into `target` when it is present.
template <class T> void readOption(const FB::VariantMap& options, const char* key, T& target) {
    auto found = options.find(key);
    if (found != options.end()) {
        target = found->second.convert_cast<T>();
    }
}
