#include "src/ScriptingCore/JSObject.h"

#include <stdexcept>

#include "src/ScriptingCore/BrowserHost.h"

namespace FB {
namespace {

// The page can only be reached through a live host; a handle kept past the page's end throws.
BrowserHostPtr hostForAsyncCall(const boost::weak_ptr<BrowserHost>& weakHost) {
    BrowserHostPtr host = weakHost.lock();
    if (!host) {
        throw std::runtime_error("Cannot invoke asynchronously");
    }
    return host;
}

} // namespace

JSObject::JSObject(const BrowserHostPtr& host) : m_host(host) {}

JSObject::~JSObject() = default;

void JSObject::InvokeAsync(const std::string& methodName, const VariantList& args) {
    BrowserHostPtr host = hostForAsyncCall(m_host);
    JSObjectPtr self = shared_ptr();
    host->ScheduleOnMainThread(self,
                               [self, args, methodName] { self->_invokeAsync(args, methodName); });
}

void JSObject::_invokeAsync(const VariantList& args, const std::string& methodName) {
    if (BrowserHostPtr host = m_host.lock()) {
        host->delayedInvoke(0, shared_ptr(), args, methodName);
    }
}

void JSObject::SetPropertyAsync(const std::string& propertyName, const variant& value) {
    BrowserHostPtr host = hostForAsyncCall(m_host);
    JSObjectPtr self = shared_ptr();
    host->ScheduleOnMainThread(
        self, [self, propertyName, value] { self->SetProperty(propertyName, value); });
}

} // namespace FB
