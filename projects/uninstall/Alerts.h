// Alerts: the uninstaller's modal alerts and its one question, shown through the desktop's dialog
// program: zenity, or kdialog when only that is installed. NV_DIALOG_PROGRAM, when set and not
// empty, names the program to run instead and is spoken to in zenity's command line, or in
// kdialog's when its file name is "kdialog" (the plug-in's dialogs are replaced the same way).
//
// Thread contract: single-threaded program. Texts are UTF-8 and shown as plain text.
#pragma once

#include <string>

namespace NVUninstall {

// Shows one alert and waits for it. With `yesNo` off it has a single button and returns false.
// With `yesNo` on its buttons are the localised "No", the default (so Return answers it), and
// "Yes"; true only when "Yes" was pressed. Without any dialog program the text goes to standard
// error and the answer is "No".
bool messageBox(const std::string& title, const std::string& message, bool yesNo);

} // namespace NVUninstall
