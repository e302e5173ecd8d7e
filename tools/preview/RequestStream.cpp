#include "RequestStream.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace {

void describe(const sockaddr_storage& address, socklen_t length, std::string& ip, int& port) {
    char host[NI_MAXHOST] = "", service[NI_MAXSERV] = "";
    if (::getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host,
                      service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
        ip = host;
        port = std::atoi(service);
    }
}

}  // namespace

RequestStream::RequestStream(int socket, Clock::duration readTime, std::size_t readBytes,
                             Clock::duration writeTime)
    : socket_(socket),
      readDeadline_(Clock::now() + readTime),
      readLeft_(readBytes),
      writeTime_(writeTime) {}

bool RequestStream::wait(short events, Clock::time_point until) const {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd watched{socket_, events, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::min<long long>(left, 1000)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

bool RequestStream::is_readable() const {
    return readLeft_ > 0 && wait(POLLIN, readDeadline_);
}

bool RequestStream::is_writable() const {
    return wait(POLLOUT, Clock::now() + writeTime_);
}

ssize_t RequestStream::read(char* pointer, std::size_t size) {
    if (!is_readable())
        return -1;
    const ssize_t got = ::recv(socket_, pointer, std::min(size, readLeft_), 0);
    if (got > 0)
        readLeft_ -= static_cast<std::size_t>(got);
    return got;
}

ssize_t RequestStream::write(const char* pointer, std::size_t size) {
    if (!is_writable())
        return -1;
    return ::send(socket_, pointer, size, MSG_NOSIGNAL);
}

void RequestStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        describe(address, length, ip, port);
}

void RequestStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        describe(address, length, ip, port);
}
