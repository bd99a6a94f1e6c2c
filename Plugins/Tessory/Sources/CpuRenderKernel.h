// The CPU renderer's per-frame constants and its strip function, built three times: for
// any x86-64, for AVX2 with FMA and for AVX-512, chosen at run time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CompositingInputs.h"
#include "ShapeType.h"

namespace Corvane::Tessory::CpuKernel {

inline constexpr int kStripRows = 32;

// x' = a x + c y + e, y' = b x + d y + f: a mat3 as the program receives it, in float.
struct Mat {
    float a, b, c, d, e, f;
};

struct Instance {
    Mat sample;  // output pixel to the instance's frame
    Mat shape;   // output pixel to the shape's frame
    float size1, size2, opacity;
    bool identity;  // sample is the identity: the sample is the pixel itself
    bool visible;   // opacity above zero
    // The span test: pixels whose instance-frame point lies within radius of the centre.
    bool culls;
    double radius;
    // Pixels within hole of the centre (negative: none) all show one plain behaviour: the
    // sample at full coverage with no band when holePlain, else nothing at all.
    double hole;
    bool holePlain;
    bool occludes;  // outside its span it is opaque (Fill Outside, opaque input, opacity 1)
    // Axis-aligned placement over 2x2 texels or more: per output column, the left texel
    // of the bilinear pair and the weight of the right one (see columns()); else null.
    const int* columnBase;
    const float* columnWeight;
    bool reduces;  // axis-aligned with |a| > 1: neighbouring pixels are over a texel apart
};

struct Span {
    int begin, end;
    bool empty() const { return begin >= end; }
};

struct Frame {
    const unsigned char* src;
    std::ptrdiff_t srcRow;
    unsigned char* dst;
    std::ptrdiff_t dstRow;
    int width, height, dstWidth, dstHeight;
    float w, h;
    float invW, invH;  // the normalisation as a product: a division per pixel costs
    int shape;
    bool fillOutside;
    float alphaFactor, bgAlpha, drawShadow, edgeSize;
    float edgeR, edgeG, edgeB, edgeA;  // edgeA: the colour's alpha times the band's opacity
    float cx, cy;
    int instances;
    bool opaqueInput;
    Instance inst[kMaxInstances];
};

using StripFn = void (*)(const Frame&, int strip);

namespace Baseline {
/// The strip function for a ShapeType's value; null for any other value.
StripFn stripFunction(int shape);
/// Fills an axis-aligned instance's column table, f.width entries each.
void columns(const Frame& f, const Instance& k, int* base, float* weight);
/// Whether rows [first, last) of an 8-bit ARGB picture are all opaque.
bool opaqueRows(const unsigned char* data, std::ptrdiff_t rowBytes, int width, int first, int last);
}  // namespace Baseline
namespace Avx2 {
StripFn stripFunction(int shape);
void columns(const Frame& f, const Instance& k, int* base, float* weight);
bool opaqueRows(const unsigned char* data, std::ptrdiff_t rowBytes, int width, int first, int last);
}  // namespace Avx2
namespace Avx512 {
StripFn stripFunction(int shape);
void columns(const Frame& f, const Instance& k, int* base, float* weight);
bool opaqueRows(const unsigned char* data, std::ptrdiff_t rowBytes, int width, int first, int last);
}  // namespace Avx512

}  // namespace Corvane::Tessory::CpuKernel
