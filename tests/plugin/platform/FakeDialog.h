// FakeDialog: drives fake_dialog.py from a test case. It points NV_DIALOG_PROGRAM at a link to the
// fake named after the program whose command line is to be spoken ("zenity" or "kdialog"), sets
// the answer, and reads back what the last dialog was asked.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <gtest/gtest.h>

#include "tests/support/ScopedEnvironment.h"

class FakeDialog {
public:
    using Request = boost::property_tree::ptree;

    // Makes `folder`/`program` a link to the fake. REQUIRES: `folder` exists.
    FakeDialog(ScopedEnvironment& environment, const std::string& folder,
               const std::string& program)
        : m_environment(environment), m_log(folder + "/dialog-log.jsonl") {
        const std::string link = folder + "/" + program;
        std::filesystem::create_symlink(NV_FAKE_DIALOG, link);
        environment.set("NV_DIALOG_PROGRAM", link);
        environment.set("NV_FAKE_DIALOG_LOG", m_log);
        environment.unset("NV_FAKE_DIALOG_ANSWER");
    }

    void answer(const std::string& json) { m_environment.set("NV_FAKE_DIALOG_ANSWER", json); }

    // The one request made since the last call; fails the test when there was not exactly one.
    Request only() {
        std::vector<Request> all;
        std::ifstream log(m_log);
        for (std::string line; std::getline(log, line);) {
            std::istringstream text(line);
            boost::property_tree::read_json(text, all.emplace_back());
        }
        std::filesystem::remove(m_log);
        if (all.size() != 1) {
            ADD_FAILURE() << "expected one dialog, got " << all.size();
            return Request();
        }
        return all.front();
    }

private:
    ScopedEnvironment& m_environment;
    std::string m_log;
};
