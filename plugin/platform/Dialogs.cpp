#include "plugin/platform/Dialogs.h"

#include <cstdlib>
#include <memory>

#include <boost/algorithm/string/replace.hpp>

#include "plugin/platform/DialogProgram.h"
#include "plugin/platform/DialogTitles.h"
#include "src/ScriptingCore/URI.h"
#include "src/ScriptingCore/utf8_tools.h"

using NVPlatform::FileChooser;

namespace {

// Page texts may hold lone surrogates; one bad character must not lose the whole title or message.
std::string displayText(const std::wstring& text) {
    try {
        return FB::wstring_to_utf8(text);
    } catch (const std::exception&) {
    }
    std::string out;
    for (wchar_t ch : text) {
        try {
            out += FB::wstring_to_utf8(std::wstring(1, ch));
        } catch (const std::exception&) {
            out += "\xEF\xBF\xBD";
        }
    }
    return out;
}

// Symbolic links are the desktop's aliases: the caller gets the file they stand for. A path that
// cannot be resolved is kept as the dialog gave it.
std::string resolveLinks(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                         &std::free);
    return resolved ? std::string(resolved.get()) : path;
}

// A name that is not UTF-8 has no wide form; it is dropped instead of being handed on mangled.
bool toWide(const std::string& path, std::wstring& wide) {
    try {
        wide = FB::utf8_to_wstring(path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The starting folder comes as a URL string: a "file://" URL gives its path, an absolute path is
// taken as it is, anything else gives no starting folder.
std::string folderFromUrl(const std::string& url) {
    const std::string scheme = "file://";
    if (url.compare(0, scheme.size(), scheme) != 0) {
        return url.empty() || url[0] != '/' ? std::string() : url;
    }
    // url_decode reads form data, where "+" stands for a blank; in a URL path it is itself.
    std::string path = boost::algorithm::replace_all_copy(url.substr(scheme.size()), "+", "%2B");
    path = FB::URI::url_decode(path);
    return path.empty() || path[0] != '/' ? std::string() : path;
}

} // namespace

bool browser(FB::PluginWindow*, const std::wstring&, bool single,
             std::vector<std::wstring>& paths) {
    FileChooser chooser;
    chooser.mode = FileChooser::Mode::OpenFiles;
    chooser.title = NVPlatform::openFilesTitle();
    chooser.multiple = !single;
    for (const std::string& chosen : NVPlatform::chooseFiles(chooser)) {
        std::wstring wide;
        if (toWide(resolveLinks(chosen), wide)) {
            paths.push_back(wide);
        }
    }
    return !paths.empty();
}

bool selectSaveFile(FB::PluginWindow*, const std::wstring&, std::wstring& path) {
    FileChooser chooser;
    chooser.mode = FileChooser::Mode::SaveFile;
    chooser.title = NVPlatform::saveFileTitle();
    std::vector<std::string> chosen = NVPlatform::chooseFiles(chooser);
    if (!chosen.empty()) {
        toWide(chosen.front(), path);
    }
    return !path.empty();
}

bool selectSaveFolder(FB::PluginWindow*, const std::wstring& title,
                      const std::wstring& initialFolder, std::wstring& path) {
    FileChooser chooser;
    chooser.mode = FileChooser::Mode::Folder;
    chooser.title = displayText(title);
    chooser.startFolder = folderFromUrl(displayText(initialFolder));
    std::vector<std::string> chosen = NVPlatform::chooseFiles(chooser);
    if (!chosen.empty()) {
        toWide(resolveLinks(chosen.front()), path);
    }
    if (path.empty()) {
        return false;
    }
    if (path.back() != L'/') {
        path += L'/';
    }
    return true;
}

bool confirmDlg(FB::PluginWindow*, const std::wstring& message, const std::wstring& title) {
    return NVPlatform::askYesNo(displayText(title), displayText(message));
}
