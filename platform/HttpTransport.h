#pragma once

#include <chrono>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// One HTTP/1.1 GET and its answer, with nothing done on the client's behalf: no redirect
// is followed, no cookie kept, no credentials sent, no proxy credentials asked for. The
// caller gives every header line after "Host" and reads the answer line by line.
struct THttpExchange {
    std::string Url;
    std::vector<std::string> Headers;  // whole lines without the line end, sent in this order
    std::chrono::milliseconds ConnectLimit{0};  // to establish the connection
    std::chrono::milliseconds StallLimit{0};    // without receiving anything once connected
    std::chrono::milliseconds TotalLimit{0};    // for this exchange as a whole
    // The status line of each answer received (interim ones too), then its header lines,
    // without their line ends. Returning false ends the exchange as Stopped.
    std::function<bool(std::string_view)> OnHeaderLine;
    // The answer's body piece by piece. Returning false ends the exchange as Stopped.
    std::function<bool(std::string_view)> OnBody;
};

struct THttpResult {
    enum class TEnd { Done, Stopped, Stalled, TimedOut, Failed };
    TEnd End = TEnd::Failed;
    bool Connected = false;  // a connection to the server was established
    std::string Error;       // the reason of a Failed exchange
    // Where a redirecting answer points: its Location resolved against the request's
    // address; "" when the answer has none.
    std::string Location;
};

// The system's HTTP service: libcurl on POSIX systems, WinHTTP on Windows. One object
// keeps its connections (and the system's session) for its life.
class THttpTransport {
public:
    THttpTransport();
    ~THttpTransport();
    THttpTransport(const THttpTransport&) = delete;
    THttpTransport& operator=(const THttpTransport&) = delete;

    THttpResult Get(const THttpExchange& AExchange);

private:
    struct TState;
    std::unique_ptr<TState> FState;
};

// "host:port" of an http or https address, the host in lower case and the port filled
// in from the scheme; "" when the address does not parse.
std::string HttpOrigin(const std::string& AUrl);

// The address without the user name and password it may carry; an address without them,
// or one that does not parse, comes back as is.
std::string HttpWithoutCredentials(const std::string& AUrl);

// The time an HTTP date names ("Thu, 01 Jan 1970 00:00:01 GMT", as a cookie's Expires
// gives it); -1 when the text is no date.
std::time_t HttpDate(const std::string& AText);

}  // namespace platform
