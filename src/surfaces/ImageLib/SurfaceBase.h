#pragma once

namespace ImageLib {

// Polymorphic base of the pixel surface templates; destruction is the only
// operation they share.
class SurfaceBase {
public:
    virtual ~SurfaceBase() = default;

protected:
    SurfaceBase() = default;
    SurfaceBase(const SurfaceBase&) = delete;
    SurfaceBase& operator=(const SurfaceBase&) = delete;
};

}  // namespace ImageLib
