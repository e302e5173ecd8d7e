#pragma once
// The preview's web server: the page (served from the binary), the effect's
// state and its frames, on the loopback address only. Requests whose Host or
// Origin names anything but the loopback address are refused, so that a web
// page elsewhere cannot reach the server through a name that resolves to
// 127.0.0.1. Frames, which cost a render, are rendered only for requests
// that carry the token the page reads from /state (a page of another site
// cannot read it), and no request that a browser marks as coming from
// another site is answered but the page itself. Files are read only from the
// effect folder, the input and the layer inputs named on the command line.
// A frame comes as a PNG, with what the page shows beside it in a header;
// the input's picture ("before") comes on its own, once per input frame.

#include <map>
#include <vector>
#include <memory>
#include <string>

#include "FrameSource.h"
#include "FrameWorker.h"
#include "PreviewEffect.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class PreviewServer {
public:
    // A layer input named on the command line: offered for every layer
    // parameter, and chosen at first for the one named.
    struct LayerClip {
        std::string parameter;
        std::string path;
    };

    // `input` is an image file, a sequence or a video, or empty for the test
    // pattern; `span` its frames.
    PreviewServer(PreviewEffect& effect, std::string input, FrameSpan span,
                  std::vector<LayerClip> clips);
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
    std::string stateJson() const;
    // The worker's request for the page's query, or an error message.
    bool frameRequest(const std::multimap<std::string, std::string>& query, WorkerRequest& request,
                      std::string& error) const;
    void answerFrame(const httplib::Request& request, httplib::Response& response,
                     const std::string& kind);

    PreviewEffect& effect_;
    std::string input_;
    FrameSpan span_;
    std::vector<LayerClip> clips_;
    std::string token_;
    int port_ = 0;
    FrameWorker worker_;
    std::unique_ptr<httplib::Server> server_;
};
