#pragma once
// Natives that sample, read or set a texture accept any of three handles for
// it: a parameter (its `texture` handle, looked up as a texture), a render
// target (its own texture) or a texture.

#include <cstdint>

class Texture;

// The texture that `handle` resolves to, or the null texture (GL name 0) when
// it resolves to none; other kinds resolve to none.
Texture& textureSource(std::uint32_t handle);
