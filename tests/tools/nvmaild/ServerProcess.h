// Runs the nvmaild executable for the loopback tests: starts it with arguments, reads the port
// from its first line, and stops it with SIGTERM. Also a minimal keep-alive HTTP client.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace nvmaild::test {

class ServerProcess {
public:
    // Throws std::runtime_error when the server does not start or prints no listening line.
    explicit ServerProcess(const std::vector<std::string>& arguments);
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    // Terminates a server still running.
    ~ServerProcess();

    unsigned short port() const { return m_port; }
    const std::string& listeningLine() const { return m_line; }

    // Sends SIGTERM and waits for the exit. Returns the exit status, or -1 when the server died
    // of a signal, had not ended after a generous wait (it is killed then) or was stopped before.
    int terminate();

private:
    pid_t m_pid = -1;
    unsigned short m_port = 0;
    std::string m_line;
};

struct HttpReply {
    bool answered = false; // false: the connection closed before a whole answer came
    unsigned status = 0;
    std::map<std::string, std::string> headers;
    std::string body;
};

// One keep-alive connection to 127.0.0.1.
class LoopbackClient {
public:
    explicit LoopbackClient(unsigned short port);
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;
    ~LoopbackClient();

    HttpReply send(const std::string& method, const std::string& target,
                   const std::string& body = std::string(),
                   const std::map<std::string, std::string>& headers = {});

    // Raw bytes, for requests a well-behaved client would not send.
    void sendRaw(const std::string& bytes);
    // Reads until `marker` arrived or the server closed; what arrived.
    std::string readUntil(const std::string& marker);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nvmaild::test
