// `quillshade preview` as an author starts it on an effect folder: what the
// page is offered and told, read from the running server.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "ImageFiles.h"
#include "package/TempFolder.h"

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
    std::string get(const std::string& path) const {
        httplib::Client client("127.0.0.1", port_);
        const httplib::Result result = client.Get(path);
        return result ? result->body : std::string();
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

}  // namespace
