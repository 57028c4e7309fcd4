#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// A scripted HTTP server for tests: one thread, one listening socket on 127.0.0.1 with
// an ephemeral port. Every complete request (on any connection) takes the next reply
// of the script, in arrival order; the raw request bytes are kept. A request that finds
// the script empty gets its connection closed without an answer. The server stops when
// destroyed, when Stop() is called, or by itself after its lifetime.
class LoopbackHttpServer {
public:
    using Millis = std::chrono::milliseconds;

    // Bytes sent after a pause counted from the previous piece (or from the request).
    struct Piece {
        Millis Delay{0};
        std::string Bytes;
    };

    struct Reply {
        std::vector<Piece> Pieces;
        bool CloseAfter = false;  // close the connection once everything is sent
        bool Hang = false;        // send nothing; keep the connection open

        static Reply Raw(std::string bytes, bool closeAfter = false);
        // A well-formed answer with Content-Length; `headers` are whole lines with CR LF.
        static Reply Http(const std::string& statusLine, const std::string& body,
                          const std::string& headers = "");
        // The head at once, then the body one byte per `interval`.
        static Reply Drip(const std::string& statusLine, const std::string& body, Millis interval);
        static Reply Silent();
    };

    struct Request {
        std::string Raw;
        std::size_t Connection = 0;  // 0-based index of the accepted connection
    };

    explicit LoopbackHttpServer(std::vector<Reply> script = {}, Millis lifetime = Millis(60000));
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    unsigned short Port() const { return FPort; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string Url(const std::string& path) const;

    void Enqueue(Reply reply);
    std::vector<Request> Requests() const;
    std::size_t ConnectionCount() const;
    void Stop();

private:
    struct Connection;

    void Run(Millis lifetime);
    void TakeRequests(Connection& connection);

    // Sockets as integers, -1 for none, on POSIX systems and Windows alike. The wake socket
    // is a datagram socket that Stop() sends a byte to.
    std::intptr_t FListener = -1;
    std::intptr_t FWake = -1;
    unsigned short FPort = 0;
    unsigned short FWakePort = 0;
    mutable std::mutex FMutex;
    std::deque<Reply> FScript;
    std::vector<Request> FRequests;
    std::size_t FConnections = 0;
    std::thread FThread;
};

}  // namespace testsupport
