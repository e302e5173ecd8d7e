// quillshade-rawhost MODULE EXPECTATIONS
//
// Plays After Effects and then Premiere Pro for an effect module loaded from
// disk, with the host's structures built as bytes at the offsets of the
// host's interface facts (abi/host-abi.json), and checks every command's
// effect; the frames must equal our simulated host's. Prints each step and
// each failure; exits 0 when nothing failed, 1 otherwise, 2 on a crash.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include "CommandSequence.h"
#include "Report.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 48;
constexpr int kHeight = 32;

// The input layer at each depth: one 8-bit picture (soft gradients with some
// noise, partly transparent at the edge), converted as a host converts it.
std::map<int, std::vector<std::uint8_t>> makeInputs() {
    std::vector<std::uint8_t> bytes(kWidth * kHeight * 4);
    std::mt19937 noise(25);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = &bytes[(y * kWidth + x) * 4];
            p[0] = x < 2 ? 128 : 255;
            p[1] = static_cast<std::uint8_t>(x * 255 / (kWidth - 1));
            p[2] = static_cast<std::uint8_t>(y * 255 / (kHeight - 1));
            p[3] = static_cast<std::uint8_t>(noise() % 256);
        }
    }
    std::vector<std::uint8_t> deep(bytes.size() * 2), floats(bytes.size() * 4);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto v16 = static_cast<std::uint16_t>((bytes[i] * 32768 + 127) / 255);
        std::memcpy(&deep[i * 2], &v16, 2);
        const float v32 = bytes[i] / 255.0f;
        std::memcpy(&floats[i * 4], &v32, 4);
    }
    return {{8, bytes}, {16, deep}, {32, floats}};
}

// A copy of the module, loaded on its own: each host plays a process of its
// own, with the engine's state its own.
std::string copyOf(const std::string& module, const fs::path& folder, const std::string& role) {
    const fs::path copy = folder / (role + fs::path(module).extension().string());
    fs::copy_file(module, copy, fs::copy_options::overwrite_existing);
    return copy.string();
}

std::vector<FrameCase> frameCases(const std::vector<FrameCase>& cases,
                                  const std::vector<ReferenceFrame>& references) {
    std::vector<FrameCase> frames = cases;
    for (std::size_t i = 0; i < frames.size(); ++i) frames[i].reference = references.at(i);
    return frames;
}

std::vector<ReferenceRequest> requestsFor(const std::vector<FrameCase>& cases,
                                          const std::map<int, std::vector<std::uint8_t>>& inputs) {
    std::vector<ReferenceRequest> requests;
    for (const FrameCase& c : cases)
        requests.push_back({c.classic, c.depth, kWidth, kHeight, inputs.at(c.depth)});
    return requests;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s MODULE EXPECTATIONS\n", argv[0]);
        return 64;
    }
    Report::installCrashHandler();
    Report& report = Report::get();
    const std::string module = argv[1];
    const fs::path folder = fs::temp_directory_path() /
                            ("quillshade-rawhost-" + std::to_string(std::random_device{}()));
    try {
        const Expectations expected = Expectations::read(argv[2]);
        fs::create_directories(folder);
        const auto inputs = makeInputs();
        const std::vector<FrameCase> aeCases = {
            {false, 8, {}}, {false, 16, {}}, {false, 32, {}}, {true, 8, {}}};
        const std::vector<FrameCase> premiereCases = {{true, 32, {}}};

        report.step("simulated host frames");
        const HostTime time;
        const auto aeFrames =
            renderReferences(copyOf(module, folder, "ae-reference"), false, time.value, time.step,
                             time.scale, expected.settings, requestsFor(aeCases, inputs));
        const auto premiereFrames = renderReferences(
            copyOf(module, folder, "premiere-reference"), true, time.value, time.step, time.scale,
            expected.settings, requestsFor(premiereCases, inputs));

        CommandSequence(loadModule(module), Application::AfterEffects, expected, kWidth, kHeight,
                        inputs)
            .run(frameCases(aeCases, aeFrames));
        CommandSequence(loadModule(copyOf(module, folder, "premiere")), Application::Premiere,
                        expected, kWidth, kHeight, inputs)
            .run(frameCases(premiereCases, premiereFrames));
    } catch (const std::exception& e) {
        report.fail(std::string("stopped: ") + e.what());
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    std::printf("raw host: %d failure(s)\n", report.failures());
    return report.failures() == 0 ? 0 : 1;
}
