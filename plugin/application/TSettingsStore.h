// TSettingsStore: the per-user settings as the service objects see them, so that they can keep a
// choice across browser restarts without depending on the plug-in object's whole type.
// Main thread only.
#pragma once

#include <string>

class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;
    // The stored value, or "" when the key is absent.
    virtual std::string loadSetting(const std::string& key) = 0;
    // Stores the value for later runs; a failed write keeps it for this run only.
    virtual void saveSetting(const std::string& key, const std::string& value) = 0;
};
