#include "src/ScriptingCore/BrowserHost.h"

#include <cstdint>
#include <list>

#include <boost/format.hpp>
#include <boost/make_shared.hpp>

#include "src/ScriptingCore/BrowserStreamManager.h"
#include "src/ScriptingCore/SimpleStreamHelper.h"
#include "src/ScriptingCore/script_error.h"
#include "src/ScriptingCore/utf8_tools.h"

namespace FB {

std::atomic<int> BrowserHost::InstanceCount(0);

namespace {
const char* const kDelegateScript =
    "window.__FB_CALL_%1% = function(delay, f, args, fname) {   if (arguments.length == 3)       "
    "return setTimeout(function() { f.apply(null, args); }, delay);   else       return "
    "setTimeout(function() { f[fname].apply(f, args); }, delay);};";
} // namespace

BrowserHost::BrowserHost()
    : _asyncManager(boost::make_shared<AsyncCallManager>()),
      m_threadId(boost::this_thread::get_id()), m_isShutDown(false),
      m_streamMgr(boost::make_shared<BrowserStreamManager>()) {
    ++InstanceCount;
}

BrowserHost::~BrowserHost() {
    --InstanceCount;
}

bool BrowserHost::ScheduleAsyncCall(void (*func)(void*), void* userData) const {
    if (m_isShutDown) {
        return false;
    }
    _asyncCallData* data = _asyncManager->makeCallback(func, userData);
    if (!data) {
        return false;
    }
    if (!_scheduleAsyncCall(&asyncCallWrapper, data)) {
        _asyncManager->remove(data);
        return false;
    }
    return true;
}

void BrowserHost::ScheduleOnMainThread(const boost::shared_ptr<void>& target,
                                       const boost::function<void()>& func) const {
    boost::shared_lock<boost::shared_mutex> lock(m_xtmutex);
    CrossThreadCall::asyncCall(*this, target, func);
}

void BrowserHost::shutdown() {
    {
        boost::recursive_mutex::scoped_lock lock(m_jsapimutex);
        for (const JSAPIPtr& obj : m_retainedObjects.objects()) {
            obj->shutdown();
        }
    }
    freeRetainedObjects();
    // Upgrade ownership coexists with the shared owners waiting in CallOnMainThread, so shutting
    // down never waits for them; they notice the flag within one poll.
    boost::upgrade_lock<boost::shared_mutex> lock(m_xtmutex);
    m_isShutDown = true;
    _asyncManager->shutdown();
    m_streamMgr.reset();
}

void BrowserHost::retainJSAPIPtr(const JSAPIPtr& obj) const {
    boost::recursive_mutex::scoped_lock lock(m_jsapimutex);
    m_retainedObjects.hold(obj);
}

void BrowserHost::releaseJSAPIPtr(const JSAPIPtr& obj) const {
    JSAPIPtr last; // destroyed after the lock is let go
    {
        boost::recursive_mutex::scoped_lock lock(m_jsapimutex);
        last = m_retainedObjects.letGo(obj);
    }
    last.reset();
    DoDeferredRelease();
}

void BrowserHost::freeRetainedObjects() const {
    std::list<JSAPIPtr> released;
    {
        boost::recursive_mutex::scoped_lock lock(m_jsapimutex);
        released = m_retainedObjects.takeAll();
    }
    released.clear();
    DoDeferredRelease();
}

BrowserStreamPtr BrowserHost::createStream(const BrowserStreamRequest& req, bool enable_async) {
    if (enable_async && req.getCallback() && !req.getEventSink()) {
        SimpleStreamHelperPtr helper = SimpleStreamHelper::AsyncRequest(shared_from_this(), req);
        return helper ? helper->getStream() : BrowserStreamPtr();
    }
    BrowserStreamPtr stream = _createStream(req);
    if (stream && m_streamMgr) {
        m_streamMgr->retainStream(stream);
    }
    return stream;
}

BrowserStreamPtr BrowserHost::createStream(const std::string& url,
                                           const PluginEventSinkPtr& callback, bool cache,
                                           bool seekable, size_t internalBufferSize) {
    BrowserStreamRequest req(url, "GET");
    req.setEventSink(callback);
    req.setCacheable(cache);
    req.setSeekable(seekable);
    req.setBufferSize(internalBufferSize);
    return createStream(req, true);
}

BrowserStreamPtr BrowserHost::createPostStream(const std::string& url,
                                               const PluginEventSinkPtr& callback,
                                               const std::string& postdata, bool cache,
                                               bool seekable, size_t internalBufferSize) {
    BrowserStreamRequest req(url, "POST");
    req.setEventSink(callback);
    req.setPostData(postdata);
    req.setCacheable(cache);
    req.setSeekable(seekable);
    req.setBufferSize(internalBufferSize);
    return createStream(req, true);
}

void BrowserHost::evaluateJavaScript(const std::wstring& script) {
    evaluateJavaScript(wstring_to_utf8(script));
}

void BrowserHost::initJS(const void* inst) {
    auto p = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(inst));
    unique_key = std::to_string(p + (p >> 3));
    m_jsHelperName = (boost::format("__FB_CALL_%1%") % unique_key).str();
    evaluateJavaScript((boost::format(kDelegateScript) % unique_key).str());
}

JSObjectPtr BrowserHost::getDelayedInvokeDelegate() {
    DOM::WindowPtr window;
    try {
        window = getDOMWindow();
    } catch (const std::runtime_error&) {
        // No window: nothing can be called in the page.
    }
    if (!window) {
        return JSObjectPtr();
    }
    if (m_jsHelperName.empty()) {
        initJS(this);
    }
    JSObjectPtr delegate;
    try {
        delegate = window->getProperty<JSObjectPtr>(m_jsHelperName);
    } catch (const script_error&) {
    }
    if (!delegate) {
        // The page lost the delegate (or never ran the script): install it again, once.
        initJS(this);
        delegate = window->getProperty<JSObjectPtr>(m_jsHelperName);
    }
    return delegate;
}

int BrowserHost::delayedInvoke(int delayms, const JSObjectPtr& func, const VariantList& args,
                               const std::string& fname) {
    JSObjectPtr delegate = getDelayedInvokeDelegate();
    if (!delegate) {
        return -1;
    }
    VariantList delegateArgs{delayms, func, args};
    if (!fname.empty()) {
        delegateArgs.push_back(fname);
    }
    return delegate->Invoke("", delegateArgs).convert_cast<int>();
}

DOM::WindowPtr BrowserHost::_createWindow(const JSObjectPtr& obj) const {
    return boost::make_shared<DOM::Window>(obj);
}

DOM::DocumentPtr BrowserHost::_createDocument(const JSObjectPtr& obj) const {
    return boost::make_shared<DOM::Document>(obj);
}

DOM::ElementPtr BrowserHost::_createElement(const JSObjectPtr& obj) const {
    return boost::make_shared<DOM::Element>(obj);
}

DOM::NodePtr BrowserHost::_createNode(const JSObjectPtr& obj) const {
    return boost::make_shared<DOM::Node>(obj);
}

} // namespace FB
