#include "CpuRender.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "CpuRenderKernel.h"
#include "ShapeType.h"

namespace Corvane::Tessory {
namespace {

using namespace CpuKernel;

Mat toFloat(const Affine& t) {
    return Mat{static_cast<float>(t.m00), static_cast<float>(t.m10), static_cast<float>(t.m01),
               static_cast<float>(t.m11), static_cast<float>(t.m02), static_cast<float>(t.m12)};
}

// Radius about the shape's centre outside which its distance is at least reach; negative
// when no point comes that close.
double boundingRadius(int shape, double s1, double s2, double reach) {
    constexpr double kRoot2 = 1.4142135623730951;
    switch (static_cast<ShapeType>(shape)) {
        case ShapeType::Circle:
        case ShapeType::Ring:
            return s1 + reach;
        case ShapeType::Cross:
        case ShapeType::TShape:
            return s1 / 2 + reach < 0 ? -1 : kRoot2 * (s1 / 2 + reach);
        case ShapeType::Triangle:
            return (s1 + reach) / 0.5;
        case ShapeType::Rectangle:
            return s1 + reach < 0 || s2 + reach < 0 ? -1 : std::hypot(s1 + reach, s2 + reach);
        case ShapeType::Hexagon:
            return (s1 + reach) / std::cos(0.5235987755982988);
        case ShapeType::Octagon:
            return (s1 + reach) / std::cos(0.39269908169872414);
        default:
            return s1 + reach < 0 ? -1 : kRoot2 * (s1 + reach);
    }
}

// R such that a point r from the shape's centre has a distance of at most r - R (inside
// stays true) or at least R - r (the hole of a ring: inside turns false); 0 where none is
// known.
double holeRadius(int shape, double s1, double s2, bool& inside) {
    inside = true;
    switch (static_cast<ShapeType>(shape)) {
        case ShapeType::Circle:
        case ShapeType::Triangle:
        case ShapeType::Hexagon:
        case ShapeType::Octagon:
            // s1 is the polygons' inner radius.
            return s1;
        case ShapeType::Rectangle:
            return std::fmin(s1, s2);
        case ShapeType::Cross:
        case ShapeType::TShape:
            // Each bar's distance is at most r + |s2| - s1 / 2.
            return s1 / 2 - std::fabs(s2);
        case ShapeType::Ring:
            inside = false;
            return s2;
        default:
            return 0;
    }
}

// The kernel builds, narrowest first; kBuilds holds their functions in this order.
enum class Kernel { Portable, Avx2, Avx512 };

struct Build {
    StripFn (*stripFunction)(int shape);
    void (*columns)(const Frame& f, const Instance& k, int* base, float* weight);
    bool (*opaqueRows)(const unsigned char* data, std::ptrdiff_t rowBytes, int width, int first,
                       int last);
};
constexpr Build kBuilds[] = {
    {Baseline::stripFunction, Baseline::columns, Baseline::opaqueRows},
    {Avx2::stripFunction, Avx2::columns, Avx2::opaqueRows},
    {Avx512::stripFunction, Avx512::columns, Avx512::opaqueRows},
};

// The widest build the processor runs, or a narrower one that TESSORY_CPU_KERNEL names
// ("portable", "avx2", "avx512"; read each frame, so that one process can check every
// build). A name wider than the processor runs gets the widest it does.
Kernel chosenKernel() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const Kernel widest =
        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl")
            ? Kernel::Avx512
        : __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? Kernel::Avx2
                                                                          : Kernel::Portable;
    const char* name = std::getenv("TESSORY_CPU_KERNEL");
    const Kernel asked = !name                                ? widest
                         : std::strcmp(name, "portable") == 0 ? Kernel::Portable
                         : std::strcmp(name, "avx2") == 0     ? Kernel::Avx2
                                                              : widest;
    return asked < widest ? asked : widest;
#else
    return Kernel::Portable;
#endif
}

}  // namespace

CpuRender::CpuRender(unsigned threads) : mPool(threads) {}

void CpuRender::render(const CompositingInputs& in, const Pixels& input, const Pixels& output) {
    if (input.width <= 0 || input.height <= 0) return;

    Frame f{};
    f.src = input.data;
    f.srcRow = input.rowBytes;
    f.dst = output.data;
    f.dstRow = output.rowBytes;
    f.width = input.width;
    f.height = input.height;
    f.dstWidth = output.width;
    f.dstHeight = output.height;
    f.w = static_cast<float>(in.viewPort.x);
    f.h = static_cast<float>(in.viewPort.y);
    f.invW = 1.0f / f.w;
    f.invH = 1.0f / f.h;
    f.shape = in.shapeType;
    f.fillOutside = in.alphaFactor > 0;
    f.alphaFactor = in.alphaFactor;
    f.bgAlpha = in.bgAlpha;
    f.drawShadow = in.drawShadow;
    f.edgeSize = in.edgeSize;
    f.edgeR = static_cast<float>(in.edgeColor.r());
    f.edgeG = static_cast<float>(in.edgeColor.g());
    f.edgeB = static_cast<float>(in.edgeColor.b());
    f.edgeA = static_cast<float>(in.edgeColor.a()) * in.edgeAlpha;
    f.cx = static_cast<float>(in.center.x);
    f.cy = static_cast<float>(in.center.y);
    f.instances = in.instances;
    const Build& build = kBuilds[static_cast<int>(chosenKernel())];
    // A full read of the input: spread over the pool like the render itself.
    {
        constexpr int kRows = 64;
        std::atomic<bool> opaque{true};
        mPool.run((input.height + kRows - 1) / kRows, [&](int item, int) {
            const int first = item * kRows;
            const int last = first + kRows < input.height ? first + kRows : input.height;
            if (opaque.load(std::memory_order_relaxed) &&
                !build.opaqueRows(input.data, input.rowBytes, input.width, first, last)) {
                opaque.store(false, std::memory_order_relaxed);
            }
        });
        f.opaqueInput = opaque.load();
    }

    // The distance beyond which an instance shows its plain behaviour: the band reaches
    // edgeSize outwards for Fill Inside; Fill Outside's coverage ramp ends at 1.
    const double reach = (f.fillOutside ? 1.0 : std::fmax(f.edgeSize, 0.0f) + 1.0) + 1.0;
    // Where coverage is 0 with no band (d <= -edgeSize) the instance adds nothing; where
    // coverage is 1 (d >= 1) it shows its plain sample. Both are exact, so a margin of 1
    // only covers the distance's rounding.
    const double emptyDepth = std::fmax(f.edgeSize, 0.0f) + 1.0, plainDepth = 2.0;
    for (int i = 0; i < f.instances; ++i) {
        Instance& k = f.inst[i];
        const Affine& t = in.transforms[i];
        const float step = static_cast<float>(i);
        k.sample = toFloat(t);
        Affine shape = t;
        shape.multiply(in.shapeTransform);
        k.shape = toFloat(shape);
        k.size1 = in.shapeSize1 + in.shapeSize1Offset * step;
        k.size2 = in.shapeSize2 + in.shapeSize2Offset * step;
        k.opacity = std::fmin(std::fmax(1.0f - in.opacityOffset * step, 0.0f), 1.0f);
        k.visible = k.opacity > 0.0f;
        k.identity = k.sample.a == 1 && k.sample.d == 1 && k.sample.b == 0 && k.sample.c == 0 &&
                     k.sample.e == 0 && k.sample.f == 0;
        const double det = static_cast<double>(k.sample.a) * k.sample.d -
                           static_cast<double>(k.sample.b) * k.sample.c;
        k.radius = boundingRadius(f.shape, k.size1, k.size2, reach);
        k.culls = std::fabs(det) > 1e-9 && std::isfinite(k.radius) && std::isfinite(det);
        if (k.culls && k.radius >= 0) k.radius += 1.0;
        bool inside = true;
        const double hole = holeRadius(f.shape, k.size1, k.size2, inside);
        // Fill Outside is empty inside the shape and plain outside it; Fill Inside the other
        // way round.
        k.holePlain = inside != f.fillOutside;
        k.hole = k.culls ? hole - (k.holePlain ? plainDepth : emptyDepth) - 1.0 : -1;
        k.occludes = k.culls && f.fillOutside && f.opaqueInput && k.opacity == 1.0f;
    }

    const StripFn strip = build.stripFunction(f.shape);
    if (!strip) {
        // No body for this shape: the program does not link and the target stays clear.
        for (int y = 0; y < output.height && y < input.height; ++y) {
            std::memset(
                output.data + y * output.rowBytes, 0,
                4 * static_cast<size_t>(output.width < input.width ? output.width : input.width));
        }
        return;
    }
    // Column tables of the axis-aligned instances, allocated before anything is written.
    const bool level = f.width >= 2 && f.height >= 2;
    std::vector<int> bases(level ? static_cast<size_t>(f.instances) * f.width : 0);
    std::vector<float> weights(bases.size());
    for (int i = 0; level && i < f.instances; ++i) {
        Instance& k = f.inst[i];
        if (k.identity || k.sample.b != 0 || k.sample.c != 0) continue;
        int* base = bases.data() + static_cast<size_t>(i) * f.width;
        float* weight = weights.data() + static_cast<size_t>(i) * f.width;
        build.columns(f, k, base, weight);
        k.columnBase = base;
        k.columnWeight = weight;
        k.reduces = std::fabs(k.sample.a) > 1.0f;
    }

    const int strips = (f.height + kStripRows - 1) / kStripRows;
    mPool.run(strips, [&](int item, int) { strip(f, item); });
}

}  // namespace Corvane::Tessory
