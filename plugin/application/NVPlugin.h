// NVPlugin: the application's plug-in object, one per plug-in instance. It makes the root
// scriptable object, keeps the per-user settings file (read once, rewritten whole on every change),
// answers the drag-and-drop switches (no drop support on this platform) and consumes only refresh
// events. It is windowless. Main thread only; owned by the shared pointer the factory makes.
#pragma once

#include <string>

#include "plugin/application/SettingsFile.h"
#include "plugin/application/TSettingsStore.h"
#include "src/PluginCore/PluginCore.h"
#include "src/PluginCore/PluginEvents/DrawingEvents.h"
#include "src/PluginCore/PluginEvents/MouseEvents.h"

class NVAcceptDropFile;

namespace FB {
class PluginWindow;
}

class NVPlugin : public FB::PluginCore, public TSettingsStore {
public:
    NVPlugin();
    ~NVPlugin() override;

    static void StaticInitialize() {}
    static void StaticDeinitialize() {}

    bool HandleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) override;
    void onPluginReady() override {}
    void shutdown() override {}
    // A new root object bound to this plug-in; throws boost::bad_weak_ptr when no longer owned.
    FB::JSAPIPtr createJSAPI() override;
    bool isWindowless() override { return true; }

    virtual bool onMouseDown(FB::MouseDownEvent*, FB::PluginWindow*) { return false; }
    virtual bool onMouseUp(FB::MouseUpEvent*, FB::PluginWindow*) { return false; }
    virtual bool onMouseMove(FB::MouseMoveEvent*, FB::PluginWindow*) { return false; }
    virtual bool onMouseEnter(FB::MouseEnteredEvent*, FB::PluginWindow*) { return false; }
    virtual bool onMouseExit(FB::MouseExitedEvent*, FB::PluginWindow*) { return false; }
    virtual bool onWindowAttached(FB::AttachedEvent*, FB::PluginWindow*) { return false; }
    virtual bool onWindowDetached(FB::DetachedEvent*, FB::PluginWindow*) { return false; }
    virtual bool onRefresh(FB::RefreshEvent*, FB::PluginWindow*) { return true; }

    std::string loadSetting(const std::string& key) override;
    // Rewrites the whole file.
    void saveSetting(const std::string& key, const std::string& value) override;
    void checkLoadSetting();

    bool checkEnableDropFiles() const { return false; }
    bool supportDropFiles() { return false; }
    bool enableDropFiles(bool) { return false; }
    void destroyDropFiles() {}

    // Where the settings live; tests point it elsewhere.
    void setSettingsPath(const std::string& path) { m_settingsPath = path; }

    NVAcceptDropFile* m_acceptDropFile = nullptr;

private:
    bool m_settingsLoaded = false;
    SettingsMap m_settings;
    std::string m_settingsPath;
};
