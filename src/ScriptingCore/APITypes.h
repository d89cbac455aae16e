// Shared names of the scripting layer: the pointer types every Part passes around and the two
// script containers. Header only; forward declarations keep it cheap to include anywhere.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

namespace FB {

class variant;
class JSAPI;
class JSAPIImpl;
class JSAPIAuto;
class JSObject;
class JSFunction;
class BrowserHost;
class BrowserStream;

using VariantList = std::vector<variant>;
using VariantMap = std::map<std::string, variant>;
using StringSet = std::vector<std::string>;

using JSAPIPtr = boost::shared_ptr<JSAPI>;
using JSAPIWeakPtr = boost::weak_ptr<JSAPI>;
using JSObjectPtr = boost::shared_ptr<JSObject>;
using JSFunctionPtr = boost::shared_ptr<JSFunction>;
using BrowserHostPtr = boost::shared_ptr<BrowserHost>;
using BrowserHostWeakPtr = boost::weak_ptr<BrowserHost>;
using BrowserStreamPtr = boost::shared_ptr<BrowserStream>;

} // namespace FB
