#include "tests/support/TestBrowserHost.h"

#include "src/ScriptingCore/script_error.h"
#include "tests/support/TestStream.h"

namespace nvtest {

TestBrowserHostPtr TestBrowserHost::create() {
    TestBrowserHostPtr host(new TestBrowserHost());
    host->makePage();
    return host;
}

TestBrowserHost::~TestBrowserHost() {
    if (m_window) {
        m_window->clear();
    }
}

void TestBrowserHost::makePage() {
    TestBrowserHostPtr self = boost::static_pointer_cast<TestBrowserHost>(shared_from_this());
    m_window = boost::make_shared<FakeJSObject>(self);
    boost::weak_ptr<TestBrowserHost> weak = self;
    m_window->setMethod("Array", [weak](const FB::VariantList&) -> FB::variant {
        return FB::JSObjectPtr(FakeJSObject::array(weak.lock(), {}));
    });
    m_window->setMethod("Object", [weak](const FB::VariantList&) -> FB::variant {
        return FB::JSObjectPtr(FakeJSObject::object(weak.lock(), {}));
    });
}

FB::DOM::WindowPtr TestBrowserHost::getDOMWindow() {
    if (!m_window) {
        throw std::runtime_error("Cannot find HTML window");
    }
    return _createWindow(m_window);
}

void TestBrowserHost::evaluateJavaScript(const std::string& script) {
    const std::string prefix = "window.__FB_CALL_";
    size_t nameEnd = script.find(" = function(delay, f, args, fname)");
    if (!m_window || script.compare(0, prefix.size(), prefix) != 0 ||
        nameEnd == std::string::npos) {
        return;
    }
    std::string name = script.substr(7, nameEnd - 7);
    boost::weak_ptr<TestBrowserHost> weak =
        boost::static_pointer_cast<TestBrowserHost>(shared_from_this());
    auto fn = FakeJSObject::function(shared_from_this(), [weak](const FB::VariantList& args) {
        TestBrowserHostPtr host = weak.lock();
        if (!host || args.size() < 3) {
            return FB::variant(-1);
        }
        PageTimer timer{args[0].convert_cast<int>(), args[1].convert_cast<FB::JSObjectPtr>(),
                        args.size() > 3 ? args[3].convert_cast<std::string>() : std::string()};
        host->m_timers.push_back(timer);
        FB::VariantList callArgs = args[2].convert_cast<FB::VariantList>();
        host->post([timer, callArgs] {
            try {
                timer.target->Invoke(timer.member, callArgs);
            } catch (const std::exception&) {
                // A page timer's exception stays in the page.
            }
        });
        return FB::variant(host->m_nextTimer++);
    });
    m_window->set(name, FB::JSObjectPtr(fn));
}

void TestBrowserHost::post(std::function<void()> task) const {
    boost::lock_guard<boost::mutex> lock(m_mutex);
    m_tasks.push_back(std::move(task));
    m_cond.notify_all();
}

bool TestBrowserHost::_scheduleAsyncCall(void (*func)(void*), void* userData) const {
    if (m_refuseCalls || isShutDown()) {
        return false;
    }
    post([func, userData] { func(userData); });
    return true;
}

bool TestBrowserHost::runOne() {
    std::function<void()> task;
    {
        boost::lock_guard<boost::mutex> lock(m_mutex);
        if (m_tasks.empty()) {
            return false;
        }
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
    }
    task();
    return true;
}

size_t TestBrowserHost::pump() {
    size_t count = 0;
    while (runOne()) {
        ++count;
    }
    return count;
}

bool TestBrowserHost::pumpUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (runOne()) {
            continue;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        boost::unique_lock<boost::mutex> lock(m_mutex);
        if (m_tasks.empty()) {
            m_cond.timed_wait(lock, boost::posix_time::milliseconds(5));
        }
    }
    return true;
}

size_t TestBrowserHost::queued() const {
    boost::lock_guard<boost::mutex> lock(m_mutex);
    return m_tasks.size();
}

FB::BrowserStreamPtr TestBrowserHost::_createStream(const FB::BrowserStreamRequest& req) const {
    std::string url = req.uri.toString(true);
    ScriptedResponse response =
        m_server.answer({req.method, url, req.getPostHeaders(), req.getPostData()});
    if (response.refuse) {
        return FB::BrowserStreamPtr();
    }
    auto stream = boost::make_shared<TestStream>(*this, url, response, req.internalBufferSize);
    if (FB::PluginEventSinkPtr sink = req.getEventSink()) {
        stream->AttachObserver(sink);
    }
    stream->start();
    return stream;
}

} // namespace nvtest
