#include "src/ScriptingCore/BrowserHost.h"

#include <atomic>
#include <map>
#include <thread>
#include <vector>

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/JSAPIAuto.h"
#include "src/ScriptingCore/script_error.h"
#include "tests/support/ErrorText.h"
#include "tests/support/TestBrowserHost.h"

using nvtest::errorOf;
using nvtest::FakeJSObject;

namespace {

class BrowserHostTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (!host->isShutDown()) {
            host->shutdown();
        }
    }

    // What a worker's synchronous call into the main thread fails with.
    std::string workerCallError() {
        return nvtest::errorOnWorker([&] { host->CallOnMainThread<int>([] { return 1; }); });
    }

    nvtest::TestBrowserHostPtr host = nvtest::TestBrowserHost::create();
};

struct Retained : FB::JSAPIAuto {
    explicit Retained(int& count) : shutdowns(count) {}
    void shutdown() override { ++shutdowns; }
    int& shutdowns;
};

} // namespace

TEST_F(BrowserHostTest, MainThreadCallsRunInlineButScheduledCallsAreAlwaysDeferred) {
    EXPECT_EQ(host->CallOnMainThread<int>([] { return 7; }), 7);
    bool ran = false;
    host->ScheduleOnMainThread(boost::shared_ptr<void>(), [&] { ran = true; });
    EXPECT_FALSE(ran);
    host->pump();
    EXPECT_TRUE(ran);
}

TEST_F(BrowserHostTest, WorkersGetTheResultOrTheErrorOfTheirMainThreadCall) {
    std::string result;
    std::string error;
    std::string otherError;
    std::atomic<bool> done(false);
    std::thread worker([&] {
        result = host->CallOnMainThread<std::string>([&] {
            EXPECT_TRUE(host->isMainThread());
            return std::string("done");
        });
        error = errorOf([&] {
            host->CallOnMainThread<int>([]() -> int { throw FB::script_error("page said no"); });
        });
        otherError = errorOf<std::runtime_error>([&] {
            host->CallOnMainThread<int>([]() -> int { throw std::runtime_error("no window"); });
        });
        done = true;
    });
    ASSERT_TRUE(host->pumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(result, "done");
    EXPECT_EQ(error, "page said no");
    EXPECT_EQ(otherError, "no window") << "other exceptions reach the waiter, not the browser";
}

TEST_F(BrowserHostTest, AWorkerWaitingAtShutdownLeavesWithShuttingDown) {
    std::string error;
    std::atomic<bool> called(false);
    std::thread worker([&] {
        error = errorOf([&] { host->CallOnMainThread<bool>([&] { return called = true; }); });
    });
    ASSERT_TRUE(host->pumpUntil([&] { return host->queued() >= 1; })) << "nothing queued";
    host->shutdown();
    worker.join();
    EXPECT_EQ(error, "Shutting down");
    EXPECT_TRUE(called) << "the pending call still ran once, during shutdown";
    EXPECT_EQ(workerCallError(), "Could not marshal to main thread");
}

TEST_F(BrowserHostTest, ACallScheduledJustBeforeShutdownRunsExactlyOnce) {
    int runs = 0;
    host->ScheduleOnMainThread(boost::shared_ptr<void>(), [&] { ++runs; });
    host->shutdown();
    EXPECT_EQ(runs, 1);
    host->pump(); // the browser delivers the call it was given before shutdown
    EXPECT_EQ(runs, 1);
    host->ScheduleOnMainThread(boost::shared_ptr<void>(), [&] { ++runs; });
    host->pump();
    EXPECT_EQ(runs, 1) << "calls after shutdown are dropped";
}

TEST_F(BrowserHostTest, CallsFromManyWorkersEachRunOnceInTheirThreadsOrder) {
    constexpr int kThreads = 4;
    constexpr int kCalls = 200;
    std::map<int, std::vector<int>> seen; // main thread only
    std::atomic<int> finished(0);
    std::atomic<bool> go(false);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            // All start at once, so that their calls meet rather than run one thread after another.
            while (!go) {
                std::this_thread::yield();
            }
            for (int i = 0; i < kCalls; ++i) {
                host->ScheduleOnMainThread(boost::shared_ptr<void>(),
                                           [&seen, t, i] { seen[t].push_back(i); });
            }
            ++finished;
        });
    }
    go = true;
    ASSERT_TRUE(host->pumpUntil([&] { return finished == kThreads && host->queued() == 0; }));
    for (auto& worker : workers) {
        worker.join();
    }
    host->pump();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), size_t(kCalls));
        for (int i = 0; i < kCalls; ++i) {
            EXPECT_EQ(seen[t][i], i);
        }
    }
}

TEST_F(BrowserHostTest, ARefusingBrowserFailsSynchronousCalls) {
    host->refuseAsyncCalls(true);
    EXPECT_FALSE(host->ScheduleAsyncCall([](void*) {}, nullptr));
    EXPECT_EQ(workerCallError(), "Could not marshal to main thread");
}

TEST_F(BrowserHostTest, DelayedInvokeCallsTheFunctionOrItsMember) {
    auto fn = FakeJSObject::function(host);
    fn->setMethod("notify", [](const FB::VariantList&) { return FB::variant(); });
    EXPECT_GT(host->delayedInvoke(250, fn, {1, "a"}), 0);
    EXPECT_GT(host->delayedInvoke(0, fn, {2}, "notify"), 0);
    EXPECT_TRUE(fn->calls().empty());
    host->pump();
    ASSERT_EQ(fn->calls().size(), 2u);
    EXPECT_EQ(fn->calls()[0].name, "");
    EXPECT_EQ(fn->calls()[0].args.size(), 2u);
    EXPECT_EQ(fn->calls()[1].name, "notify");
    EXPECT_EQ(host->timers()[0].delay, 250);

    host->window()->RemoveProperty(host->getDelegateName());
    EXPECT_GT(host->delayedInvoke(0, fn, {}), 0) << "a lost delegate is installed again";
    host->removeWindow();
    EXPECT_EQ(host->delayedInvoke(0, fn, {}), -1);
}

TEST_F(BrowserHostTest, InvokeAsyncNeedsALiveHost) {
    auto fn = FakeJSObject::function(host);
    fn->InvokeAsync("", {1});
    // Workers call this too: the page is reached only later, through the host's async call.
    EXPECT_TRUE(host->timers().empty()) << "the page was reached inside the caller";
    host->pump();
    EXPECT_EQ(fn->selfCalls().size(), 1u);
    host->shutdown();
    host.reset();
    EXPECT_EQ(errorOf<std::runtime_error>([&] { fn->InvokeAsync("", {}); }),
              "Cannot invoke asynchronously");
    host = nvtest::TestBrowserHost::create();
}

TEST_F(BrowserHostTest, RetainedObjectsLiveUntilEveryHoldIsReleasedAndAreShutDownWithTheHost) {
    int twiceShutdowns = 0;
    int onceShutdowns = 0;
    int releasedShutdowns = 0;
    auto twice = boost::make_shared<Retained>(twiceShutdowns);
    auto once = boost::make_shared<Retained>(onceShutdowns);
    auto released = boost::make_shared<Retained>(releasedShutdowns);
    boost::weak_ptr<Retained> twiceWatch = twice;
    boost::weak_ptr<Retained> onceWatch = once;
    for (const FB::JSAPIPtr& object :
         {FB::JSAPIPtr(twice), FB::JSAPIPtr(once), FB::JSAPIPtr(twice), FB::JSAPIPtr(released)}) {
        host->retainJSAPIPtr(object);
    }
    host->releaseJSAPIPtr(released);
    host->releaseJSAPIPtr(twice);
    twice.reset();
    once.reset();
    EXPECT_EQ(released.use_count(), 1) << "one release for one hold";
    ASSERT_FALSE(twiceWatch.expired()) << "held twice, released once";

    host->shutdown();
    EXPECT_EQ(twiceShutdowns, 1);
    EXPECT_EQ(onceShutdowns, 1);
    EXPECT_EQ(releasedShutdowns, 0) << "released objects are not shut down";
    EXPECT_TRUE(twiceWatch.expired());
    EXPECT_TRUE(onceWatch.expired());
    host = nvtest::TestBrowserHost::create();
}
