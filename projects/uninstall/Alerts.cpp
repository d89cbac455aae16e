#include "projects/uninstall/Alerts.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "projects/uninstall/Program.h"
#include "projects/uninstall/Texts.h"

namespace NVUninstall {
namespace {

struct DialogProgram {
    std::string path; // empty: none installed
    bool kdialog = false;
};

DialogProgram findDialogProgram() {
    DialogProgram program;
    if (const char* chosen = std::getenv("NV_DIALOG_PROGRAM"); chosen && *chosen) {
        program.path = chosen;
        program.kdialog = program.path.substr(program.path.rfind('/') + 1) == "kdialog";
        return program;
    }
    program.path = findOnPath("zenity");
    if (program.path.empty()) {
        program.path = findOnPath("kdialog");
        program.kdialog = !program.path.empty();
    }
    return program;
}

std::vector<std::string> zenityArguments(const std::string& path, const std::string& title,
                                         const std::string& message, bool yesNo) {
    // Without --no-markup a "<" or "&" in a path would break the whole text.
    std::vector<std::string> arguments = {path, yesNo ? "--question" : "--info", "--title=" + title,
                                          "--text=" + message, "--no-markup"};
    if (yesNo) {
        arguments.insert(arguments.end(),
                         {"--ok-label=" + localized("Yes"), "--cancel-label=" + localized("No"),
                          "--default-cancel"});
    }
    return arguments;
}

std::vector<std::string> kdialogArguments(const std::string& path, const std::string& title,
                                          const std::string& message, bool yesNo) {
    if (!yesNo) {
        return {path, "--title", title, "--msgbox", message};
    }
    // kdialog has no option for the default button; its warning variant defaults to "No".
    return {path,
            "--title",
            title,
            "--yes-label",
            localized("Yes"),
            "--no-label",
            localized("No"),
            "--warningyesno",
            message};
}

} // namespace

bool messageBox(const std::string& title, const std::string& message, bool yesNo) {
    DialogProgram program = findDialogProgram();
    if (program.path.empty()) {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
        return false;
    }
    ProgramRun run =
        runProgram(program.kdialog ? kdialogArguments(program.path, title, message, yesNo)
                                   : zenityArguments(program.path, title, message, yesNo));
    return yesNo && run.started && run.exitStatus == 0;
}

} // namespace NVUninstall
