#include "plugin/platform/DialogProgram.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <langinfo.h>

#include "plugin/platform/ChildProcess.h"

namespace NVPlatform {
namespace {

enum class CommandLine { Zenity, Kdialog };

struct DialogCommand {
    std::string program; // empty: none available
    CommandLine commandLine = CommandLine::Zenity;
};

// Looked up on every call: the environment decides, and a lookup costs nothing next to a dialog.
DialogCommand findDialogProgram() {
    DialogCommand command;
    if (const char* chosen = std::getenv("NV_DIALOG_PROGRAM"); chosen && *chosen) {
        command.program = chosen;
        std::string fileName = command.program.substr(command.program.rfind('/') + 1);
        command.commandLine = fileName == "kdialog" ? CommandLine::Kdialog : CommandLine::Zenity;
        return command;
    }
    command.program = findProgram("zenity");
    if (command.program.empty()) {
        command.program = findProgram("kdialog");
        command.commandLine = CommandLine::Kdialog;
    }
    return command;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// The dialog program reads its arguments, and writes the chosen names, in its locale's character
// set, while ours are UTF-8 (zenity refuses to start when its arguments do not fit). A locale that
// is not UTF-8 keeps its language and gets a UTF-8 character type. A locale that is not installed
// makes the C library fall back to ASCII for every category, so nothing of it can be kept.
std::vector<std::string> dialogEnvironment() {
    bool installed = false;
    bool utf8 = false;
    if (locale_t current = newlocale(LC_ALL_MASK, "", locale_t()); current) {
        installed = true;
        utf8 = std::strcmp(nl_langinfo_l(CODESET, current), "UTF-8") == 0;
        freelocale(current);
    }
    std::vector<std::string> environment;
    const char* all = std::getenv("LC_ALL");
    std::string language = installed && all ? all : "";
    for (char** entry = processEnvironment(); *entry; ++entry) {
        std::string variable = *entry;
        if (!utf8 && (startsWith(variable, "LC_ALL=") || startsWith(variable, "LC_CTYPE=") ||
                      (!language.empty() && startsWith(variable, "LC_MESSAGES=")))) {
            continue;
        }
        environment.push_back(variable);
    }
    if (!utf8 && !installed) {
        environment.push_back("LC_ALL=C.UTF-8");
    } else if (!utf8) {
        if (!language.empty()) {
            environment.push_back("LC_MESSAGES=" + language);
        }
        environment.push_back("LC_CTYPE=C.UTF-8");
    }
    return environment;
}

// One path per line: zenity is given a line feed as separator and kdialog --separate-output. A
// single choice is taken whole, so only a multiple choice cannot hold a line feed in a name.
std::vector<std::string> paths(const std::string& output, bool multiple) {
    std::string text = output;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    std::vector<std::string> result;
    if (!multiple) {
        if (!text.empty()) {
            result.push_back(text);
        }
        return result;
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            result.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return result;
}

std::vector<std::string> zenityChooser(const std::string& program, const FileChooser& chooser) {
    std::vector<std::string> arguments = {program, "--file-selection", "--title=" + chooser.title};
    switch (chooser.mode) {
    case FileChooser::Mode::OpenFiles:
        if (chooser.multiple) {
            arguments.push_back("--multiple");
            arguments.push_back("--separator=\n");
        }
        break;
    case FileChooser::Mode::SaveFile:
        arguments.push_back("--save");
        arguments.push_back("--confirm-overwrite");
        break;
    case FileChooser::Mode::Folder:
        arguments.push_back("--directory");
        if (!chooser.startFolder.empty()) {
            // The trailing separator makes zenity open the folder instead of selecting it.
            std::string folder = chooser.startFolder;
            if (folder.back() != '/') {
                folder += '/';
            }
            arguments.push_back("--filename=" + folder);
        }
        break;
    }
    return arguments;
}

std::vector<std::string> kdialogChooser(const std::string& program, const FileChooser& chooser) {
    std::vector<std::string> arguments = {program, "--title", chooser.title};
    switch (chooser.mode) {
    case FileChooser::Mode::OpenFiles:
        if (chooser.multiple) {
            arguments.push_back("--multiple");
            arguments.push_back("--separate-output");
        }
        arguments.push_back("--getopenfilename");
        break;
    case FileChooser::Mode::SaveFile:
        arguments.push_back("--getsavefilename");
        break;
    case FileChooser::Mode::Folder:
        arguments.push_back("--getexistingdirectory");
        if (!chooser.startFolder.empty()) {
            arguments.push_back(chooser.startFolder);
        }
        break;
    }
    return arguments;
}

} // namespace

std::vector<std::string> chooseFiles(const FileChooser& chooser) {
    DialogCommand command = findDialogProgram();
    if (command.program.empty()) {
        return {};
    }
    ProgramRun run = runProgram(command.commandLine == CommandLine::Zenity
                                    ? zenityChooser(command.program, chooser)
                                    : kdialogChooser(command.program, chooser),
                                dialogEnvironment());
    if (!run.started || run.exitStatus != 0) {
        return {};
    }
    return paths(run.output, chooser.mode == FileChooser::Mode::OpenFiles && chooser.multiple);
}

bool askYesNo(const std::string& title, const std::string& text) {
    DialogCommand command = findDialogProgram();
    if (command.program.empty()) {
        return false;
    }
    std::vector<std::string> arguments;
    if (command.commandLine == CommandLine::Zenity) {
        // Without --no-markup a "<" or "&" in a file name would break the whole text.
        arguments = {command.program,  "--question",        "--title=" + title, "--text=" + text,
                     "--ok-label=Yes", "--cancel-label=No", "--default-cancel", "--no-markup"};
    } else {
        // kdialog has no option for the default button; its warning variant defaults to "No".
        arguments = {command.program,  "--title", title, "--yes-label", "Yes", "--no-label", "No",
                     "--warningyesno", text};
    }
    ProgramRun run = runProgram(arguments, dialogEnvironment());
    return run.started && run.exitStatus == 0;
}

} // namespace NVPlatform
