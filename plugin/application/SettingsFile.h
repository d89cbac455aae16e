// The per-user settings file ".NorvanePlugin.setting": one "key=value" line per entry in ascending
// byte order of the keys, values form-encoded (FB::URI::url_encode), keys raw, each line ended by
// "\n". Pure functions over a path; the caller serialises access.
#pragma once

#include <map>
#include <string>

using SettingsMap = std::map<std::string, std::string>;

// The file's entries; a missing or unreadable file reads as empty. Blank lines and lines without
// "=" are skipped, surrounding blanks stripped, and a later line wins over an earlier one with its
// key.
SettingsMap readSettingsFile(const std::string& path);

// Rewrites the whole file from the map. The new content goes to a temporary file beside it that
// then replaces the old one, so a crash or a full disk mid-write never loses what was stored. False
// when it could not be written (the old file is then unchanged).
bool writeSettingsFile(const std::string& path, const SettingsMap& settings);

// The settings file of the current user: ".NorvanePlugin.setting" in the home directory.
std::string settingsFilePath();
