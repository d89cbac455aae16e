#include "plugin/application/NVPlugin.h"

#include <boost/make_shared.hpp>

#include "plugin/application/NVPluginAPI.h"
#include "src/PluginCore/PluginWindow.h"
#include "src/ScriptingCore/BrowserHost.h"

NVPlugin::NVPlugin() : m_settingsPath(settingsFilePath()) {}

NVPlugin::~NVPlugin() {
    // The root object goes first, then what the host retained for the page.
    m_rootObject.reset();
    if (m_host) {
        m_host->freeRetainedObjects();
    }
}

FB::JSAPIPtr NVPlugin::createJSAPI() {
    auto self = boost::static_pointer_cast<NVPlugin>(shared_from_this());
    return boost::make_shared<NVPluginAPI>(self, m_host);
}

bool NVPlugin::HandleEvent(FB::PluginEvent* event, FB::PluginEventSource* source) {
    auto* window = dynamic_cast<FB::PluginWindow*>(source);
    if (!event || !window) {
        return false;
    }
    if (auto* e = event->get<FB::MouseDownEvent>()) {
        return onMouseDown(e, window);
    }
    if (auto* e = event->get<FB::MouseUpEvent>()) {
        return onMouseUp(e, window);
    }
    if (auto* e = event->get<FB::MouseMoveEvent>()) {
        return onMouseMove(e, window);
    }
    if (auto* e = event->get<FB::MouseEnteredEvent>()) {
        return onMouseEnter(e, window);
    }
    if (auto* e = event->get<FB::MouseExitedEvent>()) {
        return onMouseExit(e, window);
    }
    if (auto* e = event->get<FB::AttachedEvent>()) {
        return onWindowAttached(e, window);
    }
    if (auto* e = event->get<FB::DetachedEvent>()) {
        return onWindowDetached(e, window);
    }
    if (auto* e = event->get<FB::RefreshEvent>()) {
        return onRefresh(e, window);
    }
    return false;
}

void NVPlugin::checkLoadSetting() {
    if (m_settingsLoaded) {
        return;
    }
    m_settings = readSettingsFile(m_settingsPath);
    m_settingsLoaded = true;
}

std::string NVPlugin::loadSetting(const std::string& key) {
    checkLoadSetting();
    auto it = m_settings.find(key);
    return it == m_settings.end() ? std::string() : it->second;
}

void NVPlugin::saveSetting(const std::string& key, const std::string& value) {
    checkLoadSetting();
    m_settings[key] = value;
    writeSettingsFile(m_settingsPath, m_settings);
}
