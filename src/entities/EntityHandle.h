#pragma once
// Entity handles: the high byte names the kind, the low 24 bits an index from
// 1 within the kind. A kind is identified by its handle base, the kind number
// shifted into the high byte; the handle 0 names nothing.

#include <cstdint>

namespace EntityHandle {

constexpr std::uint32_t KindMask = 0xFF000000u;

constexpr std::uint32_t ParameterBase = 0x1000000u;
constexpr std::uint32_t ShaderBase = 0x2000000u;
constexpr std::uint32_t RenderTargetBase = 0x3000000u;
constexpr std::uint32_t TextureBase = 0x4000000u;
constexpr std::uint32_t SurfaceBase = 0x6000000u;

// The handle base of the kind that `handle` belongs to.
constexpr std::uint32_t kindOf(std::uint32_t handle) {
    return handle & KindMask;
}

}  // namespace EntityHandle
