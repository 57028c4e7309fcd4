#include "tests/unit/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

void SetNonBlocking(int fd) { ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK); }

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

    int Fd = -1;
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
    FListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int pipeFds[2] = {-1, -1};
    if (FListener < 0 || ::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(FListener, 16) != 0 ||
        ::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(pipeFds, O_CLOEXEC) != 0) {
        const std::string reason = std::strerror(errno);
        if (FListener >= 0) ::close(FListener);
        throw std::runtime_error("loopback server: " + reason);
    }
    SetNonBlocking(FListener);
    FPort = ntohs(address.sin_port);
    FWakeRead = pipeFds[0];
    FWakeWrite = pipeFds[1];
    FThread = std::thread([this, lifetime] { Run(lifetime); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    Stop();
    ::close(FWakeRead);
    ::close(FWakeWrite);
    ::close(FListener);
}

void LoopbackHttpServer::Stop() {
    if (!FThread.joinable()) return;
    const char wake = 1;
    [[maybe_unused]] const auto written = ::write(FWakeWrite, &wake, 1);
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
        fds = {{FWakeRead, POLLIN, 0}, {FListener, POLLIN, 0}};
        for (const auto& connection : connections) {
            const short events = static_cast<short>(POLLIN | (connection->Output.empty() ? 0 : POLLOUT));
            fds.push_back({connection->Fd, events, 0});
            if (!connection->Pending.empty()) wakeAt = std::min(wakeAt, connection->Pending.front().Due);
        }
        const auto wait = std::chrono::ceil<Millis>(std::max(wakeAt - now, Clock::duration::zero()));
        if (::poll(fds.data(), fds.size(), static_cast<int>(wait.count())) < 0 && errno != EINTR) break;
        if (fds[0].revents) break;

        if (fds[1].revents & POLLIN) {
            const int fd = ::accept4(FListener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0) {
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
                const ssize_t got = ::recv(connection.Fd, buffer, sizeof buffer, 0);
                if (got > 0) {
                    connection.Input.append(buffer, static_cast<std::size_t>(got));
                    if (connection.Input.size() > kMaxRequestBytes) connection.Dead = true;
                    if (!connection.Hang) TakeRequests(connection);
                } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
                    connection.Dead = true;
                }
            }
            const auto current = Clock::now();
            while (!connection.Pending.empty() && connection.Pending.front().Due <= current) {
                connection.Output += connection.Pending.front().Bytes;
                connection.Pending.pop_front();
            }
            if (!connection.Output.empty() && !connection.Dead) {
                const ssize_t sent = ::send(connection.Fd, connection.Output.data(),
                                            connection.Output.size(), MSG_NOSIGNAL);
                if (sent > 0) connection.Output.erase(0, static_cast<std::size_t>(sent));
                else if (sent < 0 && errno != EAGAIN && errno != EINTR) connection.Dead = true;
            }
            if (connection.CloseWhenFlushed && connection.Output.empty() && connection.Pending.empty())
                connection.Dead = true;
        }
        std::erase_if(connections, [](const auto& connection) {
            if (connection->Dead) ::close(connection->Fd);
            return connection->Dead;
        });
    }
    for (const auto& connection : connections) ::close(connection->Fd);
}

}  // namespace testsupport
