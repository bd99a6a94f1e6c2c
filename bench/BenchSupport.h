// What the benchmarks share: the frame sizes, a test picture, the GL memory a frame of the
// render path holds, the renderer string and the process's peak resident memory.
#pragma once

#include <cstdint>
#include <string>

#include "Host/Layer.h"

namespace Corvane::Tessory::Bench {

/// Fills an 8-bit layer with an opaque gradient so no frame is trivially uniform.
void fillGradient(Host::Layer& layer, uint8_t alpha = 255);

/// True when some output byte is not zero: a frame that rendered nothing is all zero.
bool anyNonZero(const Host::Layer& layer);

/// Samples the render path's multisample target gets here: 8, fewer where GL offers fewer.
/// A GL context must be current.
int targetSamples();

/// Bytes of GL storage one frame of the render path holds at its peak: the RGBA32F input
/// texture, the multisample colour target, the resolved texture and the output
/// renderbuffer (8-bit RGBA each).
uint64_t frameGLBytes(int width, int height, int samples);

/// GL_RENDERER and GL_VERSION of the current context, "renderer | version".
std::string rendererString();

/// Peak resident set of this process in KiB (getrusage).
long peakRssKiB();

}  // namespace Corvane::Tessory::Bench
