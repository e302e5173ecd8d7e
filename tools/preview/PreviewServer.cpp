#include "PreviewServer.h"

#include <httplib.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <regex>

#include "BoundedServer.h"
#include "JsonText.h"
#include "PreviewPage.h"
#include "TemporaryFolder.h"
#include "platform/ModuleResources.h"

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

std::string base64(const std::string& bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += {digits[v >> 18], digits[(v >> 12) & 63], digits[(v >> 6) & 63], digits[v & 63]};
    }
    if (i < bytes.size()) {
        const unsigned v =
            (static_cast<unsigned char>(bytes[i]) << 16) |
            (i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0);
        out += {digits[v >> 18], digits[(v >> 12) & 63],
                i + 1 < bytes.size() ? digits[(v >> 6) & 63] : '=', '='};
    }
    return out;
}

// A whole file, removed after reading; empty when there is none.
std::string takeFile(const std::string& path) {
    const auto bytes = ModuleResources::readFile(path);
    std::error_code ignored;
    fs::remove(path, ignored);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

std::string one(const std::multimap<std::string, std::string>& query, const std::string& key,
                const std::string& fallback) {
    const auto found = query.find(key);
    return found == query.end() ? fallback : found->second;
}

}  // namespace

PreviewServer::PreviewServer(PreviewEffect& effect, std::string input)
    : effect_(effect),
      input_(std::move(input)),
      temporary_(makeTemporaryFolder()),
      token_(newToken()),
      server_(std::make_unique<BoundedServer>()) {
    routes();
}

PreviewServer::~PreviewServer() {
    std::error_code ignored;
    fs::remove_all(temporary_, ignored);
}

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
    server_->set_pre_routing_handler([this](const httplib::Request& request,
                                            httplib::Response& response) {
        const char* refusal = nullptr;
        if (!isLoopbackRequest(request, port_))
            refusal = "refused: the preview answers only to 127.0.0.1 and localhost\n";
        else if (!isFromOwnPage(request) && request.path != "/")
            refusal = "refused: the request comes from a page of another site\n";
        else if (request.path == "/frame" && request.get_header_value("X-Preview-Token") != token_)
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
        const PreviewEffect::State state = effect_.state();
        std::vector<std::string> images;
        for (const std::string& name : effect_.images()) images.push_back(jsonQuote(name));
        response.set_content(
            "{\"generation\":" + std::to_string(state.generation) +
                ",\"checking\":" + (state.checking ? "true" : "false") +
                ",\"problems\":" + jsonQuote(state.problems) + ",\"images\":" + jsonArray(images) +
                ",\"token\":" + jsonQuote(token_) + ",\"input\":" +
                jsonQuote(input_.empty() ? "" : fs::path(input_).filename().string()) + "}",
            "application/json");
    });
    server_->Get("/frame", [this](const httplib::Request& request, httplib::Response& response) {
        int status = 200;
        const std::string json = frameJson(request.params, &status);
        response.status = status;
        response.set_content(json, "application/json");
    });
}

std::string PreviewServer::frameJson(const std::multimap<std::string, std::string>& query,
                                     int* status) {
    const PreviewEffect::State state = effect_.state();
    if (state.module.empty()) {
        return "{\"generation\":" + std::to_string(state.generation) +
               ",\"error\":\"the effect could not be packed\"}";
    }
    static std::atomic<unsigned> counter{0};
    const std::string stem = (fs::path(temporary_) / std::to_string(++counter)).string();
    std::vector<std::string> arguments{"preview-frame",  "--plugin",    state.module,
                                       "--output",       stem + ".png", "--before",
                                       stem + "-in.png", "--input",     input_};
    // Choices from the page's menus; anything else is refused here, so that
    // the worker sees only values it knows.
    static const std::regex number(R"(-?[0-9]+(\.[0-9]+)?)");
    static const std::regex values(R"([^=]+=(-?[0-9.e+]+)(,-?[0-9.e+]+)*)");
    const std::string time = one(query, "time", "0");
    const std::string depth = one(query, "depth", "0");
    const std::string host = one(query, "host", "ae");
    const std::string mode = one(query, "mode", "smart");
    const std::string downsample = one(query, "downsample", "1");
    if (!std::regex_match(time, number) || !std::regex_match(depth, std::regex("0|8|16|32")) ||
        (host != "ae" && host != "premiere") || (mode != "smart" && mode != "classic") ||
        !std::regex_match(downsample, std::regex("[1248]"))) {
        *status = 400;
        return "{\"error\":\"a frame option is out of range\"}";
    }
    arguments.insert(arguments.end(), {"--time", time, "--depth", depth, "--host", host, "--mode",
                                       mode, "--downsample", downsample});
    const auto [first, last] = query.equal_range("v");
    for (auto it = first; it != last; ++it) {
        if (std::regex_match(it->second, values))
            arguments.insert(arguments.end(), {"--value", it->second});
    }
    const auto [firstLayer, lastLayer] = query.equal_range("layer");
    for (auto it = firstLayer; it != lastLayer; ++it) {
        const std::size_t equals = it->second.rfind('=');
        if (equals == std::string::npos)
            continue;
        const std::string choice = it->second.substr(equals + 1);
        const std::string path = choice == ":input" ? input_ : effect_.imagePath(choice);
        if (!path.empty())
            arguments.insert(arguments.end(), {"--layer", it->second.substr(0, equals + 1) + path});
    }

    bool superseded = false;
    const ChildResult result = worker_.render(arguments, &superseded);
    const std::string frame = takeFile(stem + ".png");
    const std::string before = takeFile(stem + "-in.png");
    if (superseded) {
        *status = 409;
        return "{\"superseded\":true}";
    }
    std::string json = result.output;
    while (!json.empty() && std::isspace(static_cast<unsigned char>(json.back()))) json.pop_back();
    if (json.empty() || json.front() != '{' || json.back() != '}') {
        json =
            "{\"error\":\"the frame worker ended without an answer (it crashed or took too "
            "long)\"}";
    }
    json.pop_back();
    return json + ",\"generation\":" + std::to_string(state.generation) + ",\"frame\":" +
           jsonQuote(frame.empty() ? "" : "data:image/png;base64," + base64(frame)) +
           ",\"before\":" +
           jsonQuote(before.empty() ? "" : "data:image/png;base64," + base64(before)) + "}";
}
