#include "tests/NpapiCore/NpapiTestPlugin.h"

#include <thread>

#include <boost/make_shared.hpp>

#include "src/NpapiCore/NpapiPlugin.h"
#include "src/PluginCore/PluginCore.h"
#include "src/ScriptingCore/BrowserHost.h"
#include "src/ScriptingCore/JSObject.h"
#include "src/ScriptingCore/script_error.h"

namespace nvtest {

namespace {

class TestCore : public FB::PluginCore {
public:
    bool HandleEvent(FB::PluginEvent*, FB::PluginEventSource*) override { return false; }
    FB::JSAPIPtr createJSAPI() override { return boost::make_shared<TestRoot>(); }
};

} // namespace

TestRoot::TestRoot() {
    registerMethod("index", FB::make_method(this, &TestRoot::index));
    registerMethod("count", FB::make_method(this, &TestRoot::count));
    registerMethod("ratio", FB::make_method(this, &TestRoot::ratio));
    registerMethod("echo", FB::make_method(this, &TestRoot::echo));
    registerMethod("wide", FB::make_method(this, &TestRoot::wide));
    registerMethod("list", FB::make_method(this, &TestRoot::list));
    registerMethod("map", FB::make_method(this, &TestRoot::map));
    registerMethod("child", FB::make_method(this, &TestRoot::child));
    registerMethod("fresh", FB::make_method(this, &TestRoot::fresh));
    registerMethod("fail", FB::make_method(this, &TestRoot::fail));
    registerMethod("failOther", FB::make_method(this, &TestRoot::failOther));
    registerMethod("later", FB::make_method(this, &TestRoot::later));
    registerMethod("fromWorker", FB::make_method(this, &TestRoot::fromWorker));
    registerMethod("workerAnswer", FB::make_method(this, &TestRoot::workerAnswer));
    registerMethod("sum", FB::make_method(this, &TestRoot::sum));
}

FB::JSAPIPtr TestRoot::child() {
    if (!m_child) {
        m_child = boost::make_shared<FB::JSAPIAuto>();
    }
    return m_child;
}

FB::JSAPIPtr TestRoot::fresh() {
    return boost::make_shared<FB::JSAPIAuto>();
}

void TestRoot::later(const FB::JSObjectPtr& callback) {
    std::thread([callback] { callback->InvokeAsync("", FB::VariantList{"from a worker"}); }).join();
}

void TestRoot::fromWorker(const FB::JSObjectPtr& callback) {
    m_worker = std::thread([this, callback] {
        try {
            m_answer = callback->Invoke("", FB::VariantList{"asked"}).convert_cast<std::string>();
        } catch (const std::exception& e) {
            m_answer = std::string("error: ") + e.what();
        }
    });
}

std::string TestRoot::workerAnswer() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    return m_answer;
}

TestRoot::~TestRoot() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

int TestRoot::sum(const FB::VariantList& values) {
    int total = 0;
    for (const FB::variant& value : values) {
        total += value.convert_cast<int>();
    }
    return total;
}

FB::PluginCorePtr TestFactory::createPlugin(const std::string&) {
    return boost::make_shared<TestCore>();
}

boost::shared_ptr<FB::Npapi::NpapiPlugin>
TestFactory::createNpapiPlugin(const boost::shared_ptr<FB::Npapi::NpapiBrowserHost>& host,
                               const std::string& mimetype) {
    if (refuseWrappers) {
        return boost::shared_ptr<FB::Npapi::NpapiPlugin>();
    }
    return FB::FactoryBase::createNpapiPlugin(host, mimetype);
}

TestFactory& testFactory() {
    static boost::shared_ptr<TestFactory> factory = boost::make_shared<TestFactory>();
    return *factory;
}

} // namespace nvtest

FB::FactoryBasePtr FB::getFactoryInstance() {
    static FB::FactoryBasePtr shared(&nvtest::testFactory(), [](FB::FactoryBase*) {});
    return shared;
}
