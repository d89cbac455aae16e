// FB::PluginCore: the application-neutral half of one plug-in instance. It keeps the instance's
// browser host, its embed parameters (with "on..." parameters resolved to page functions), its root
// scriptable object and its window, and calls the page's "onload" function when the instance is
// ready. Main thread only. Owned by shared pointer (the factory makes it so).
#pragma once

#include <atomic>
#include <map>
#include <string>

#include <boost/logic/tribool.hpp>
#include <boost/optional.hpp>

#include "src/ScriptingCore/APITypes.h"
#include "src/ScriptingCore/PluginEventSink.h"
#include "src/ScriptingCore/variant.h"

namespace FB {

class PluginWindow;
class BrowserStreamRequest;

class PluginCore : public PluginEventSink {
public:
    PluginCore();
    ~PluginCore() override;

    static void setPlatform(const std::string& os, const std::string& browser);

    bool HandleEvent(PluginEvent* event, PluginEventSource* source) override = 0;
    virtual void SetHost(const BrowserHostPtr& host) { m_host = host; }
    virtual PluginWindow* GetWindow() const { return m_currentWindow; }
    virtual void setScriptingOnly(bool scriptingOnly) { m_scriptingOnlyFlag = scriptingOnly; }
    virtual bool isScriptingOnly() { return m_scriptingOnlyFlag; }
    virtual void SetWindow(PluginWindow* window);
    virtual void ClearWindow();
    // Schedules the "onload" call (250 ms later, with the root object); true when one was
    // scheduled.
    virtual bool setReady();
    virtual void onPluginReady() {}
    virtual void shutdown() {}
    virtual JSAPIPtr createJSAPI() = 0;
    // The root object, made on the first request and kept.
    virtual JSAPIPtr getRootJSAPI();
    virtual bool isWindowless();
    virtual void setFSPath(const std::string& path) { m_binaryPath = path; }
    // The plug-in's own executable file.
    const std::string& getFSPath() const { return m_binaryPath; }
    virtual void setParams(const VariantMap& inParams);
    virtual boost::optional<std::string> getParam(const std::string& key);
    virtual variant getParamVariant(const std::string& key);
    // Declines streams the browser opens by itself.
    virtual void handleUnsolicitedStream(BrowserStreamRequest& /*request*/) {}
    virtual BrowserHostPtr getHost() const { return m_host; }

    static std::atomic<int> ActivePluginCount;
    static std::string OS;
    static std::string Browser;

protected:
    BrowserHostPtr m_host;
    std::string m_binaryPath;
    VariantMap m_parameters;
    PluginWindow* m_currentWindow = nullptr;
    JSAPIPtr m_rootObject;
    boost::logic::tribool m_windowlessAnswer = boost::logic::indeterminate;
    bool m_scriptingOnlyFlag = false;
};

} // namespace FB
