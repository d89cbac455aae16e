#include "src/PluginCore/PluginCore.h"

#include "src/PluginCore/ElementMembers.h"
#include "src/PluginCore/PluginWindow.h"
#include "src/ScriptingCore/BrowserHost.h"
#include "src/ScriptingCore/logging.h"

namespace FB {

std::atomic<int> PluginCore::ActivePluginCount(0);
std::string PluginCore::OS;
std::string PluginCore::Browser;

PluginCore::PluginCore() {
    Log::initLogging();
    ++ActivePluginCount;
}

PluginCore::~PluginCore() {
    if (m_host) {
        m_host->shutdown();
    }
    --ActivePluginCount;
}

void PluginCore::setPlatform(const std::string& os, const std::string& browser) {
    OS = os;
    Browser = browser;
    Log::info("PluginCore", "os: " + os + "; browser: " + browser);
}

void PluginCore::SetWindow(PluginWindow* window) {
    Log::trace("PluginCore", "Window Set");
    if (m_currentWindow && m_currentWindow != window) {
        ClearWindow();
    }
    m_currentWindow = window;
    if (window) {
        window->AttachObserver(this);
    }
}

void PluginCore::ClearWindow() {
    Log::trace("PluginCore", "Window Cleared");
    if (m_currentWindow) {
        m_currentWindow->DetachObserver(this);
        m_currentWindow = nullptr;
    }
}

JSAPIPtr PluginCore::getRootJSAPI() {
    if (!m_rootObject) {
        m_rootObject = createJSAPI();
        reserveElementMembers(m_rootObject);
    }
    return m_rootObject;
}

bool PluginCore::isWindowless() {
    try {
        m_windowlessAnswer = getParamVariant("windowless").convert_cast<bool>();
    } catch (const bad_variant_cast&) {
        m_windowlessAnswer = false;
    }
    return bool(m_windowlessAnswer);
}

void PluginCore::setParams(const VariantMap& inParams) {
    for (const auto& [name, value] : inParams) {
        if (name.compare(0, 2, "on") != 0) {
            m_parameters[name] = value;
            continue;
        }
        try {
            std::string function = value.convert_cast<std::string>();
            JSObjectPtr handler = m_host->getDOMWindow()->getProperty<JSObjectPtr>(function);
            if (!handler) {
                // The page has no such global: nothing usable to call later.
                Log::warn("PluginCore", "Exception processing <param> " + name + ": not found");
                continue;
            }
            Log::trace("PluginCore", "Found <param> event handler: " + name);
            m_parameters[name] = handler;
        } catch (const std::exception& e) {
            Log::warn("PluginCore", "Exception processing <param> " + name + ": " + e.what());
        }
    }
}

boost::optional<std::string> PluginCore::getParam(const std::string& key) {
    auto it = m_parameters.find(key);
    if (it == m_parameters.end()) {
        return boost::none;
    }
    try {
        return it->second.convert_cast<std::string>();
    } catch (const bad_variant_cast&) {
        return boost::none;
    }
}

variant PluginCore::getParamVariant(const std::string& key) {
    auto it = m_parameters.find(key);
    return it == m_parameters.end() ? variant() : it->second;
}

bool PluginCore::setReady() {
    Log::trace("PluginCore", "Plugin Ready");
    bool scheduled = false;
    variant onload = getParamVariant("onload");
    if (!onload.empty() && m_host) {
        try {
            m_host->initJS(m_host.get());
            if (JSObjectPtr function = onload.convert_cast<JSObjectPtr>()) {
                Log::trace("PluginCore", "InvokeDelayed(onload)");
                m_host->delayedInvoke(250, function, VariantList{getRootJSAPI()});
                scheduled = true;
            }
        } catch (const std::exception& e) {
            // A broken onload must not keep the instance from being created.
            Log::warn("PluginCore", std::string("onload not scheduled: ") + e.what());
        }
    }
    onPluginReady();
    return scheduled;
}

} // namespace FB
