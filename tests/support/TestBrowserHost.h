// TestBrowserHost: an FB::BrowserHost for unit tests. Its main thread is the thread that made it;
// main-thread calls and page timers wait in one queue that the test pumps. The page is made of C++
// page objects (FakeJSObject): a window that receives the delayed-invoke delegate, and streams are
// answered by a ScriptedServer.
//
// Calls queued before shutdown stay queued, so a test can deliver them afterwards as a browser
// might. Thread contract: pump/pumpUntil on the main thread only; _scheduleAsyncCall from any
// thread.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/thread/condition_variable.hpp>
#include <boost/thread/mutex.hpp>

#include "src/ScriptingCore/BrowserHost.h"
#include "tests/support/FakeJSObject.h"
#include "tests/support/ScriptedServer.h"

namespace nvtest {

class TestBrowserHost;
using TestBrowserHostPtr = boost::shared_ptr<TestBrowserHost>;

struct PageTimer {
    int delay;
    FB::JSObjectPtr target;
    std::string member;
};

class TestBrowserHost : public FB::BrowserHost {
public:
    static TestBrowserHostPtr create();
    ~TestBrowserHost() override;

    // Runs queued main-thread calls and due page timers until none is left; the number run.
    size_t pump();
    // Keeps running calls as they arrive until done() holds or the limit passes (for workers).
    bool pumpUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds limit = std::chrono::seconds(20));
    size_t queued() const;

    void refuseAsyncCalls(bool refuse) { m_refuseCalls = refuse; }
    void removeWindow() {
        m_window->clear();
        m_window.reset();
    }
    FakeJSObjectPtr window() const { return m_window; }
    ScriptedServer& server() { return m_server; }
    const std::vector<PageTimer>& timers() const { return m_timers; }

    void* getContextID() const override { return const_cast<TestBrowserHost*>(this); }
    // The page has a window only: nothing under test reads the document or the element.
    FB::DOM::DocumentPtr getDOMDocument() override { throw std::runtime_error("no document"); }
    FB::DOM::WindowPtr getDOMWindow() override;
    FB::DOM::ElementPtr getDOMElement() override { throw std::runtime_error("no element"); }
    // Understands one script: the delegate installation, which puts a delegate in the window.
    void evaluateJavaScript(const std::string& script) override;
    using FB::BrowserHost::evaluateJavaScript;
    void DoDeferredRelease() const override {}

    void post(std::function<void()> task) const;

protected:
    bool _scheduleAsyncCall(void (*func)(void*), void* userData) const override;
    FB::BrowserStreamPtr _createStream(const FB::BrowserStreamRequest& req) const override;

private:
    TestBrowserHost() = default;
    void makePage();
    bool runOne();

    mutable boost::mutex m_mutex;
    mutable boost::condition_variable m_cond;
    mutable std::deque<std::function<void()>> m_tasks; // guarded by m_mutex
    bool m_refuseCalls = false;
    FakeJSObjectPtr m_window;
    mutable ScriptedServer m_server;
    std::vector<PageTimer> m_timers;
    int m_nextTimer = 1;
};

} // namespace nvtest
