#pragma once
// The preview's web server: the page (served from the binary), the effect's
// state and its frames, on the loopback address only. Requests whose Host or
// Origin names anything but the loopback address are refused, so that a web
// page elsewhere cannot reach the server through a name that resolves to
// 127.0.0.1. Frames, which cost a render, are rendered only for requests
// that carry the token the page reads from /state (a page of another site
// cannot read it), and no request that a browser marks as coming from
// another site is answered but the page itself. Files are read only from the
// effect folder and the input.

#include <map>
#include <memory>
#include <string>

#include "FrameWorker.h"
#include "PreviewEffect.h"

namespace httplib {
class Server;
}

class PreviewServer {
public:
    // `input` is an image file, or empty for the test pattern.
    PreviewServer(PreviewEffect& effect, std::string input);
    ~PreviewServer();

    // Binds 127.0.0.1:`port` (0: any free port); returns the port, or -1,
    // also when another server holds the port.
    int bind(int port);
    // Serves until stop() (from another thread or a signal handler's thread).
    void serve();
    // Whether serve() has begun listening and not yet stopped.
    bool listening() const;
    void stop();

private:
    void routes();
    std::string frameJson(const std::multimap<std::string, std::string>& query, int* status);

    PreviewEffect& effect_;
    std::string input_;
    std::string temporary_;
    std::string token_;
    int port_ = 0;
    FrameWorker worker_;
    std::unique_ptr<httplib::Server> server_;
};
