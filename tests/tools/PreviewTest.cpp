// `quillshade preview` as an author starts it on an effect folder: what the
// page is offered and told, read from the running server.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <vector>

#include "ImageFiles.h"
#include "package/TempFolder.h"
#include "tools/ToolOutput.h"

namespace {

namespace fs = std::filesystem;

// The preview on a free port, stopped as Ctrl-C stops it.
class RunningPreview {
public:
    explicit RunningPreview(const std::string& folder) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_adddup2(&files, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&files, out[0]);
        std::string tool = QS_TOOL, command = "preview", path = folder;
        char* argv[] = {tool.data(), command.data(), path.data(), nullptr};
        const bool spawned = posix_spawn(&pid_, QS_TOOL, &files, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&files);
        ::close(out[1]);
        FILE* said = ::fdopen(out[0], "r");
        char line[256] = {};
        if (spawned && said && std::fgets(line, sizeof line, said)) {
            std::cmatch match;
            if (std::regex_search(line, match, std::regex(R"(127\.0\.0\.1:([0-9]+)/)")))
                port_ = std::stoi(match[1]);
        }
        if (said)
            std::fclose(said);
    }
    ~RunningPreview() {
        if (pid_ > 0 && ::kill(pid_, SIGTERM) == 0)
            ::waitpid(pid_, nullptr, 0);
    }

    // The body of GET `path`; empty when there is no answer.
    std::string get(const std::string& path, const httplib::Headers& headers = {}) const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(60);
        const httplib::Result result = client.Get(path, headers);
        return result ? result->body : std::string();
    }
    // The description of a frame, which comes in a header with bytes
    // outside printable ASCII as %XX, decoded.
    std::string frameResult(const httplib::Headers& headers) const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(60);
        const httplib::Result result = client.Get("/frame", headers);
        const std::string text = result ? result->get_header_value("X-Preview-Result") : "";
        std::string decoded;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '%' && i + 2 < text.size()) {
                decoded += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                decoded += text[i];
            }
        }
        return decoded;
    }
    // The status of GET `path` with `headers`; -1 when there is no answer.
    int status(const std::string& path, const httplib::Headers& headers = {}) const {
        httplib::Client client("127.0.0.1", port_);
        const httplib::Result result = client.Get(path, headers);
        return result ? result->status : -1;
    }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

TEST(Preview, OffersNoImageThroughALinkLeavingTheFolderAndSaysWhy) {
    const TempFolder folder;
    const std::string effect = folder / "glow";
    fs::copy(QS_TEST_SOURCE_DIR "/effects/glowvignette", effect);
    HostWorld image(4, 4, 8);
    writeImageFile(effect + "/inside.png", image);
    writeImageFile(folder / "secret.png", image);
    fs::create_symlink("../secret.png", effect + "/outside.png");
    fs::create_symlink("inside.png", effect + "/alias.png");

    const RunningPreview preview(effect);
    ASSERT_NE(preview.port(), 0);
    const std::string state = preview.get("/state");
    EXPECT_NE(state.find(R"("images":["alias.png","inside.png"])"), std::string::npos) << state;
    EXPECT_NE(state.find("outside.png: a link to " + folder / "secret.png, outside the effect"),
              std::string::npos)
        << state;
}

// A connection to the preview that sends `bytes` as they are.
class RawConnection {
public:
    explicit RawConnection(int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    }
    ~RawConnection() { ::close(socket_); }
    // False once the server stopped reading.
    bool send(const std::string& bytes) {
        return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    // The first line of the answer.
    std::string statusLine() {
        std::string text;
        char c = 0;
        while (text.size() < 200 && ::recv(socket_, &c, 1, 0) == 1 && c != '\r') text += c;
        return text;
    }

private:
    int socket_;
};

std::string tokenOf(const std::string& state) {
    std::smatch match;
    return std::regex_search(state, match, std::regex(R"re("token":"([0-9a-f]+)")re"))
               ? match[1].str()
               : "";
}

TEST(Preview, RendersFramesOnlyForItsOwnPage) {
    const RunningPreview preview(QS_TEST_SOURCE_DIR "/effects/glowvignette");
    ASSERT_NE(preview.port(), 0);
    const std::string token = tokenOf(preview.get("/state"));
    ASSERT_EQ(token.size(), 32u);

    // A page of another site can make the browser ask for a frame, without
    // the token it cannot read; a browser marks its requests besides.
    EXPECT_EQ(preview.status("/frame"), 403);
    // One character changed (a token may start with either).
    const std::string wrong = (token[0] == '0' ? "1" : "0") + token.substr(1);
    EXPECT_EQ(preview.status("/frame", {{"X-Preview-Token", wrong}}), 403);
    EXPECT_EQ(preview.status("/state", {{"Sec-Fetch-Site", "cross-site"}}), 403);
    EXPECT_EQ(
        preview.status("/frame", {{"X-Preview-Token", token}, {"Sec-Fetch-Site", "same-site"}}),
        403);
    EXPECT_EQ(preview.status("/", {{"Sec-Fetch-Site", "cross-site"}}), 200);
    EXPECT_EQ(
        preview.status("/frame", {{"X-Preview-Token", token}, {"Sec-Fetch-Site", "same-origin"}}),
        200);
}

TEST(Preview, TellsThePageOfAPassOverTheGpuBudget) {
    // The frame workers inherit the preview's environment.
    ::setenv("QS_GPU_PASS_BUDGET_MS", "5", 1);
    const RunningPreview preview(QS_TEST_SOURCE_DIR "/tests/tools/effects/slowpass");
    ::unsetenv("QS_GPU_PASS_BUDGET_MS");
    ASSERT_NE(preview.port(), 0);
    const std::string frame =
        preview.frameResult({{"X-Preview-Token", tokenOf(preview.get("/state"))}});
    EXPECT_NE(frame.find(R"("warnings":["warning: slow.frag: shader \"slow\" kept the GPU busy)"),
              std::string::npos)
        << frame;
    EXPECT_NE(frame.find(R"(past the budget of 5 ms a pass)"), std::string::npos) << frame;
    EXPECT_NE(frame.find(R"x(["slowest pass: shader \"slow\" (slow.frag)",)x"), std::string::npos)
        << frame;
    // And which renderer drew the frame.
    EXPECT_NE(frame.find(R"("renderer":"llvmpipe)"), std::string::npos) << frame;
}

TEST(Preview, BoundsWhatAConnectionSendsSoThatSlowOrFloodingClientsLeaveThePageServed) {
    const RunningPreview preview(QS_TEST_SOURCE_DIR "/effects/glowvignette");
    ASSERT_NE(preview.port(), 0);
    const std::string head =
        "GET /state HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(preview.port()) + "\r\n";

    RawConnection flood(preview.port());
    const std::string line = "X-Filler: " + std::string(1000, 'a') + "\r\n";
    flood.send(head);
    for (int i = 0; i < 1024 && flood.send(line); ++i) {
    }
    EXPECT_EQ(flood.statusLine(), "HTTP/1.1 400 Bad Request");

    RawConnection body(preview.port());
    body.send("POST /state HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(preview.port()) +
              "\r\nContent-Length: 3000000000\r\n\r\nabc");
    EXPECT_EQ(body.statusLine(), "HTTP/1.1 413 Payload Too Large");

    // More half-sent requests than the library's own pool has workers.
    std::vector<std::unique_ptr<RawConnection>> slow;
    for (int i = 0; i < 16; ++i) {
        slow.push_back(std::make_unique<RawConnection>(preview.port()));
        slow.back()->send(head);
    }
    EXPECT_EQ(preview.status("/state"), 200);
}

TEST(Preview, RefusesAPortAnotherPreviewHolds) {
    const RunningPreview first(QS_TEST_SOURCE_DIR "/effects/glowvignette");
    ASSERT_NE(first.port(), 0);
    const ToolOutput second = runCommand("timeout 30 " QS_TOOL " preview " QS_TEST_SOURCE_DIR
                                         "/effects/glowvignette --port " +
                                         std::to_string(first.port()));
    EXPECT_EQ(second.status, 1) << second.text;
    EXPECT_TRUE(second.has("cannot listen on 127.0.0.1:" + std::to_string(first.port())))
        << second.text;
}

TEST(Preview, RemovesTheTemporaryFoldersOfProcessesThatNoLongerRun) {
    const pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const fs::path abandoned =
        fs::temp_directory_path() / ("quillshade-" + std::to_string(ended) + "-Left01");
    fs::create_directories(abandoned / "frames");
    const fs::path running =
        fs::temp_directory_path() / ("quillshade-" + std::to_string(::getpid()) + "-Alive1");
    fs::create_directories(running);

    {
        const RunningPreview preview(QS_TEST_SOURCE_DIR "/effects/glowvignette");
        ASSERT_NE(preview.port(), 0);
    }
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::exists(running));
    fs::remove_all(running);
}

}  // namespace
