#include "tests/NpapiCore/NpapiTestPlugin.h"

#include <stdexcept>
#include <thread>

#include <boost/make_shared.hpp>

#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/JSAPIAuto.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/script_error.h"

namespace nvtest {

namespace {

using Args = FB::VariantList;

class TestRoot : public FB::JSAPIAuto {
public:
    TestRoot() {
        registerMethod("index", [](const Args&) { return FB::variant(3UL); });
        registerMethod("big", [](const Args&) { return FB::variant(4000000000U); });
        registerMethod("count", [](const Args&) { return FB::variant(7); });
        registerMethod("ratio", [](const Args&) { return FB::variant(0.5); });
        registerMethod("echo", [](const Args& args) { return args.at(0); });
        registerMethod("wide", [](const Args&) { return FB::variant(std::wstring(L"\u4e2d")); });
        registerMethod("list", [](const Args&) { return FB::variant(Args{1, "two", Args{3}}); });
        registerMethod("child", [this](const Args&) {
            if (!m_child) {
                m_child = boost::make_shared<FB::JSAPIAuto>();
            }
            return FB::variant(m_child);
        });
        registerMethod("fresh", [](const Args&) {
            return FB::variant(FB::JSAPIPtr(boost::make_shared<FB::JSAPIAuto>()));
        });
        registerMethod("fail", [](const Args&) -> FB::variant {
            throw FB::script_error("The plugin is invalid");
        });
        registerMethod("failOther", [](const Args&) -> FB::variant {
            throw std::runtime_error("disk on fire");
        });
        // A worker calls the page function synchronously: it must wait for the main thread.
        registerMethod("fromWorker", [this](const Args& args) {
            FB::JSObjectPtr callback = args.at(0).convert_cast<FB::JSObjectPtr>();
            m_worker = std::thread([this, callback] {
                m_answer = callback->Invoke("", Args{"asked"}).convert_cast<std::string>();
            });
            return FB::variant();
        });
        registerMethod("workerAnswer", [this](const Args&) { return FB::variant(workerAnswer()); });
    }
    ~TestRoot() override { workerAnswer(); }

private:
    std::string workerAnswer() {
        if (m_worker.joinable()) {
            m_worker.join();
        }
        return m_answer;
    }

    FB::JSAPIPtr m_child;
    std::thread m_worker;
    std::string m_answer;
};

class TestCore : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr createJSAPI() override { return boost::make_shared<TestRoot>(); }
};

} // namespace

FB::PluginCorePtr TestFactory::createPlugin(const std::string&) {
    return boost::make_shared<TestCore>();
}

TestFactory& testFactory() {
    static TestFactory factory;
    return factory;
}

} // namespace nvtest

FB::FactoryBasePtr FB::getFactoryInstance() {
    static FB::FactoryBasePtr shared(&nvtest::testFactory(), [](FB::FactoryBase*) {});
    return shared;
}
