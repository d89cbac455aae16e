// Serves the requests of one client connection in turn (keep-alive) with synchronous Beast I/O,
// and plays the faults the router gave each request: dropping the connection, waiting, sending
// a download slowly.
// Thread contract: one connection thread owns the object; the router and the stop signal are
// shared with other connections.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>

namespace nvmaild {

class Router;
class StopSignal;
struct FaultPlan;
struct FileRange;
struct Response;

class HttpConnection {
public:
    // `router` and `stop` must outlive the connection.
    HttpConnection(boost::asio::ip::tcp::socket socket, Router& router, StopSignal& stop);
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // Serves until the client closes, an error, a fault that drops the connection, or a stop.
    void serve();

private:
    // Returns false when the connection is to be closed.
    bool serveOne();
    bool write(const Response& response, unsigned version, bool keepAlive, bool headOnly,
               const FaultPlan& faults);
    bool sendFile(const FileRange& range, const FaultPlan& faults);

    boost::asio::ip::tcp::socket m_socket;
    boost::beast::flat_buffer m_buffer;
    Router& m_router;
    StopSignal& m_stop;
};

} // namespace nvmaild
