// The plug-in the bridge's tests load into the fake browser: a factory whose cores offer a root
// object with members of the kinds the application uses (numbers, texts, lists, objects, a cached
// child object, errors, page callbacks), so that the NPAPI layer is tested apart from the
// application. The factory can be told to refuse wrappers (to test NPP_New's failure path).
#pragma once

#include <string>
#include <thread>

#include <boost/shared_ptr.hpp>

#include "src/PluginCore/FactoryBase.h"
#include "src/ScriptingCore/JSAPIAuto.h"

namespace nvtest {

class TestRoot : public FB::JSAPIAuto {
public:
    TestRoot();

    unsigned long index() { return 3; }
    int count() { return 7; }
    double ratio() { return 0.5; }
    std::string echo(const std::string& text) { return text; }
    std::wstring wide() { return L"\u4e2d"; }
    FB::VariantList list() { return FB::VariantList{1, "two", FB::VariantList{3}}; }
    FB::VariantMap map() { return FB::VariantMap{{"a", 1}, {"b", "x"}}; }
    FB::JSAPIPtr child();
    FB::JSAPIPtr fresh();
    void fail() { throw FB::script_error("The plugin is invalid"); }
    void failOther() { throw std::runtime_error("disk on fire"); }
    // Calls the page function later, as a worker's event would.
    void later(const FB::JSObjectPtr& callback);
    // Starts a worker that calls the page function synchronously (it must wait for the main
    // thread); workerAnswer() joins it and tells what the call returned.
    void fromWorker(const FB::JSObjectPtr& callback);
    std::string workerAnswer();
    int sum(const FB::VariantList& values);

    ~TestRoot() override;

private:
    FB::JSAPIPtr m_child;
    std::thread m_worker;
    std::string m_answer;
};

class TestFactory : public FB::FactoryBase {
public:
    FB::PluginCorePtr createPlugin(const std::string& mimetype) override;
    boost::shared_ptr<FB::Npapi::NpapiPlugin>
    createNpapiPlugin(const boost::shared_ptr<FB::Npapi::NpapiBrowserHost>& host,
                      const std::string& mimetype) override;
    void globalPluginInitialize() override { ++initializations; }
    void globalPluginDeinitialize() override { ++deinitializations; }

    bool refuseWrappers = false;
    int initializations = 0;
    int deinitializations = 0;
};

TestFactory& testFactory();

} // namespace nvtest
