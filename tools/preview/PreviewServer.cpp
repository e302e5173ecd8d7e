#include "PreviewServer.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <random>
#include <regex>

#include "BoundedServer.h"
#include "JsonText.h"
#include "PreviewPage.h"

namespace fs = std::filesystem;

namespace {

bool isLoopbackHost(const std::string& host, int port) {
    const std::string suffix = ":" + std::to_string(port);
    return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
}

// No Origin (a plain navigation or a same-origin GET) or our own.
bool isLoopbackRequest(const httplib::Request& request, int port) {
    if (!isLoopbackHost(request.get_header_value("Host"), port))
        return false;
    if (!request.has_header("Origin"))
        return true;
    const std::string origin = request.get_header_value("Origin");
    return origin.rfind("http://", 0) == 0 && isLoopbackHost(origin.substr(7), port);
}

// Browsers name the site a request comes from; a page elsewhere gets
// "cross-site" or "same-site" (another port of 127.0.0.1). Clients that send
// no such header are not browsers acting for another site.
bool isFromOwnPage(const httplib::Request& request) {
    if (!request.has_header("Sec-Fetch-Site"))
        return true;
    const std::string site = request.get_header_value("Sec-Fetch-Site");
    return site == "same-origin" || site == "none";
}

// 128 random bits as hex: the page learns them from /state, which only a
// page of this origin can read.
std::string newToken() {
    std::random_device random;
    std::string token;
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        const unsigned bits = random() & 0xFFFF;
        for (int shift = 12; shift >= 0; shift -= 4) token += digits[(bits >> shift) & 15];
    }
    return token;
}

// JSON in a response header: bytes outside printable ASCII, and '%', as
// %XX, which the page's decodeURIComponent reads back.
std::string headerText(const std::string& json) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : json) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || byte == '%')
            text += {'%', digits[byte >> 4], digits[byte & 15]};
        else
            text += c;
    }
    return text;
}

std::string one(const std::multimap<std::string, std::string>& query, const std::string& key,
                const std::string& fallback) {
    const auto found = query.find(key);
    return found == query.end() ? fallback : found->second;
}

}  // namespace

PreviewServer::PreviewServer(PreviewEffect& effect, std::string input, FrameSpan span,
                             std::vector<LayerClip> clips)
    : effect_(effect),
      input_(std::move(input)),
      span_(span),
      clips_(std::move(clips)),
      token_(newToken()),
      server_(std::make_unique<BoundedServer>()) {
    routes();
}

PreviewServer::~PreviewServer() = default;

int PreviewServer::bind(int port) {
    port_ = port == 0 ? server_->bind_to_any_port("127.0.0.1") : port;
    if (port != 0 && !server_->bind_to_port("127.0.0.1", port))
        return -1;
    return port_;
}

void PreviewServer::serve() {
    server_->listen_after_bind();
}

bool PreviewServer::listening() const {
    return server_->is_running();
}

void PreviewServer::stop() {
    server_->stop();
}

void PreviewServer::routes() {
    server_->set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            const char* refusal = nullptr;
            if (!isLoopbackRequest(request, port_))
                refusal = "refused: the preview answers only to 127.0.0.1 and localhost\n";
            else if (!isFromOwnPage(request) && request.path != "/")
                refusal = "refused: the request comes from a page of another site\n";
            else if ((request.path == "/frame" || request.path == "/before") &&
                     request.get_header_value("X-Preview-Token") != token_)
                refusal = "refused: a frame is rendered only for the preview's own page\n";
            if (!refusal)
                return httplib::Server::HandlerResponse::Unhandled;
            response.status = 403;
            response.set_content(refusal, "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        });
    server_->Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(kPreviewPage, kPreviewPageSize, "text/html; charset=utf-8");
    });
    server_->Get("/state", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(stateJson(), "application/json");
    });
    server_->Get("/frame", [this](const httplib::Request& request, httplib::Response& response) {
        answerFrame(request, response, "frame");
    });
    server_->Get("/before", [this](const httplib::Request& request, httplib::Response& response) {
        answerFrame(request, response, "before");
    });
}

std::string PreviewServer::stateJson() const {
    const PreviewEffect::State state = effect_.state();
    std::vector<std::string> images;
    for (const std::string& name : effect_.images()) images.push_back(jsonQuote(name));
    std::vector<std::string> clips;
    for (std::size_t i = 0; i < clips_.size(); ++i) {
        clips.push_back("{\"key\":" + jsonQuote(":clip" + std::to_string(i)) +
                        ",\"name\":" + jsonQuote(fs::path(clips_[i].path).filename().string()) +
                        ",\"parameter\":" + jsonQuote(clips_[i].parameter) + "}");
    }
    return "{\"generation\":" + std::to_string(state.generation) +
           ",\"checking\":" + (state.checking ? "true" : "false") +
           ",\"problems\":" + jsonQuote(state.problems) + ",\"images\":" + jsonArray(images) +
           ",\"clips\":" + jsonArray(clips) + ",\"token\":" + jsonQuote(token_) +
           ",\"input\":" + jsonQuote(input_.empty() ? "" : fs::path(input_).filename().string()) +
           ",\"span\":{\"rate\":" + jsonNumbers({double(span_.rate.num), double(span_.rate.den)}) +
           ",\"frames\":" + std::to_string(span_.frames) +
           ",\"still\":" + (span_.still ? "true" : "false") + "}}";
}

bool PreviewServer::frameRequest(const std::multimap<std::string, std::string>& query,
                                 WorkerRequest& request, std::string& error) const {
    // Choices from the page's menus; anything else is refused here, so that
    // the worker sees only values it knows.
    static const std::regex frameNumber("[0-9]{1,9}");
    static const std::regex depths("0|8|16|32");
    static const std::regex downsamples("[1248]");
    static const std::regex values(R"([^=]+=(-?[0-9.e+]+)(,-?[0-9.e+]+)*)");
    const std::string frame = one(query, "frame", "0");
    const std::string depth = one(query, "depth", "0");
    const std::string mode = one(query, "mode", "smart");
    const std::string downsample = one(query, "downsample", "1");
    if (!std::regex_match(frame, frameNumber) || !std::regex_match(depth, depths) ||
        (mode != "smart" && mode != "classic") || !std::regex_match(downsample, downsamples)) {
        error = "a frame option is out of range";
        return false;
    }
    request.add("frame", frame);
    request.add("depth", depth);
    request.add("mode", mode);
    request.add("downsample", downsample);
    const auto [first, last] = query.equal_range("v");
    for (auto it = first; it != last; ++it) {
        if (std::regex_match(it->second, values))
            request.add("v", it->second);
    }
    const auto [firstLayer, lastLayer] = query.equal_range("layer");
    for (auto it = firstLayer; it != lastLayer; ++it) {
        const std::size_t equals = it->second.rfind('=');
        if (equals == std::string::npos)
            continue;
        const std::string choice = it->second.substr(equals + 1);
        std::string path;
        if (choice == ":input")
            path = input_;
        else if (choice.rfind(":clip", 0) == 0 && choice.size() > 5 && choice.size() < 9 &&
                 std::all_of(choice.begin() + 5, choice.end(), ::isdigit) &&
                 std::stoul(choice.substr(5)) < clips_.size())
            path = clips_[std::stoul(choice.substr(5))].path;
        else
            path = effect_.imagePath(choice);
        // The test pattern is an empty path, which the worker reads as one.
        if (!path.empty() || choice == ":input")
            request.add("layer", it->second.substr(0, equals + 1) + path);
    }
    return true;
}

void PreviewServer::answerFrame(const httplib::Request& request, httplib::Response& response,
                                const std::string& kind) {
    const PreviewEffect::State state = effect_.state();
    const std::string generation = ",\"generation\":" + std::to_string(state.generation) + "}";
    WorkerRequest work;
    std::string error;
    std::string json;
    work.add("kind", kind);
    const std::string host = one(request.params, "host", "ae");
    if (host != "ae" && host != "premiere") {
        response.status = 400;
        json = "{\"error\":\"a frame option is out of range\"";
    } else if (!frameRequest(request.params, work, error)) {
        response.status = 400;
        json = "{\"error\":" + jsonQuote(error);
    } else if (state.module.empty()) {
        json = "{\"error\":\"the effect could not be packed\"";
    } else {
        FrameWorker::Answer answer = worker_.ask(
            {"preview-frame", "--plugin", state.module, "--host", host, "--input", input_}, work);
        if (answer.superseded) {
            response.status = 409;
            json = "{\"superseded\":true";
        } else {
            json = answer.json;
            while (!json.empty() && std::isspace(static_cast<unsigned char>(json.back())))
                json.pop_back();
            if (json.empty() || json.front() != '{' || json.back() != '}') {
                json =
                    "{\"error\":\"the frame worker ended without an answer (it crashed or took too "
                    "long)\"}";
            }
            json.pop_back();
            if (!answer.png.empty())
                response.set_content(answer.png, "image/png");
        }
    }
    // The page reads the frame's description from this header and the
    // picture, when there is one, from the body.
    response.set_header("X-Preview-Result", headerText(json + generation));
    response.set_header("Cache-Control", "no-store");
}
