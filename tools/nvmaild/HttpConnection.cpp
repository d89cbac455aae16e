#include "tools/nvmaild/HttpConnection.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <iostream>
#include <limits>
#include <sstream>
#include <vector>

#include <boost/asio/write.hpp>
#include <boost/beast/http.hpp>

#include "tools/nvmaild/Router.h"
#include "tools/nvmaild/StopSignal.h"

namespace nvmaild {

namespace http = boost::beast::http;
namespace net = boost::asio;

namespace {

constexpr std::uint32_t kHeaderLimit = 64 * 1024;
// Beast's largest single read.
constexpr size_t kReadPiece = 64 * 1024;
// Without a "bytes" value a drop fault cuts a body in half.
constexpr std::uint64_t kDropDefaultDivisor = 2;

std::string_view view(boost::beast::string_view text) {
    return std::string_view(text.data(), text.size());
}

} // namespace

HttpConnection::HttpConnection(net::ip::tcp::socket socket, Router& router, StopSignal& stop)
    : m_socket(std::move(socket)), m_router(router), m_stop(stop) {
    boost::system::error_code ignored;
    // Answers go out as a head and a body; without this the body can wait for a delayed ACK.
    m_socket.set_option(net::ip::tcp::no_delay(true), ignored);
    // Beast reads no more than the buffer's free capacity (at least 512 bytes) at a time; an
    // empty buffer would take a 10 MiB block in twenty thousand reads.
    m_buffer.reserve(kReadPiece);
}

void HttpConnection::serve() {
    try {
        while (!m_stop.stopped() && serveOne()) {
        }
    } catch (const std::exception&) {
        // Out of memory or a failed digest: this request is lost, the server goes on. Claims and
        // files are released by their owners on the way out.
    }
    boost::system::error_code ignored;
    m_socket.shutdown(net::ip::tcp::socket::shutdown_both, ignored);
}

bool HttpConnection::serveOne() {
    http::request_parser<http::string_body> parser;
    parser.header_limit(kHeaderLimit);
    // The limit depends on the endpoint, known only once the head is read. (Not boost::none:
    // this Beast compares a length with an empty limit as "over".)
    parser.body_limit(std::numeric_limits<std::uint64_t>::max());
    boost::beast::error_code ec;
    http::read_header(m_socket, m_buffer, parser, ec);
    if (ec == http::error::end_of_stream)
        return false;
    if (ec) {
        // A request the parser rejects gets an answer; a connection that broke does not.
        if (ec.category() == http::make_error_code(http::error::bad_method).category())
            write(Response::text(400, "bad request\n"), 11, false, false, FaultPlan{});
        return false;
    }
    const auto& head = parser.get();
    PendingRequest pending = m_router.begin(view(head.method_string()), view(head.target()));
    const bool headOnly = head.method() == http::verb::head;
    const unsigned version = head.version();
    bool keepAlive = head.keep_alive();

    const auto length = parser.content_length();
    if (length && *length > pending.bodyLimit) {
        write(Router::bodyTooLarge(pending), version, false, headOnly, FaultPlan{});
        return false;
    }
    parser.body_limit(pending.bodyLimit);
    if (!parser.is_done() && boost::beast::iequals(head[http::field::expect], "100-continue")) {
        http::response<http::empty_body> proceed{http::status::continue_, version};
        http::write(m_socket, proceed, ec);
        if (ec)
            return false;
    }
    if (pending.faults.drop && pending.endpoint == Endpoint::UploadBlock) {
        const std::uint64_t cut =
            pending.faults.dropAfterBytes.value_or(length.value_or(0) / kDropDefaultDivisor);
        while (!ec && !parser.is_done() && parser.get().body().size() < cut)
            http::read_some(m_socket, m_buffer, parser, ec);
        return false;
    }
    if (!parser.is_done())
        http::read(m_socket, m_buffer, parser, ec);
    if (ec == http::error::body_limit) {
        write(Router::bodyTooLarge(pending), version, false, headOnly, FaultPlan{});
        return false;
    }
    if (ec)
        return false;

    const Response response = m_router.finish(pending, parser.get().body());
    if (pending.faults.drop && !response.file)
        return false;
    if (pending.faults.delayMs != 0 && !m_stop.waitFor(pending.faults.delayMs))
        return false;
    keepAlive = keepAlive && !m_stop.stopped();
    return write(response, version, keepAlive, headOnly, pending.faults) && keepAlive;
}

bool HttpConnection::write(const Response& response, unsigned version, bool keepAlive,
                           bool headOnly, const FaultPlan& faults) {
    http::response<http::empty_body> head{static_cast<http::status>(response.status), version};
    head.set(http::field::server, "nvmaild");
    head.set(http::field::content_type, response.contentType);
    head.set(http::field::cache_control, "no-store");
    head.content_length(response.file ? response.file->length : response.body.size());
    head.keep_alive(keepAlive);
    std::ostringstream headText;
    headText << head.base();
    const std::string headBytes = headText.str();

    boost::system::error_code ec;
    if (headOnly || response.file) {
        net::write(m_socket, net::buffer(headBytes), ec);
        if (ec || headOnly)
            return !ec;
        return sendFile(*response.file, faults);
    }
    // One write for head and body, so a small answer leaves in one segment.
    const std::array<net::const_buffer, 2> both{net::buffer(headBytes), net::buffer(response.body)};
    net::write(m_socket, both, ec);
    return !ec;
}

bool HttpConnection::sendFile(const FileRange& range, const FaultPlan& faults) {
    const int fd = ::open(range.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const std::uint64_t cut =
        faults.drop ? faults.dropAfterBytes.value_or(range.length / kDropDefaultDivisor)
                    : range.length;
    // Throttled downloads go in small pieces, so that a test sees progress between the waits.
    std::vector<char> piece(faults.throttleMs != 0 ? 64 * 1024 : 1024 * 1024);
    std::uint64_t sent = 0;
    bool ok = true;
    while (ok && sent < range.length) {
        if (sent >= cut) {
            ok = false; // the drop fault: the client sees a body shorter than announced
            break;
        }
        const size_t want = static_cast<size_t>(
            std::min<std::uint64_t>({piece.size(), range.length - sent, cut - sent}));
        const ssize_t got =
            ::pread(fd, piece.data(), want, static_cast<off_t>(range.offset + sent));
        // A file that shrank since its size was taken ends the connection: the client then sees a
        // short body rather than a wrong one.
        if (got <= 0) {
            ok = false;
            break;
        }
        boost::system::error_code ec;
        net::write(m_socket, net::buffer(piece.data(), static_cast<size_t>(got)), ec);
        sent += static_cast<std::uint64_t>(got);
        ok = !ec && (faults.throttleMs == 0 || m_stop.waitFor(faults.throttleMs));
    }
    ::close(fd);
    // What actually went out, cut or not: a soak counts the bytes a client had to ask for again.
    std::cout << "nvmaild: sent " << sent << " bytes of " << range.path << std::endl;
    return ok;
}

} // namespace nvmaild
