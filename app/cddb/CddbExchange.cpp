#include "cddb/CddbExchange.h"

#include "platform/Clock.h"
#include "platform/Text.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <utility>

namespace kavro {

namespace {

constexpr int StepMs = 500;
// A CDDB entry is a few kilobytes; a server that keeps sending is cut off here.
constexpr std::size_t ReplyLimit = 1 << 20;

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

struct AddrInfoDeleter {
    void operator()(addrinfo* info) const { ::freeaddrinfo(info); }
};

// Until the socket is ready for events or the deadline passes: a check that does not block, then
// a clock step with pending events run, and again.
bool waitFor(int fd, short events, Clock& clock, std::int64_t deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, 0);
        if (ready > 0)
            return true; // errors and hang-ups show up in the call that follows
        if (ready < 0 && errno != EINTR)
            return false;
        if (clock.nowMs() >= deadline)
            return false;
        clock.sleep(StepMs);
        clock.processEvents();
    }
}

bool connectTo(const addrinfo& address, Socket& socket, Clock& clock, std::int64_t deadline)
{
    if (::connect(socket.get(), address.ai_addr, address.ai_addrlen) == 0)
        return true;
    if (errno != EINPROGRESS && errno != EINTR)
        return false;
    if (!waitFor(socket.get(), POLLOUT, clock, deadline))
        return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

bool sendAll(int fd, std::string_view data, Clock& clock, std::int64_t deadline)
{
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, clock, deadline))
                return false;
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

CddbEndpoint ParseCddbHost(std::string_view setting)
{
    const std::string trimmed = text::trimBlanks(setting);
    std::string_view s = trimmed;
    CddbEndpoint endpoint;
    std::string_view portText;
    if (s.starts_with("[")) {
        const std::size_t close = s.find(']');
        if (close == std::string_view::npos) {
            endpoint.host = std::string(s);
            return endpoint;
        }
        endpoint.host = std::string(s.substr(1, close - 1));
        if (close + 1 < s.size() && s[close + 1] == ':')
            portText = s.substr(close + 2);
    } else {
        const std::size_t colon = s.find(':');
        // More than one colon: an IPv6 address without a port.
        if (colon != std::string_view::npos && s.find(':', colon + 1) == std::string_view::npos) {
            endpoint.host = std::string(s.substr(0, colon));
            portText = s.substr(colon + 1);
        } else {
            endpoint.host = std::string(s);
        }
    }
    int port = 0;
    // Five digits at most, so a long run of digits never overflows the number.
    bool digits = !portText.empty() && portText.size() <= 5;
    for (std::size_t i = 0; digits && i < portText.size(); ++i) {
        const char c = portText[i];
        if (c < '0' || c > '9')
            digits = false;
        else
            port = port * 10 + (c - '0');
    }
    if (digits && port > 0 && port <= 65535)
        endpoint.port = port;
    return endpoint;
}

CddbExchangeResult CddbExchange(const CddbEndpoint& server, std::string_view header, std::string_view body,
                                Clock& clock, int timeoutMs)
{
    const auto failed = [](CddbNetError error) { return CddbExchangeResult{{}, error}; };
    if (server.host.empty())
        return failed(CddbNetError::NoHost);
    const std::int64_t deadline = clock.nowMs() + timeoutMs;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(server.host.c_str(), std::to_string(server.port).c_str(), &hints, &found) != 0)
        return failed(CddbNetError::Unresolved);
    const std::unique_ptr<addrinfo, AddrInfoDeleter> addresses(found);

    for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
        Socket socket(::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                               address->ai_protocol));
        if (socket.get() < 0)
            continue;
        if (!connectTo(*address, socket, clock, deadline)) {
            if (clock.nowMs() >= deadline)
                return failed(CddbNetError::TimedOut);
            continue;
        }
        // The header and the body go as two sends, as servers of this protocol have always seen.
        if (!sendAll(socket.get(), header, clock, deadline) || !sendAll(socket.get(), body, clock, deadline))
            return failed(clock.nowMs() >= deadline ? CddbNetError::TimedOut : CddbNetError::Refused);

        std::string reply;
        char buffer[4096];
        bool timedOut = false;
        for (;;) {
            const ssize_t got = ::recv(socket.get(), buffer, sizeof buffer, 0);
            if (got > 0) {
                reply.append(buffer, static_cast<std::size_t>(got));
                if (reply.size() >= ReplyLimit)
                    break;
            } else if (got == 0) {
                break; // the server closed: the whole reply is here
            } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (!waitFor(socket.get(), POLLIN, clock, deadline)) {
                    timedOut = clock.nowMs() >= deadline;
                    break;
                }
            } else if (errno != EINTR) {
                break;
            }
        }
        if (reply.empty())
            return failed(timedOut ? CddbNetError::TimedOut : CddbNetError::NoReply);
        return {std::move(reply), CddbNetError::None};
    }
    return failed(CddbNetError::Refused);
}

} // namespace kavro
