// Two instances of one plugin, loaded as a host loads it, rendering on two
// threads at once: each gets its own frames, as when rendered one at a time.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <frei0r.h>
}

namespace {

struct Plugin {
    explicit Plugin(const std::string& path) : handle(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
        if (!handle)
            return;
        init = reinterpret_cast<decltype(init)>(dlsym(handle, "f0r_init"));
        deinit = reinterpret_cast<decltype(deinit)>(dlsym(handle, "f0r_deinit"));
        construct = reinterpret_cast<decltype(construct)>(dlsym(handle, "f0r_construct"));
        destruct = reinterpret_cast<decltype(destruct)>(dlsym(handle, "f0r_destruct"));
        setParam = reinterpret_cast<decltype(setParam)>(dlsym(handle, "f0r_set_param_value"));
        update = reinterpret_cast<decltype(update)>(dlsym(handle, "f0r_update"));
    }
    bool complete() const {
        return handle && init && deinit && construct && destruct && setParam && update;
    }

    void* handle;
    int (*init)() = nullptr;
    void (*deinit)() = nullptr;
    f0r_instance_t (*construct)(unsigned, unsigned) = nullptr;
    void (*destruct)(f0r_instance_t) = nullptr;
    void (*setParam)(f0r_instance_t, f0r_param_t, int) = nullptr;
    void (*update)(f0r_instance_t, double, const std::uint32_t*, std::uint32_t*) = nullptr;
};

// A picture that changes with the frame, so that a frame from another
// instance or time shows.
std::vector<std::uint32_t> picture(unsigned width, unsigned height, int frame) {
    std::vector<std::uint32_t> pixels(width * height);
    for (unsigned i = 0; i < pixels.size(); ++i)
        pixels[i] = 0xFF000000u | ((i * 7 + frame * 40) & 0xFF) << 8 | ((i / width * 9) & 0xFF);
    return pixels;
}

// Frames 0 to frames - 1 of one instance at that size, strength and centre.
std::vector<std::vector<std::uint32_t>> renderFrames(const Plugin& plugin, unsigned width,
                                                     unsigned height, double strength, int frames) {
    f0r_instance_t instance = plugin.construct(width, height);
    plugin.setParam(instance, &strength, 0);
    double centreX = strength;
    plugin.setParam(instance, &centreX, 4);
    std::vector<std::vector<std::uint32_t>> out;
    for (int frame = 0; frame < frames; ++frame) {
        const std::vector<std::uint32_t> in = picture(width, height, frame);
        out.emplace_back(in.size());
        plugin.update(instance, frame / 25.0, in.data(), out.back().data());
    }
    plugin.destruct(instance);
    return out;
}

TEST(PluginThreadsTest, InstancesOnTwoThreadsGetTheirOwnFrames) {
    const Plugin plugin(std::string(QS_FREI0R_PLUGINS) + "/GlowVignette.so");
    ASSERT_TRUE(plugin.complete()) << dlerror();
    ASSERT_EQ(plugin.init(), 1);
    constexpr int kFrames = 8;
    const auto first = renderFrames(plugin, 48, 32, 0.2, kFrames);
    const auto second = renderFrames(plugin, 40, 40, 0.8, kFrames);
    ASSERT_NE(first[0], renderFrames(plugin, 48, 32, 0.8, 1)[0]) << "the strength shows";
    std::vector<std::vector<std::uint32_t>> firstAgain, secondAgain;
    std::thread a([&] { firstAgain = renderFrames(plugin, 48, 32, 0.2, kFrames); });
    std::thread b([&] { secondAgain = renderFrames(plugin, 40, 40, 0.8, kFrames); });
    a.join();
    b.join();
    for (int frame = 0; frame < kFrames; ++frame) {
        EXPECT_EQ(firstAgain[frame], first[frame]) << "first instance, frame " << frame;
        EXPECT_EQ(secondAgain[frame], second[frame]) << "second instance, frame " << frame;
    }
    plugin.deinit();
}

}  // namespace
