// Random parameter sets through the host runtime on small frames: every set renders,
// leaves the host's context current and holds nothing of the host's, writes every output
// pixel with a valid straight-colour value, and (for the shapes there are) agrees with the
// CPU reference of the compositing off the outlines. Each set has a seed of its own, printed on
// failure, so one set can be replayed alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>

#include "ReliabilityFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

class ReliabilityFuzz : public RendererReliabilityTest {
  protected:
    using Random = std::mt19937_64;

    static double uniform(Random& r, double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(r);
    }
    static int integer(Random& r, int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(r);
    }
    static bool chance(Random& r, double p) { return std::bernoulli_distribution(p)(r); }

    /// A value in [lo, hi], a third of the time one of the ends (or zero when inside).
    static double ranged(Random& r, double lo, double hi) {
        if (chance(r, 0.35)) {
            switch (integer(r, 0, 2)) {
                case 0:
                    return lo;
                case 1:
                    return hi;
                default:
                    return lo <= 0 && 0 <= hi ? 0.0 : lo;
            }
        }
        return uniform(r, lo, hi);
    }

    /// The values now set, as the reference takes them.
    EffectSettings settings() const {
        auto v = [&](const char* name) { return effect.params()[param(name)].value; };
        auto color = [&](const char* name) {
            const Host::ParamValue c = v(name);
            return PF_Pixel{static_cast<A_u_char>(c[0]), static_cast<A_u_char>(c[1]),
                            static_cast<A_u_char>(c[2]), static_cast<A_u_char>(c[3])};
        };
        EffectSettings s;
        s.shapeType = static_cast<int>(v("Shape Type")[0]);
        s.size1 = v("Shape Size 1")[0];
        s.size2 = v("Shape Size 2")[0];
        s.centerX = v("Shape Center")[0];
        s.centerY = v("Shape Center")[1];
        s.rotation = v("Shape Rotation")[0];
        s.fillType = static_cast<int>(v("Fill Type")[0]);
        s.transparentBackground = v("Transparent Background")[0] != 0;
        s.edgeType = static_cast<int>(v("Edge Type")[0]);
        s.shadowSize = v("Shadow Size")[0];
        s.shadowColor = color("Shadow Color");
        s.shadowOpacity = v("Shadow Opacity")[0];
        s.strokeSize = v("Stroke Size")[0];
        s.strokeColor = color("Stroke Color");
        s.strokeOpacity = v("Stroke Opacity")[0];
        s.instances = static_cast<int>(v("Instances")[0]);
        s.size1Offset = v("Shape Size 1 Offset")[0];
        s.size2Offset = v("Shape Size 2 Offset")[0];
        s.positionXOffset = v("Position X Offset")[0];
        s.positionYOffset = v("Position Y Offset")[0];
        s.scaleXOffset = v("Scale X Offset")[0];
        s.scaleYOffset = v("Scale Y Offset")[0];
        s.rotationOffset = v("Rotation Offset")[0];
        s.opacityOffset = v("Opacity Offset")[0];
        return s;
    }

    /// True when some instance samples far outside the frame (more than four frame sizes
    /// away) or is scaled nearly to nothing: positions there are so large or so steep that
    /// single-precision rounding on the GL and in the reference part visibly, so such sets
    /// are held to validity only.
    static bool extreme(const EffectSettings& s, int width, int height) {
        const int last = std::max(s.instances, 1) - 1;
        if (std::abs(last * s.positionXOffset) > 4.0 * width ||
            std::abs(last * s.positionYOffset) > 4.0 * height) {
            return true;
        }
        for (int k = 1; k <= last; ++k) {
            if (std::abs(1 + k * s.scaleXOffset / 100) < 0.25 ||
                std::abs(1 + k * s.scaleYOffset / 100) < 0.25) {
                return true;
            }
        }
        return false;
    }

    /// Sets every value parameter at random for a frame of width x height; returns the
    /// values as text for the failure message.
    std::string randomize(Random& r, int width, int height) {
        std::ostringstream text;
        const bool wide = chance(r, 0.5);
        for (size_t i = 1; i < effect.params().size(); ++i) {
            const PF_ParamDef& def = effect.params()[i].registered;
            Host::ParamValue v{};
            switch (def.param_type) {
                case PF_Param_SLIDER:
                    v[0] = std::round(ranged(r, def.u.sd.valid_min, def.u.sd.valid_max));
                    break;
                case PF_Param_FLOAT_SLIDER:
                    // Half the time within the slider's range, where users mostly stay.
                    v[0] = wide ? ranged(r, def.u.fs_d.valid_min, def.u.fs_d.valid_max)
                                : ranged(r, def.u.fs_d.slider_min, def.u.fs_d.slider_max);
                    break;
                case PF_Param_ANGLE:
                    v[0] = ranged(r, -1080, 1080);
                    break;
                case PF_Param_CHECKBOX:
                    v[0] = integer(r, 0, 1);
                    break;
                case PF_Param_COLOR:
                    for (double& c : v) c = integer(r, 0, 255);
                    break;
                case PF_Param_POINT:
                    v[0] = ranged(r, -width, 2.0 * width);
                    v[1] = ranged(r, -height, 2.0 * height);
                    break;
                case PF_Param_POPUP:
                    v[0] = integer(r, 1, def.u.pd.num_choices);
                    // Stored values no choice text names: the chevron and beyond.
                    if (i == static_cast<size_t>(param("Shape Type")) && chance(r, 0.15))
                        v[0] = integer(r, 0, 1) ? integer(r, 9, 12) : integer(r, -2, 0);
                    break;
                default:
                    continue;  // the layer and the group markers carry no value
            }
            effect.setValue(static_cast<int>(i), v);
            text << " \"" << def.name << "\"=" << v[0];
            if (def.param_type == PF_Param_POINT) text << "," << v[1];
        }
        return text.str();
    }
};

TEST_P(ReliabilityFuzz, RandomParameterSetsRenderEveryPixelValid) {
    const uint64_t sets = environmentCount("TESSORY_FUZZ_SETS", 500);
    const uint64_t seed = environmentCount("TESSORY_FUZZ_SEED", 20261206);
    const uint64_t first = environmentCount("TESSORY_FUZZ_FIRST", 0);
    std::cout << "[ fuzz ] seed " << seed << ", sets " << first << " to " << first + sets - 1
              << std::endl;
    uint64_t violations = 0, failed = 0, compared = 0, nearOutline = 0, extremes = 0,
             extremesBeyond2 = 0;
    for (uint64_t n = first; n < first + sets; ++n) {
        Random r(seed ^ (n * 0x9E3779B97F4A7C15ull));
        // Small frames, odd sizes and single rows and columns among them, sometimes
        // downsampled.
        const int width = chance(r, 0.1) ? 1 : integer(r, 1, 40);
        const int height = chance(r, 0.1) ? 1 : integer(r, 1, 30);
        const A_u_long den = chance(r, 0.2) ? integer(r, 2, 4) : 1;
        effect.setLayerSize(width * static_cast<int>(den), height * static_cast<int>(den));
        effect.setDownsample(1, den);
        const std::string values =
            randomize(r, width * static_cast<int>(den), height * static_cast<int>(den));
        Host::Layer input(width, height), output(width, height);
        fillGradient(input);
        output.fill(kUnwritten);
        const PF_Err err = effect.render(input, output);
        const int bad = invalidPixels(output);
        const std::string left = outstanding();
        // Stored shape types no body answers have no reference.
        const EffectSettings s = settings();
        Comparison c;
        int tolerance = 2;
        if (s.shapeType >= 1 && s.shapeType <= 9) {
            c = compare(renderReference(input, s, s.shapeType, 1, den), output);
            ++compared;
            nearOutline += c.nearOutline;
            if (extreme(s, width * static_cast<int>(den), height * static_cast<int>(den))) {
                // Checked for validity only; how often it parts from the reference is
                // reported.
                tolerance = 255;
                ++extremes;
                if (c.worst > 2) ++extremesBeyond2;
            }
        }
        if (err != PF_Err_NONE || bad || !left.empty() || !hostContextCurrent() ||
            c.worst > tolerance) {
            ADD_FAILURE() << "set " << n << " (" << width << "x" << height << " at 1/" << den
                          << "): answer " << err << ", " << bad << " invalid pixels, "
                          << (left.empty() ? "nothing" : left) << " left, host context "
                          << (hostContextCurrent() ? "current" : "lost") << ", reference "
                          << c.describe() << "\n  values:" << values
                          << "\n  replay: TESSORY_FUZZ_SEED=" << seed << " TESSORY_FUZZ_FIRST=" << n
                          << " TESSORY_FUZZ_SETS=1";
            violations += bad;
            if (++failed == 5) break;  // enough to go on
        }
        probe.clearCalls();
    }
    std::cout << "[ fuzz ] " << sets << " sets, " << failed << " failed, " << violations
              << " invalid pixels; " << compared << " sets compared with the reference, "
              << nearOutline << " pixels within a pixel of an outline left out; " << extremes
              << " of them far or collapsed, " << extremesBeyond2 << " of those beyond 2/255 of it"
              << std::endl;
}

TESSORY_ON_BOTH_RENDERERS(ReliabilityFuzz);

}  // namespace
}  // namespace Corvane::Tessory::Testing
