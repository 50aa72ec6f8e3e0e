#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kavro::test {

// A CDDB server on 127.0.0.1 at a free port, in its own thread. Each connection gets the next
// scripted reply once the test lets it go (answerNext), then the server closes it; with no reply
// left it is held open and nothing is sent. Every request is recorded byte for byte.
class CddbTestServer {
public:
    CddbTestServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 8);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }

    ~CddbTestServer()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
        for (const int fd : m_held)
            ::close(fd);
        ::close(m_listener);
    }

    CddbTestServer(const CddbTestServer&) = delete;
    CddbTestServer& operator=(const CddbTestServer&) = delete;

    int port() const { return m_port; }
    std::string hostSetting() const { return "127.0.0.1:" + std::to_string(m_port); }

    void addReply(std::string reply)
    {
        std::lock_guard lock(m_mutex);
        m_replies.push_back(std::move(reply));
    }

    // An HTTP reply carrying a CDDB answer.
    static std::string ok(const std::string& body)
    {
        return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body;
    }

    std::vector<std::string> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    int connections() const { return m_connections; }

    // From now on every reply goes out as soon as its request has been read, without waiting for
    // answerNext: for clients that wait through Qt's event loop, whose requests leave at a moment
    // the test does not see.
    void answerAtOnce() { m_atOnce = true; }

    // Lets the server send the reply it holds for the waiting request, and blocks until it has been
    // sent (at most a few seconds, so that a broken test fails instead of hanging). Given to the
    // clock's event hook: a reply never arrives before the client has waited one step, and after
    // that step it is there without any real time having to pass.
    void answerNext()
    {
        std::unique_lock lock(m_mutex);
        ++m_permits;
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::seconds(5), [this] { return m_answered > m_seen || m_stop; });
        m_seen = m_answered;
        if (m_permits > 0)
            --m_permits; // granted while no request was waiting: take it back
    }

private:
    void serve()
    {
        while (!m_stop) {
            pollfd entry{m_listener, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0)
                continue;
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            ++m_connections;
            std::string request = readRequest(client);
            // A client that gave up before its request was read (a time-out the test has moved
            // past) must not take the reply meant for the next request.
            if (peerClosed(client)) {
                ::close(client);
                continue;
            }
            std::string reply;
            bool answer = false;
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(request);
                if (!m_replies.empty()) {
                    reply = std::move(m_replies.front());
                    m_replies.pop_front();
                    answer = true;
                }
            }
            if (!answer) {
                m_held.push_back(client);
                continue;
            }
            if (!m_atOnce) {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_permits > 0 || m_stop; });
                if (m_permits > 0)
                    --m_permits;
            }
            ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
            ::close(client);
            {
                std::lock_guard lock(m_mutex);
                ++m_answered;
            }
            m_changed.notify_all();
        }
    }

    // Whether the client has closed its end: readable, and nothing left to read.
    static bool peerClosed(int client)
    {
        pollfd entry{client, POLLIN, 0};
        if (::poll(&entry, 1, 0) <= 0)
            return false;
        char byte;
        return ::recv(client, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0 || (entry.revents & (POLLHUP | POLLERR)) != 0;
    }

    // Header to its empty line, then Content-Length bytes.
    std::string readRequest(int client)
    {
        std::string request;
        std::size_t wanted = std::string::npos;
        char buffer[4096];
        while (!m_stop && (wanted == std::string::npos || request.size() < wanted)) {
            pollfd entry{client, POLLIN, 0};
            if (::poll(&entry, 1, 20) <= 0)
                continue;
            const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<std::size_t>(got));
            const std::size_t end = request.find("\r\n\r\n");
            if (wanted == std::string::npos && end != std::string::npos) {
                const std::size_t field = request.find("Content-Length: ");
                const std::size_t body =
                    field == std::string::npos ? 0 : std::stoul(request.substr(field + 16));
                wanted = end + 4 + body;
            }
        }
        return request;
    }

    int m_listener = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_atOnce{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::string> m_replies;
    std::vector<std::string> m_requests;
    std::vector<int> m_held;
    int m_permits = 0;
    int m_answered = 0;
    int m_seen = 0;
};

} // namespace kavro::test
