#include "BoundedServer.h"

#include <sys/socket.h>
#include <unistd.h>

#include "RequestStream.h"

BoundedServer::BoundedServer() {
    set_payload_max_length(kRequestBytes);
    new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
    // The library's default also sets SO_REUSEPORT, with which a second
    // server binds the same port and takes a share of its connections.
    set_socket_options([](int socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

bool BoundedServer::process_and_close_socket(int socket) {
    bool processed = false;
    {
        RequestStream stream(socket, kRequestTime, kRequestBytes, kWriteTime);
        bool closed = false;
        processed = process_request(stream, true, closed, nullptr);
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return processed;
}
