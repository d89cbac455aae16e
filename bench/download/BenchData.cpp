#include "bench/download/BenchData.h"

#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace bench {
namespace {

const char* const kWords[] = {
    "the",     "mail",    "attachment", "server", "download", "folder",  "report", "quarterly",
    "meeting", "Norvane", "plug-in",    "upload", "archive",  "please",  "find",   "attached",
    "regards", "budget",  "2023",       "draft",  "version",  "summary", "review", "schedule",
    "project", "client",  "invoice",    "total",  "amount",   "due",     "team",   "update",
};

std::string text(std::size_t size, std::mt19937& generator) {
    std::string out;
    out.reserve(size + 16);
    std::uniform_int_distribution<std::size_t> word(0, sizeof kWords / sizeof kWords[0] - 1);
    std::uniform_int_distribution<int> punctuation(0, 11);
    std::uniform_int_distribution<int> digit(0, 99999);
    while (out.size() < size) {
        out += kWords[word(generator)];
        switch (punctuation(generator)) {
        case 0:
            out += ".\n";
            break;
        case 1:
            out += ", ";
            break;
        case 2:
            out += " " + std::to_string(digit(generator)) + " ";
            break;
        default:
            out += ' ';
        }
    }
    out.resize(size);
    return out;
}

std::string random(std::size_t size, std::mt19937& generator) {
    std::string out(size, '\0');
    for (char& byte : out) {
        byte = static_cast<char>(generator());
    }
    return out;
}

} // namespace

std::string makeContent(Content kind, std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    switch (kind) {
    case Content::Text:
        return text(size, generator);
    case Content::Random:
        return random(size, generator);
    case Content::Mixed:
        break;
    }
    // Runs of text between runs of noise, like office files with embedded pictures.
    std::string out;
    std::uniform_int_distribution<std::size_t> run(512, 16384);
    while (out.size() < size) {
        std::size_t length = run(generator);
        out += (out.size() / 4096) % 3 == 0 ? random(length, generator) : text(length, generator);
    }
    out.resize(size);
    return out;
}

bool runProgram(const std::vector<std::string>& arguments, const std::string& output) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace bench
