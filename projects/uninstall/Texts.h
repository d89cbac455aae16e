// Texts: the alert texts, looked up as localisation keys in the program's gettext catalogue. A key
// without a translation is shown as it is, so the English texts are the keys themselves.
//
// Thread contract: single-threaded program; call useCatalogue once before the first lookup.
#pragma once

#include <string>
#include <vector>

namespace NVUninstall {

// Binds the catalogue kept in `localeFolder` (<language>/LC_MESSAGES/nvplugin-uninstall.mo) and
// takes the user's locale. Lookups made without it return the keys.
void useCatalogue(const std::string& localeFolder);

// The translation of `key`, or `key` itself. UTF-8.
std::string localized(const char* key);

// `format` with each "%@" replaced by the next of `values`, in order; a "%@" beyond the values
// stays as it is.
std::string fill(const std::string& format, const std::vector<std::string>& values);

} // namespace NVUninstall
