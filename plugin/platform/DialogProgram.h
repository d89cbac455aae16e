// DialogProgram: asks the user through a separate dialog program, so that the plug-in never loads
// a second GUI toolkit into the browser's process. zenity is used, or kdialog when only that is
// installed; either runs modally: every call waits until the user has answered.
//
// NV_DIALOG_PROGRAM: when set and not empty, names the program to run instead (a path, or a name
// looked up on PATH). It must understand zenity's command line, or kdialog's when its file name
// is "kdialog". The tests point it at their fake dialog program.
//
// The program gets the browser's environment, except that a locale whose character set is not
// UTF-8 is given a UTF-8 one: every text we pass and read back is UTF-8.
//
// Thread contract: no shared state; callable from any thread, though every caller is a script call
// on the browser's main thread. Texts are UTF-8.
#pragma once

#include <string>
#include <vector>

namespace NVPlatform {

struct FileChooser {
    enum class Mode { OpenFiles, SaveFile, Folder };
    Mode mode = Mode::OpenFiles;
    std::string title;
    // OpenFiles only: more than one file may be chosen.
    bool multiple = false;
    // Folder only: where the dialog starts; empty leaves that to the program.
    std::string startFolder;
};

// The chosen paths in the program's order. Empty when the user cancelled, when no dialog program
// could be run, or when it failed.
std::vector<std::string> chooseFiles(const FileChooser& chooser);

// Asks a yes/no question whose default button is "No". True only when the user chose "Yes";
// closing the dialog, or having no program to ask with, counts as "No".
bool askYesNo(const std::string& title, const std::string& text);

} // namespace NVPlatform
