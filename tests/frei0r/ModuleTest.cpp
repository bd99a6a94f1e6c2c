// The built bridge through its frei0r functions, loaded with dlopen as a host loads it.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "Frei0rTestSupport.h"

namespace Corvane::Tessory::Frei0r::Testing {
namespace {

constexpr int kW = 96;
constexpr int kH = 64;

// Fresh values are the effect's defaults in frei0r terms; what is set reads back; a choice
// the effect does not offer and an index out of range change nothing.
TEST(Frei0rModule, ValuesReadBackAsSet) {
    Frei0rModule m(TESSORY_FREI0R_MODULE);
    m.init();
    f0r_instance_t inst = m.construct(kW, kH);
    ASSERT_NE(inst, nullptr);
    auto number = [&](const char* name) {
        double d = -1;
        m.getParam(inst, &d, m.paramIndex(name));
        return d;
    };
    auto text = [&] {
        const char* t = nullptr;
        m.getParam(inst, &t, 0);
        return std::string(t ? t : "(null)");
    };
    EXPECT_EQ(text(), "Circle");
    EXPECT_DOUBLE_EQ(number("Instances"), 4.0 / 19);
    EXPECT_DOUBLE_EQ(number("Scale X Offset"), 210.0 / 400);

    std::string hex = "hexagon";  // any case; the host's string is copied
    char* hexText = hex.data();
    m.setParam(inst, &hexText, 0);
    hex.assign("xxxxxxx");
    const char* chevron = "Chevron";
    m.setParam(inst, &chevron, 0);
    EXPECT_EQ(text(), "Hexagon");

    double size = 0.25, on = 1;
    m.setParam(inst, &size, m.paramIndex("Shape Size 1"));
    m.setParam(inst, &on, 23);
    m.setParam(inst, &on, -1);
    m.getParam(inst, &size, 99);
    EXPECT_DOUBLE_EQ(number("Shape Size 1"), 0.25);
    f0r_param_position_t centre{0.1, 0.9}, gotCentre{};
    m.setParam(inst, &centre, m.paramIndex("Shape Center"));
    m.getParam(inst, &gotCentre, m.paramIndex("Shape Center"));
    EXPECT_EQ(std::make_pair(gotCentre.x, gotCentre.y), std::make_pair(0.1, 0.9));
    m.destruct(inst);
    m.deinit();
}

void setBridgeValues(Frei0rModule& m, f0r_instance_t inst) {
    const char* hexagon = "Hexagon";
    m.setParam(inst, &hexagon, m.paramIndex("Shape Type"));
    double size = 40.0 / 2000;
    m.setParam(inst, &size, m.paramIndex("Shape Size 1"));
    f0r_param_position_t centre{0.25, 0.75};
    m.setParam(inst, &centre, m.paramIndex("Shape Center"));
    double instances = 2.0 / 19;
    m.setParam(inst, &instances, m.paramIndex("Instances"));
    f0r_param_color_t colour{1.0f, 128 / 255.0f, 0.0f};
    m.setParam(inst, &colour, m.paramIndex("Shadow Color"));
}

// frei0r hosts call from several threads at once, on one instance or several; the plug-in
// takes one command at a time, so every frame has to come out as it does alone.
TEST(Frei0rModule, ConcurrentUpdatesGiveTheFramesOfASingleThread) {
    Frei0rModule m(TESSORY_FREI0R_MODULE);
    m.init();
    constexpr int kThreads = 4;
    f0r_instance_t shared = m.construct(kW, kH);
    setBridgeValues(m, shared);
    // Each thread renders a frame of its own; alone first, for the reference.
    std::vector<std::vector<uint32_t>> inputs, references;
    for (int t = 0; t < 2 * kThreads; ++t) {
        inputs.push_back(patternFrame(kW, kH, t));
        references.emplace_back(inputs.back().size());
        m.update(shared, 0, inputs.back().data(), references.back().data());
    }

    std::vector<f0r_instance_t> instances(kThreads, nullptr);
    std::vector<std::thread> makers;
    for (int t = 0; t < kThreads; ++t) {
        makers.emplace_back([&, t] {
            instances[t] = m.construct(kW, kH);
            setBridgeValues(m, instances[t]);
        });
    }
    for (auto& th : makers) th.join();

    std::atomic<int> mismatches{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 2 * kThreads; ++t) {
        // Half the threads share one instance, the others have one each.
        f0r_instance_t inst = t < kThreads ? shared : instances[t - kThreads];
        workers.emplace_back([&, inst, t] {
            std::vector<uint32_t> out(inputs[t].size());
            for (int i = 0; i < 25; ++i) {
                m.update(inst, 0.1 * (t + i), inputs[t].data(), out.data());
                if (out != references[t]) ++mismatches;
            }
        });
    }
    for (auto& th : workers) th.join();
    EXPECT_EQ(mismatches.load(), 0);

    for (f0r_instance_t inst : instances) m.destruct(inst);
    m.destruct(shared);
    m.deinit();
}

// MLT ends a filter with f0r_deinit before it destroys the instances, and nests pairs;
// FFmpeg destroys first. An instance must keep rendering until it is destroyed, and a
// module let go must come back for the next instance.
TEST(Frei0rModule, InstancesOutliveLooselyPairedInitAndDeinit) {
    Frei0rModule m(TESSORY_FREI0R_MODULE);
    const std::vector<uint32_t> in = patternFrame(kW, kH);
    std::vector<uint32_t> reference(in.size()), out(in.size());

    m.init();
    m.init();
    f0r_instance_t a = m.construct(kW, kH);
    m.update(a, 0, in.data(), reference.data());
    m.deinit();
    f0r_instance_t b = m.construct(kW, kH);
    m.destruct(a);
    m.deinit();
    m.update(b, 0, in.data(), out.data());
    EXPECT_EQ(out, reference);
    m.destruct(b);

    m.init();
    f0r_instance_t c = m.construct(kW, kH);
    std::fill(out.begin(), out.end(), 0u);
    m.update(c, 0, in.data(), out.data());
    EXPECT_EQ(out, reference);
    // In place, as some hosts do.
    std::vector<uint32_t> frame = in;
    m.update(c, 0, frame.data(), frame.data());
    EXPECT_EQ(frame, reference);
    m.destruct(c);
    m.deinit();
}

// Hosts end their threads whenever they please, also while the process exits, when libEGL
// cannot clean up after a thread. So every call on the GL renderer hands its thread back with
// nothing current, and the next call on that thread renders the same frame again.
TEST(Frei0rModule, CallsOnTheGlRendererLeaveTheirThreadWithNothingCurrent) {
    setenv("TESSORY_RENDERER", "gl", 1);
    Frei0rModule m(TESSORY_FREI0R_MODULE);
    m.init();
    f0r_instance_t inst = m.construct(kW, kH);
    setBridgeValues(m, inst);
    const std::vector<uint32_t> in = patternFrame(kW, kH);
    std::vector<uint32_t> first(in.size()), second(in.size());
    EGLContext afterConstruct = EGL_NO_CONTEXT, afterUpdate = EGL_NO_CONTEXT;
    std::thread([&] {
        m.update(inst, 0, in.data(), first.data());
        afterUpdate = eglGetCurrentContext();
        m.update(inst, 0, in.data(), second.data());
    }).join();
    afterConstruct = eglGetCurrentContext();  // this thread set the effect up
    m.destruct(inst);
    m.deinit();
    unsetenv("TESSORY_RENDERER");
    EXPECT_EQ(afterUpdate, EGL_NO_CONTEXT);
    EXPECT_EQ(afterConstruct, EGL_NO_CONTEXT);
    EXPECT_NE(first, in);
    EXPECT_EQ(second, first);
}

}  // namespace
}  // namespace Corvane::Tessory::Frei0r::Testing
