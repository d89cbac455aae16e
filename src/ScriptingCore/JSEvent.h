// DOM-style event objects handed to page listeners by FireJSEvent. Pure functions.
#pragma once

#include <string>

#include "src/ScriptingCore/APITypes.h"
#include "src/ScriptingCore/variant.h"

namespace FB {

// The standard keys come first and cannot be replaced by members; "arguments" always holds args.
VariantMap CreateEvent(const JSAPIPtr& target, const std::string& name, const VariantMap& members,
                       const VariantList& arguments);
VariantMap CreateEvent(const JSAPIPtr& target, const std::string& name, const VariantMap& members);
VariantMap CreateEvent(const JSAPIPtr& target, const std::string& name,
                       const VariantList& arguments);

} // namespace FB
