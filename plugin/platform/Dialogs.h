// Dialogs: the file, folder and question dialogs of the service objects. Every one is modal and
// synchronous: the call returns once the user has answered. The window argument is accepted for
// the callers' sake; no dialog is attached to it.
//
// Thread contract: REQUIRES: browser main thread, inside a script call (the dialogs block it).
// None of them throws.
#pragma once

#include <string>
#include <vector>

namespace FB {
class PluginWindow;
}

// File-open dialog titled "Open files" (or its Chinese form, see DialogTitles.h): files only,
// several unless `single`. The chosen paths, links resolved, are appended in the dialog's order to
// `paths`, which is not cleared first. True when `paths` is not empty afterwards, so a cancelled
// dialog still gives true when `paths` already held entries. `filter` is not applied.
bool browser(FB::PluginWindow* window, const std::wstring& filter, bool single,
             std::vector<std::wstring>& paths);

// File-save dialog titled "Save file" (or its Chinese form). On confirmation `path` receives the
// chosen full path; on cancel it keeps its value. True when `path` is not empty afterwards.
// `suggestedName` is not applied.
bool selectSaveFile(FB::PluginWindow* window, const std::wstring& suggestedName,
                    std::wstring& path);

// Folder dialog with the given title, starting in `initialFolder` (a path or a "file://" URL). On
// confirmation `path` receives the chosen folder, links resolved. False when `path` is empty
// afterwards; otherwise `path` ends in "/" and the result is true.
bool selectSaveFolder(FB::PluginWindow* window, const std::wstring& title,
                      const std::wstring& initialFolder, std::wstring& path);

// Question with the buttons "No" (the default) and "Yes". True exactly when the answer was not the
// default, i.e. "Yes".
bool confirmDlg(FB::PluginWindow* window, const std::wstring& message, const std::wstring& title);
