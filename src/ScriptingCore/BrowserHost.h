// FB::BrowserHost: the one object through which the plug-in reaches the browser that hosts one
// instance: main-thread scheduling, calls into the page later through the delayed-invoke delegate,
// objects retained for the page, DOM access and streams.
//
// Thread contract: the browser may be touched only on the main thread (the thread that constructed
// the host). ScheduleOnMainThread, CallOnMainThread, ScheduleAsyncCall and the retention operations
// may be called from any thread; everything else is main thread only.
// Browser-specific hosts (NPAPI, the test host) supply the abstract operations.
#pragma once

#include <atomic>
#include <string>

#include <boost/enable_shared_from_this.hpp>
#include <boost/function.hpp>
#include <boost/noncopyable.hpp>
#include <boost/thread/recursive_mutex.hpp>
#include <boost/thread/shared_mutex.hpp>
#include <boost/thread/thread.hpp>

#include "src/ScriptingCore/APITypes.h"
#include "src/ScriptingCore/AsyncCallManager.h"
#include "src/ScriptingCore/BrowserStreamRequest.h"
#include "src/ScriptingCore/CrossThreadCall.h"
#include "src/ScriptingCore/DOM/Window.h"
#include "src/ScriptingCore/RetainedObjects.h"

namespace FB {

class BrowserStreamManager;

class BrowserHost : public boost::enable_shared_from_this<BrowserHost>, private boost::noncopyable {
public:
    BrowserHost();
    virtual ~BrowserHost();

    virtual void* getContextID() const = 0;

    // Streams. A null result means the browser refused the request.
    virtual BrowserStreamPtr createStream(const BrowserStreamRequest& req,
                                          bool enable_async = true);
    virtual BrowserStreamPtr createStream(const std::string& url,
                                          const PluginEventSinkPtr& callback, bool cache = true,
                                          bool seekable = false,
                                          size_t internalBufferSize = kDefaultStreamBufferSize);
    virtual BrowserStreamPtr createPostStream(const std::string& url,
                                              const PluginEventSinkPtr& callback,
                                              const std::string& postdata, bool cache = true,
                                              bool seekable = false,
                                              size_t internalBufferSize = kDefaultStreamBufferSize);

    virtual DOM::DocumentPtr getDOMDocument() = 0;
    virtual DOM::WindowPtr getDOMWindow() = 0;
    virtual DOM::ElementPtr getDOMElement() = 0;
    virtual void Navigate(const std::string& /*url*/, const std::string& /*target*/) {}
    virtual void evaluateJavaScript(const std::string& script) = 0;
    virtual void evaluateJavaScript(const std::wstring& script);
    // Installs this instance's delayed-invoke delegate in the page.
    virtual void initJS(const void* inst);
    // REQUIRES: main thread. Runs every pending main-thread call once; later ones are dropped.
    virtual void shutdown();
    virtual void DoDeferredRelease() const = 0;

    virtual DOM::WindowPtr _createWindow(const JSObjectPtr& obj) const;
    virtual DOM::DocumentPtr _createDocument(const JSObjectPtr& obj) const;
    virtual DOM::ElementPtr _createElement(const JSObjectPtr& obj) const;
    virtual DOM::NodePtr _createNode(const JSObjectPtr& obj) const;

    bool isMainThread() const { return boost::this_thread::get_id() == m_threadId; }
    void assertMainThread() const {}
    bool isShutDown() const { return m_isShutDown; }

    // false when shut down or when the browser refused the call.
    bool ScheduleAsyncCall(void (*func)(void*), void* userData) const;
    // Runs func later on the main thread (always deferred), keeping target alive until then.
    // Dropped silently after shutdown.
    void ScheduleOnMainThread(const boost::shared_ptr<void>& target,
                              const boost::function<void()>& func) const;
    // Runs func on the main thread and returns its result; inline on the main thread. Throws
    // script_error "Could not marshal to main thread" or "Shutting down", or what func threw.
    template <class R> R CallOnMainThread(const boost::function<R()>& func) const {
        boost::shared_lock<boost::shared_mutex> lock(m_xtmutex);
        if (isMainThread()) {
            return func();
        }
        return CrossThreadCall::syncCall<R>(*this, func);
    }

    void retainJSAPIPtr(const JSAPIPtr& obj) const;
    void releaseJSAPIPtr(const JSAPIPtr& obj) const;
    void freeRetainedObjects() const;

    // Has the page's timer call f(args...) (or f[fname](args...)) after delayms; the timer id, or
    // -1 when the page has no window. REQUIRES: main thread.
    int delayedInvoke(int delayms, const JSObjectPtr& func, const VariantList& args,
                      const std::string& fname = "");
    JSObjectPtr getDelayedInvokeDelegate();
    const std::string& getDelegateName() const { return m_jsHelperName; }

    static std::atomic<int> InstanceCount;

protected:
    // Ask the browser to run func(userData) on the main thread soon; true when it accepted.
    virtual bool _scheduleAsyncCall(void (*func)(void*), void* userData) const = 0;
    virtual BrowserStreamPtr _createStream(const BrowserStreamRequest& req) const = 0;

private:
    boost::shared_ptr<AsyncCallManager> _asyncManager;
    boost::thread::id m_threadId;
    std::atomic<bool> m_isShutDown;
    mutable boost::shared_mutex m_xtmutex;
    mutable boost::recursive_mutex m_jsapimutex;
    mutable RetainedObjects m_retainedObjects; // guarded by m_jsapimutex
    boost::shared_ptr<BrowserStreamManager> m_streamMgr;
    std::string unique_key;
    std::string m_jsHelperName;
};

} // namespace FB
