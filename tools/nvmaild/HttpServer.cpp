#include "tools/nvmaild/HttpServer.h"

#include <sys/socket.h>

#include <chrono>
#include <csignal>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>

#include "tools/nvmaild/HttpConnection.h"
#include "tools/nvmaild/StopSignal.h"

namespace nvmaild {

namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

// A thread per connection; past this many, new connections are closed at once rather than
// letting one client exhaust the process.
constexpr size_t kMaxConnections = 512;

} // namespace

struct HttpServer::Impl {
    struct Connection {
        std::thread thread;
        int handle = -1; // the socket while it is open; guarded by `mutex`
    };

    explicit Impl(Router& router) : router(router), acceptor(context) {}

    void accept() {
        acceptor.async_accept([this](boost::system::error_code ec, tcp::socket socket) {
            if (ec == net::error::operation_aborted || stopSignal.stopped())
                return;
            if (!ec)
                startConnection(std::move(socket));
            else // out of descriptors, say: give connections a moment to end instead of spinning
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            accept();
        });
    }

    // Runs on the accepting thread only.
    void startConnection(tcp::socket socket) {
        std::lock_guard<std::mutex> lock(mutex);
        joinFinishedLocked();
        if (connections.size() >= kMaxConnections)
            return;
        const std::uint64_t id = ++lastId;
        const int handle = socket.native_handle();
        try {
            std::thread thread([this, id, socket = std::move(socket)]() mutable {
                serveAndForget(id, std::move(socket));
            });
            connections[id] = Connection{std::move(thread), handle};
        } catch (const std::system_error&) {
            // No thread to be had: the socket went with the lambda and is closed already.
        }
    }

    void serveAndForget(std::uint64_t id, tcp::socket socket) {
        {
            HttpConnection served(std::move(socket), router, stopSignal);
            served.serve();
            // Forget the descriptor before it closes, so that a stop never shuts down a number
            // the system has handed to someone else.
            std::lock_guard<std::mutex> lock(mutex);
            const auto found = connections.find(id);
            if (found != connections.end())
                found->second.handle = -1;
        }
        std::lock_guard<std::mutex> lock(mutex);
        finished.push_back(id);
    }

    void joinFinishedLocked() {
        for (const std::uint64_t id : finished) {
            connections[id].thread.join();
            connections.erase(id);
        }
        finished.clear();
    }

    // Runs on the accepting thread, or on the destroying thread once `run` has returned.
    void stopNow() {
        stopSignal.trigger();
        boost::system::error_code ignored;
        acceptor.close(ignored);
        if (signals)
            signals->cancel(ignored);
        std::lock_guard<std::mutex> lock(mutex);
        // Wakes every connection blocked in a read; each then ends on its own.
        for (const auto& [id, connection] : connections)
            if (connection.handle >= 0)
                ::shutdown(connection.handle, SHUT_RDWR);
    }

    void joinAll() {
        std::map<std::uint64_t, Connection> ending;
        {
            std::lock_guard<std::mutex> lock(mutex);
            ending.swap(connections);
            finished.clear();
        }
        for (auto& [id, connection] : ending)
            if (connection.thread.joinable())
                connection.thread.join();
    }

    Router& router;
    net::io_context context{1};
    tcp::acceptor acceptor;
    std::optional<net::signal_set> signals;
    StopSignal stopSignal;

    std::mutex mutex;
    std::uint64_t lastId = 0;                        // guarded by mutex
    std::map<std::uint64_t, Connection> connections; // guarded by mutex
    std::vector<std::uint64_t> finished;             // guarded by mutex
};

HttpServer::HttpServer(Router& router) : m_impl(std::make_unique<Impl>(router)) {}

HttpServer::~HttpServer() {
    m_impl->stopNow();
    m_impl->joinAll();
}

unsigned short HttpServer::listen(const std::string& address, unsigned short port) {
    const tcp::endpoint endpoint(net::ip::make_address(address), port);
    tcp::acceptor& acceptor = m_impl->acceptor;
    acceptor.open(endpoint.protocol());
    acceptor.set_option(net::socket_base::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen(net::socket_base::max_listen_connections);
    return acceptor.local_endpoint().port();
}

void HttpServer::stopOnSignals() {
    m_impl->signals.emplace(m_impl->context, SIGINT, SIGTERM);
    m_impl->signals->async_wait([impl = m_impl.get()](boost::system::error_code ec, int) {
        if (!ec)
            impl->stopNow();
    });
}

void HttpServer::run() {
    m_impl->accept();
    m_impl->context.run();
    m_impl->joinAll();
}

void HttpServer::stop() {
    net::post(m_impl->context, [impl = m_impl.get()] { impl->stopNow(); });
}

} // namespace nvmaild
