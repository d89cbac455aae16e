// The script functions every NPJavascriptObject offers: "addEventListener", "removeEventListener"
// and "getLastException". They refer to their wrapper weakly, since the page may keep one after the
// wrapper is gone; called then, they fail with "Invalid Arguments".
// Main thread only.
#pragma once

#include <string>

#include <boost/weak_ptr.hpp>

#include "src/NpapiCore/ShareableReference.h"
#include "src/ScriptingCore/JSAPIAuto.h"

namespace FB::Npapi {

class NPJavascriptObject;
using WrapperRef = boost::weak_ptr<ShareableReference<NPJavascriptObject>>;

class NPO_function : public FB::JSAPIAuto {
public:
    NPO_function(const WrapperRef& owner, const std::string& name);
    // The empty name is a call of the function itself.
    variant Invoke(const std::string& methodName, const VariantList& args) override;
    bool HasMethod(const std::string& methodName) const override;
    using FB::JSAPIAuto::HasMethod;
    using FB::JSAPIAuto::Invoke;

protected:
    virtual variant call(NPJavascriptObject& owner, const VariantList& args) = 0;

private:
    WrapperRef m_owner;
};

// (type, handler[, useCapture]): exactly two or three arguments; the event is "on" + type.
class NPO_addEventListener : public NPO_function {
public:
    explicit NPO_addEventListener(const WrapperRef& owner);

protected:
    variant call(NPJavascriptObject& owner, const VariantList& args) override;
};

class NPO_removeEventListener : public NPO_function {
public:
    explicit NPO_removeEventListener(const WrapperRef& owner);

protected:
    variant call(NPJavascriptObject& owner, const VariantList& args) override;
};

class NPO_getLastException : public NPO_function {
public:
    explicit NPO_getLastException(const WrapperRef& owner);
    // The message of the last script error any wrapper in the process reported.
    static variant m_msg;

protected:
    variant call(NPJavascriptObject& owner, const VariantList& args) override;
};

} // namespace FB::Npapi
