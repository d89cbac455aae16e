// Serves a router over HTTP/1.1: one acceptor, one thread per connection with synchronous Beast
// I/O and keep-alive, and a clean stop that closes every connection and joins its thread.
// Thread contract: `listen`, `stopOnSignals` and `run` on one thread; `stop` from any thread.
#pragma once

#include <memory>
#include <string>

namespace nvmaild {

class Router;

class HttpServer {
public:
    // `router` must outlive the server.
    explicit HttpServer(Router& router);
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;
    // Stops and joins every connection thread. REQUIRES: `run` is not running.
    ~HttpServer();

    // Binds and listens; port 0 picks a free port. Returns the bound port.
    // Throws boost::system::system_error when the address cannot be bound.
    unsigned short listen(const std::string& address, unsigned short port);

    // Makes SIGTERM and SIGINT stop the server. REQUIRES: before `run`.
    void stopOnSignals();

    // Accepts and serves until stopped; returns once every connection thread has ended.
    void run();

    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace nvmaild
