#include "tests/tools/nvmaild/ServerProcess.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>

extern char** environ;

namespace nvmaild::test {

namespace net = boost::asio;
namespace http = boost::beast::http;

ServerProcess::ServerProcess(const std::vector<std::string>& arguments) {
    int output[2];
    if (::pipe(output) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> all{NVMAILD_EXECUTABLE};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    const int spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (spawned != 0) {
        ::close(output[0]);
        throw std::runtime_error("cannot start " + all[0]);
    }
    char c = 0;
    while (::read(output[0], &c, 1) == 1 && c != '\n')
        m_line += c;
    ::close(output[0]);
    const std::string prefix = "nvmaild listening on http://127.0.0.1:";
    if (m_line.rfind(prefix, 0) != 0 || m_line.back() != '/') {
        terminate();
        throw std::runtime_error("unexpected first line: " + m_line);
    }
    m_port = static_cast<unsigned short>(std::stoul(m_line.substr(prefix.size())));
}

// A stop by signal rather than a kill, so the server removes its temporary store.
ServerProcess::~ServerProcess() {
    terminate();
}

int ServerProcess::terminate() {
    if (m_pid <= 0)
        return -1;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    // Only a server that ignores the stop takes this long; it is then a failure, not a slow pass.
    for (int i = 0; i < 3000; ++i) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    return -1;
}

struct LoopbackClient::Impl {
    net::io_context context;
    net::ip::tcp::socket socket{context};
    boost::beast::flat_buffer buffer;
};

LoopbackClient::LoopbackClient(unsigned short port) : m_impl(std::make_unique<Impl>()) {
    m_impl->socket.connect({net::ip::make_address("127.0.0.1"), port});
}

LoopbackClient::~LoopbackClient() = default;

HttpReply LoopbackClient::send(const std::string& method, const std::string& target,
                               const std::string& body,
                               const std::map<std::string, std::string>& headers) {
    http::request<http::string_body> request{http::string_to_verb(method), target, 11};
    request.set(http::field::host, "127.0.0.1");
    for (const auto& [name, value] : headers)
        request.set(name, value);
    request.body() = body;
    request.prepare_payload();
    HttpReply reply;
    boost::system::error_code ec;
    http::write(m_impl->socket, request, ec);
    if (ec)
        return reply;
    http::response_parser<http::string_body> parser;
    parser.body_limit(std::uint64_t{1} << 32);
    parser.skip(method == "HEAD");
    http::read(m_impl->socket, m_impl->buffer, parser, ec);
    if (ec)
        return reply;
    reply.answered = true;
    reply.status = parser.get().result_int();
    for (const auto& field : parser.get())
        reply.headers[std::string(field.name_string())] = std::string(field.value());
    reply.body = parser.get().body();
    return reply;
}

void LoopbackClient::sendRaw(const std::string& bytes) {
    net::write(m_impl->socket, net::buffer(bytes));
}

std::string LoopbackClient::readUntil(const std::string& marker) {
    std::string received;
    boost::system::error_code ec;
    net::read_until(m_impl->socket, net::dynamic_buffer(received), marker, ec);
    return received;
}

} // namespace nvmaild::test
