#pragma once
// The HTTP library's server with bounds for a local preview that any process
// or web page on the machine can reach: one request per connection, which
// must arrive whole within a few seconds and 64 KiB (the page's requests are
// a few hundred bytes of query and headers, and it sends no body), and enough
// workers that slow connections, each cut at that deadline, leave the page
// served. The port is its own: a second server on a taken port fails to bind
// rather than sharing its requests.

#include <httplib.h>

#include <chrono>

class BoundedServer : public httplib::Server {
public:
    static constexpr std::size_t kRequestBytes = 64 * 1024;
    static constexpr std::chrono::seconds kRequestTime{5};
    static constexpr std::chrono::seconds kWriteTime{10};
    static constexpr std::size_t kWorkers = 32;

    BoundedServer();

private:
    bool process_and_close_socket(int socket) override;
};
