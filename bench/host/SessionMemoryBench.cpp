// Resident memory over a long session through the module, as a host drives
// it: 10,000 frames, and every tenth frame an instance added, rendered,
// saved, loaded again from what was saved, rendered, and both removed.
// Prints the resident size after 500 frames, where it has settled, and at
// the end, and their ratio; the target is at most 1.05.
//   bench_session [FRAMES]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "EngineHost.h"

namespace {

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 10000;
    EngineHost e(
        {{"fx.js", kCopyScript}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}});
    if (!e.start()) {
        std::fprintf(stderr, "bench_session: the effect did not start\n");
        return 1;
    }
    const HostWorld input = pattern(320, 240, 32);
    double settled = 0;
    for (int frame = 1; frame <= frames; ++frame) {
        bool ok = e.render(input).error == PF_Err_NONE;
        if (frame % 10 == 0) {
            const InstanceId added = e.host.addInstance();
            ok = ok && e.host.updateParamsUI(added).error == PF_Err_NONE &&
                 e.host.renderFrame(added, input, FrameTime{}).error == PF_Err_NONE &&
                 e.host.saveInstance(added).error == PF_Err_NONE;
            const InstanceId loaded = e.host.loadInstance(e.host.instance(added).saved);
            ok = ok && e.host.renderFrame(loaded, input, FrameTime{}).error == PF_Err_NONE &&
                 e.host.removeInstance(loaded).error == PF_Err_NONE &&
                 e.host.removeInstance(added).error == PF_Err_NONE;
        }
        if (!ok) {
            std::fprintf(stderr, "bench_session: frame %d failed\n", frame);
            return 1;
        }
        if (frame == 500)
            settled = residentMiB();
    }
    const double end = residentMiB();
    std::printf("resident after 500 frames %.1f MiB, after %d frames %.1f MiB, ratio %.3f\n",
                settled, frames, end, settled > 0 ? end / settled : 0.0);
    return 0;
}
