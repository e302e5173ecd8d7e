#pragma once
// One connection of the preview's server as the HTTP library reads and writes
// it, held to bounds that a slow or flooding client cannot stretch: the whole
// request (line, headers and body) must arrive within a deadline and a number
// of bytes, and every write must find room within a time. Past a bound a read
// or write fails, and the library answers 400 or drops the connection.

#include <httplib.h>

#include <chrono>
#include <cstddef>

class RequestStream : public httplib::Stream {
public:
    using Clock = std::chrono::steady_clock;

    RequestStream(int socket, Clock::duration readTime, std::size_t readBytes,
                  Clock::duration writeTime);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* pointer, std::size_t size) override;
    ssize_t write(const char* pointer, std::size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    int socket() const override { return socket_; }

private:
    // Waits for `events` until `until`; true when they came.
    bool wait(short events, Clock::time_point until) const;

    int socket_;
    Clock::time_point readDeadline_;
    std::size_t readLeft_;
    Clock::duration writeTime_;
};
