#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kavro {

class Clock;

// Where a CDDB server listens.
struct CddbEndpoint {
    std::string host;
    int port = 80;
};

// The host setting: a host name or address, optionally followed by ":port" ("[::1]:8080" for an
// IPv6 address with a port). Port 80 when none is given; blanks around are ignored.
CddbEndpoint ParseCddbHost(std::string_view setting);

// How one exchange ended.
enum class CddbNetError {
    None,       // a reply arrived (complete, or cut off by the time-out after some of it)
    NoHost,     // the host setting is empty
    Unresolved, // the host name is not known
    Refused,    // no connection could be made (refused, unreachable, or the sending failed)
    TimedOut,   // nothing arrived in time
    NoReply,    // the server closed the connection without a byte
};

struct CddbExchangeResult {
    std::string reply;
    CddbNetError error = CddbNetError::None;

    explicit operator bool() const { return error == CddbNetError::None; }
};

// One request over one TCP connection: connects, sends header then body, reads until the server
// closes. The whole exchange gets timeoutMs; it waits in 500 ms steps of the clock and lets
// pending events run after each, checking the socket without blocking in between. The reply is
// what arrived, also when the time ran out after some of it.
CddbExchangeResult CddbExchange(const CddbEndpoint& server, std::string_view header, std::string_view body,
                                Clock& clock, int timeoutMs = 10'000);

} // namespace kavro
