// Resident memory over a long session through the module, as a host drives
// it: 10,000 frames, and every tenth frame an instance added, rendered,
// saved, loaded again from what was saved, rendered, and both removed.
// Prints the resident size after 500 frames, where it has settled, and at
// the end, and their ratio; the target is at most 1.05. Every save leaves
// the instance's old sequence data with the host (the effect neither changes
// nor disposes of what a flatten hands it), 8 KiB a save: the second ratio
// leaves those blocks out.
//
// Large blocks come straight from the system and go back to it when freed,
// as the Windows heap, where the module runs, does with blocks over 512 KiB.
// glibc's default instead raises its threshold for that as frames are freed
// and keeps the frames' memory in its heap, where the saves' small blocks
// fragment it; with it the resident size grows in steps of ten megabytes or
// so, though what is allocated does not.
//   bench_session [FRAMES]
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "EngineHost.h"

namespace {

double mebibytes(double bytes) {
    return bytes / 1048576.0;
}

double residentMiB() {
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return mebibytes(static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)));
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 10000;
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    EngineHost e(
        {{"fx.js", kCopyScript}, {"copy.frag", kCopyShader}, {"config.xml", deepConfig()}});
    if (!e.start()) {
        std::fprintf(stderr, "bench_session: the effect did not start\n");
        return 1;
    }
    const HostWorld input = pattern(320, 240, 32);
    double settled = 0, settledHandles = 0;
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
        if (frame == 500) {
            settled = residentMiB();
            settledHandles = mebibytes(e.host.handles().liveBytes());
        }
    }
    const double end = residentMiB();
    const double kept = mebibytes(e.host.handles().liveBytes()) - settledHandles;
    std::printf(
        "resident after 500 frames %.1f MiB, after %d frames %.1f MiB, ratio %.3f;"
        " less %.1f MiB of sequence data kept by the host, ratio %.3f (target 1.05)\n",
        settled, frames, end, end / settled, kept, (end - kept) / settled);
    return 0;
}
