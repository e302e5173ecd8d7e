#pragma once
// Which EGL device renders. A render machine with a GPU should render on it,
// and one without falls back to Mesa's software rasteriser; the user may
// name a device, or ask for software, with QUILLSHADE_GL_DEVICE:
//   unset, "" or "auto"  the first hardware device, else software
//   "software"           Mesa's surfaceless platform (llvmpipe)
//   a number N           the N-th device EGL enumerates (from 0)
//   a path               the device whose DRM node it is (/dev/dri/renderD128)
// A setting that names no device, and a device that does not start, give
// the software rasteriser: a frame still renders, and the tools report the
// renderer that drew it.
#include <string>
#include <vector>

namespace win32::detail {

// The environment variable that chooses the device.
constexpr const char kGlDeviceVariable[] = "QUILLSHADE_GL_DEVICE";

struct EglDeviceDescription {
    bool software = false;
    // The DRM nodes the device answers for; empty when it has none.
    std::string deviceFile;
    std::string renderNode;
};

// The index of the device to use among `devices`, or -1 for the surfaceless
// platform; `setting` may be null (unset).
int chooseEglDevice(const std::vector<EglDeviceDescription>& devices, const char* setting);

}  // namespace win32::detail
