#include "tests/unit/LoopbackHttpServer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

// Requests larger than this are refused by closing the connection.
constexpr std::size_t kMaxRequestBytes = 1 << 20;

// The few socket calls that differ between POSIX systems and Windows.
#ifdef _WIN32
using TSocket = SOCKET;
using TLength = int;
constexpr int kNoSignal = 0;
void SetNonBlocking(TSocket fd) {
    u_long on = 1;
    ::ioctlsocket(fd, FIONBIO, &on);
}
void CloseSocket(std::intptr_t fd) { ::closesocket(static_cast<TSocket>(fd)); }
int PollSockets(pollfd* fds, std::size_t count, int timeout) {
    return ::WSAPoll(fds, static_cast<ULONG>(count), timeout);
}
bool WouldBlock() {
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
}
std::string LastSocketError() { return "socket error " + std::to_string(::WSAGetLastError()); }
// Winsock is started once, for the life of the test program.
void StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("loopback server: Winsock could not be started");
}
#else
using TSocket = int;
using TLength = socklen_t;
constexpr int kNoSignal = MSG_NOSIGNAL;
void SetNonBlocking(TSocket fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}
void CloseSocket(std::intptr_t fd) { ::close(static_cast<TSocket>(fd)); }
int PollSockets(pollfd* fds, std::size_t count, int timeout) { return ::poll(fds, count, timeout); }
bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
std::string LastSocketError() { return std::strerror(errno); }
void StartSockets() {}
#endif

TSocket AsSocket(std::intptr_t fd) { return static_cast<TSocket>(fd); }

// A socket of `type` bound to 127.0.0.1 on an ephemeral port; -1 when that fails.
std::intptr_t LoopbackSocket(int type, unsigned short& port) {
    const TSocket fd = ::socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    TLength length = sizeof address;
    const auto value = static_cast<std::intptr_t>(fd);
    if (value == -1) return -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (type == SOCK_STREAM && ::listen(fd, 16) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        CloseSocket(value);
        return -1;
    }
    SetNonBlocking(fd);
    port = ntohs(address.sin_port);
    return value;
}

std::string Lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Length of the first complete request in `input` (head plus Content-Length body), 0 when
// it has not fully arrived yet.
std::size_t CompleteRequestLength(const std::string& input) {
    const auto headEnd = input.find("\r\n\r\n");
    if (headEnd == std::string::npos) return 0;
    const std::size_t headLength = headEnd + 4;
    const std::string head = Lower(std::string_view(input).substr(0, headLength));
    std::size_t bodyLength = 0;
    const auto field = head.find("\r\ncontent-length:");
    if (field != std::string::npos)
        bodyLength = std::strtoull(head.c_str() + field + 17, nullptr, 10);
    return input.size() >= headLength + bodyLength ? headLength + bodyLength : 0;
}

std::string Head(const std::string& statusLine, std::size_t bodyLength, const std::string& headers) {
    return statusLine + "\r\nContent-Length: " + std::to_string(bodyLength) + "\r\n" + headers + "\r\n";
}

}  // namespace

struct LoopbackHttpServer::Connection {
    struct Scheduled {
        Clock::time_point Due;
        std::string Bytes;
    };

    std::intptr_t Fd = -1;
    std::size_t Index = 0;
    std::string Input;
    std::string Output;
    std::deque<Scheduled> Pending;
    bool Hang = false;
    bool CloseWhenFlushed = false;
    bool Dead = false;

    Clock::time_point LastDue() const { return Pending.empty() ? Clock::now() : Pending.back().Due; }
};

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::Raw(std::string bytes, bool closeAfter) {
    Reply reply;
    reply.Pieces.push_back({Millis(0), std::move(bytes)});
    reply.CloseAfter = closeAfter;
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::Http(const std::string& statusLine,
                                                          const std::string& body,
                                                          const std::string& headers) {
    return Raw(Head(statusLine, body.size(), headers) + body);
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::Drip(const std::string& statusLine,
                                                          const std::string& body, Millis interval) {
    Reply reply = Raw(Head(statusLine, body.size(), ""));
    for (char c : body) reply.Pieces.push_back({interval, std::string(1, c)});
    return reply;
}

LoopbackHttpServer::Reply LoopbackHttpServer::Reply::Silent() {
    Reply reply;
    reply.Hang = true;
    return reply;
}

LoopbackHttpServer::LoopbackHttpServer(std::vector<Reply> script, Millis lifetime)
    : FScript(std::make_move_iterator(script.begin()), std::make_move_iterator(script.end())) {
    StartSockets();
    FListener = LoopbackSocket(SOCK_STREAM, FPort);
    FWake = FListener == -1 ? -1 : LoopbackSocket(SOCK_DGRAM, FWakePort);
    if (FWake == -1) {
        const std::string reason = LastSocketError();
        if (FListener != -1) CloseSocket(FListener);
        throw std::runtime_error("loopback server: " + reason);
    }
    FThread = std::thread([this, lifetime] { Run(lifetime); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    Stop();
    CloseSocket(FWake);
    CloseSocket(FListener);
}

void LoopbackHttpServer::Stop() {
    if (!FThread.joinable()) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(FWakePort);
    const char wake = 1;
    ::sendto(AsSocket(FWake), &wake, 1, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
    FThread.join();
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(FPort) + path;
}

void LoopbackHttpServer::Enqueue(Reply reply) {
    std::lock_guard lock(FMutex);
    FScript.push_back(std::move(reply));
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::Requests() const {
    std::lock_guard lock(FMutex);
    return FRequests;
}

std::size_t LoopbackHttpServer::ConnectionCount() const {
    std::lock_guard lock(FMutex);
    return FConnections;
}

// Moves every complete request out of the connection's input and schedules its reply.
void LoopbackHttpServer::TakeRequests(Connection& connection) {
    while (const std::size_t length = CompleteRequestLength(connection.Input)) {
        Reply reply;
        bool scripted = false;
        {
            std::lock_guard lock(FMutex);
            FRequests.push_back({connection.Input.substr(0, length), connection.Index});
            if (!FScript.empty()) {
                reply = std::move(FScript.front());
                FScript.pop_front();
                scripted = true;
            }
        }
        connection.Input.erase(0, length);
        if (!scripted) {
            connection.CloseWhenFlushed = true;
            return;
        }
        if (reply.Hang) {
            connection.Hang = true;
            return;
        }
        auto due = connection.LastDue();
        for (auto& piece : reply.Pieces) {
            due += piece.Delay;
            connection.Pending.push_back({due, std::move(piece.Bytes)});
        }
        if (reply.CloseAfter) {
            connection.CloseWhenFlushed = true;
            return;
        }
    }
}

void LoopbackHttpServer::Run(Millis lifetime) {
    const auto end = Clock::now() + lifetime;
    std::vector<std::unique_ptr<Connection>> connections;
    std::vector<pollfd> fds;
    for (;;) {
        const auto now = Clock::now();
        if (now >= end) break;
        auto wakeAt = end;
        fds = {{AsSocket(FWake), POLLIN, 0}, {AsSocket(FListener), POLLIN, 0}};
        for (const auto& connection : connections) {
            const short events = static_cast<short>(POLLIN | (connection->Output.empty() ? 0 : POLLOUT));
            fds.push_back({AsSocket(connection->Fd), events, 0});
            if (!connection->Pending.empty()) wakeAt = std::min(wakeAt, connection->Pending.front().Due);
        }
        const auto wait = std::chrono::ceil<Millis>(std::max(wakeAt - now, Clock::duration::zero()));
        if (PollSockets(fds.data(), fds.size(), static_cast<int>(wait.count())) < 0 && !WouldBlock()) break;
        if (fds[0].revents) break;

        if (fds[1].revents & POLLIN) {
            const auto fd = static_cast<std::intptr_t>(::accept(AsSocket(FListener), nullptr, nullptr));
            if (fd != -1) {
                SetNonBlocking(AsSocket(fd));
                auto connection = std::make_unique<Connection>();
                connection->Fd = fd;
                std::lock_guard lock(FMutex);
                connection->Index = FConnections++;
                connections.push_back(std::move(connection));
            }
        }

        for (std::size_t i = 0; i + 2 < fds.size(); ++i) {
            Connection& connection = *connections[i];
            const short revents = fds[i + 2].revents;
            if (revents & (POLLIN | POLLHUP | POLLERR)) {
                char buffer[16384];
                const auto got = ::recv(AsSocket(connection.Fd), buffer, sizeof buffer, 0);
                if (got > 0) {
                    connection.Input.append(buffer, static_cast<std::size_t>(got));
                    if (connection.Input.size() > kMaxRequestBytes) connection.Dead = true;
                    if (!connection.Hang) TakeRequests(connection);
                } else if (got == 0 || !WouldBlock()) {
                    connection.Dead = true;
                }
            }
            const auto current = Clock::now();
            while (!connection.Pending.empty() && connection.Pending.front().Due <= current) {
                connection.Output += connection.Pending.front().Bytes;
                connection.Pending.pop_front();
            }
            if (!connection.Output.empty() && !connection.Dead) {
                const auto sent = ::send(AsSocket(connection.Fd), connection.Output.data(),
                                         static_cast<int>(connection.Output.size()), kNoSignal);
                if (sent > 0) connection.Output.erase(0, static_cast<std::size_t>(sent));
                else if (sent < 0 && !WouldBlock()) connection.Dead = true;
            }
            if (connection.CloseWhenFlushed && connection.Output.empty() && connection.Pending.empty())
                connection.Dead = true;
        }
        std::erase_if(connections, [](const auto& connection) {
            if (connection->Dead) CloseSocket(connection->Fd);
            return connection->Dead;
        });
    }
    for (const auto& connection : connections) CloseSocket(connection->Fd);
}

}  // namespace testsupport
