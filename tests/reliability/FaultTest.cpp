// Faults: every suite a command acquires missing in turn, and every host call it makes
// that can fail failing in turn. Each command answers what the plug-in promises for that
// fault, the host's context is current again, nothing of the host's or of GL is left
// behind, and the next clean frame is the same as before the fault.
#include <EGL/egl.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AllocationFailure.h"
#include "GLObserver.h"
#include "ReliabilityFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

// Host calls whose contract lets them fail (an error result or a null answer).
bool failable(const std::string& call) {
    static const std::string kCalls =
        " add_param checkout_param checkin_param PF_UpdateParamUI AcquireSuite AllocateBlock"
        " ReallocateBlock host_new_handle host_lock_handle host_resize_handle AEGP_NewMemHandle"
        " AEGP_LockMemHandle AEGP_ExecuteScript AEGP_GetEffectLayer AEGP_GetNewEffectForEffect"
        " AEGP_GetLayerEffectByIndex AEGP_GetNewEffectStreamByIndex AEGP_GetDynamicStreamFlags"
        " AEGP_SetDynamicStreamFlag iterate get_pixel_data8 get_pixel_data16"
        " get_pixel_data_float ";
    return kCalls.find(" " + call + " ") != std::string::npos;
}

struct Command {
    std::string name;
    std::function<PF_Err()> run;
};

// One fault to inject: the nth call of that name fails.
struct Fault {
    std::string call;
    int nth;
};

class ReliabilityFaults : public RendererReliabilityTest {
  protected:
    void SetUp() override {
        RendererReliabilityTest::SetUp();
        smallScene(3);
        ASSERT_EQ(frame(48, 32, golden), PF_Err_NONE);
        output = Host::Layer(48, 32);
    }

    std::vector<Command> commands() {
        return {
            {"about", [this] { return effect.send(PF_Cmd_ABOUT); }},
            {"render",
             [this] {
                 output.fill(kUnwritten);
                 return frame(48, 32, output);
             }},
            {"user changed Edge Type",
             [this] { return effect.userChangedParam(param("Edge Type")); }},
            {"update params UI", [this] { return effect.updateParamsUI(); }},
            {"params set-up", [this] { return effect.paramsSetup(); }},
        };
    }

    /// The calls the command makes when nothing fails, oldest first.
    std::vector<std::string> callsOf(const Command& command) {
        probe.clearCalls();
        EXPECT_EQ(command.run(), PF_Err_NONE) << command.name;
        std::vector<std::string> calls = probe.calls();
        probe.clearCalls();
        return calls;
    }

    /// After a faulty command: the context, the host's resources, the GL objects, and a
    /// clean frame that matches the one before any fault.
    void expectRecovered(const std::string& what, int objectsBefore) {
        probe.clearFaults();
        EXPECT_TRUE(hostContextCurrent()) << what;
        EXPECT_EQ(outstanding(), "") << what;
        if (effect.params().size() != 28u) {
            ASSERT_EQ(effect.paramsSetup(), PF_Err_NONE) << what;
            smallScene(3);
        }
        Host::Layer again(48, 32);
        ASSERT_EQ(frame(48, 32, again), PF_Err_NONE) << what;
        EXPECT_EQ(maxDifference(golden, again), 0) << what;
        EXPECT_EQ(GLObserver::total(), objectsBefore) << what << ": " << GLObserver::describe();
    }

    static Host::Layer unwritten() {
        Host::Layer layer(48, 32);
        layer.fill(kUnwritten);
        return layer;
    }

    Host::Layer golden{48, 32};
    Host::Layer output{48, 32};
};

TEST_P(ReliabilityFaults, EverySuiteMissingInTurnAnswers516AndLeavesNothing) {
    int injected = 0;
    for (const Command& command : commands()) {
        std::set<std::string> suites;
        for (const std::string& line : callsOf(command)) {
            if (line.rfind("AcquireSuite ", 0) != 0) continue;
            // "AcquireSuite PF Handle Suite 2": the name without its version.
            const std::string rest = line.substr(13);
            suites.insert(rest.substr(0, rest.rfind(' ')));
        }
        const int objects = GLObserver::total();
        for (const std::string& suite : suites) {
            for (const bool nullTable : {false, true}) {
                const std::string what = command.name + " without " + suite +
                                         (nullTable ? " (null table)" : " (not found)");
                if (nullTable)
                    probe.nullSuite(suite);
                else
                    probe.withholdSuite(suite);
                EXPECT_EQ(command.run(), PF_Err_BAD_CALLBACK_PARAM) << what;
                // A frame that could not be read back leaves the output as it was.
                if (command.name == "render") {
                    EXPECT_EQ(maxDifference(output, unwritten()), 0) << what << ": output written";
                }
                ++injected;
                expectRecovered(what, objects);
            }
        }
    }
    std::cout << "[ faults ] " << injected << " suite faults injected" << std::endl;
    // The about text, the GL read-back and the two visibility commands use suites.
    EXPECT_GE(injected, 2 * (1 + (onCpu() ? 0 : 1) + 5 + 5));
}

// What a command answers when a call it makes fails.
PF_Err expectedAnswer(const std::string& command, const std::string& call, A_Err error) {
    if (command == "params set-up") return error;  // the first failing add_param ends it
    if (call == "AcquireSuite") return PF_Err_BAD_CALLBACK_PARAM;
    if (command == "render") {
        // Failed reads leave the frame drawn with what was read; the read-back cannot
        // go on without its buffer.
        if (call == "checkout_param" || call == "checkin_param") return PF_Err_NONE;
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // The visibility commands examine no result of the host's calls.
    return PF_Err_NONE;
}

TEST_P(ReliabilityFaults, EveryHostCallFailingInTurnAnswersAsPromisedAndLeavesNothing) {
    std::map<std::string, int> perCall;
    int injected = 0;
    for (const Command& command : commands()) {
        std::vector<Fault> faults;
        std::map<std::string, int> seen;
        for (const std::string& line : callsOf(command)) {
            const std::string call = line.substr(0, line.find(' '));
            const int nth = ++seen[call];
            if (failable(call)) faults.push_back({call, nth});
        }
        const int objects = GLObserver::total();
        for (const Fault& fault : faults) {
            const std::string what = command.name + " with " + fault.call + " #" +
                                     std::to_string(fault.nth) + " failing";
            const A_Err error = PF_Err_OUT_OF_MEMORY;
            probe.failCall(fault.call, fault.nth, error);
            const PF_Err answer = command.run();
            EXPECT_EQ(answer, expectedAnswer(command.name, fault.call, error)) << what;
            if (command.name == "render") {
                if (answer == PF_Err_NONE) {
                    EXPECT_EQ(invalidPixels(output), 0) << what;
                } else {
                    EXPECT_EQ(maxDifference(output, unwritten()), 0) << what << ": output written";
                }
            }
            ++injected;
            ++perCall[fault.call];
            expectRecovered(what, objects);
        }
    }
    std::cout << "[ faults ] " << injected << " host call faults injected:";
    for (const auto& [call, n] : perCall) std::cout << " " << call << " " << n;
    std::cout << std::endl;
    EXPECT_GT(perCall["checkout_param"], 0);
    if (!onCpu()) {
        EXPECT_GT(perCall["host_new_handle"], 0);  // the GL read-back's buffer
    }
    EXPECT_GT(perCall["add_param"], 0);
}

// Each allocation the plug-in makes in a frame failing in turn: the frame answers
// PF_Err_OUT_OF_MEMORY instead of letting std::bad_alloc reach the host (which would see
// it as an escaped exception), writes nothing and leaves nothing behind.
TEST_P(ReliabilityFaults, EachAllocationOfAFrameFailingInTurnAnswersOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "operator new is the sanitizer's own in this build";
#endif
    const int objects = GLObserver::total();
    int injected = 0;
    for (int nth = 1; nth < 1000; ++nth) {
        output.fill(kUnwritten);
        PF_Err answer = PF_Err_NONE;
        bool fired = false;
        {
            AllocationFailure failure(reinterpret_cast<const void*>(module.entry()), nth);
            answer = frame(48, 32, output);
            fired = failure.fired();
        }
        if (!fired) {  // the frame makes fewer allocations than nth
            EXPECT_EQ(answer, PF_Err_NONE);
            break;
        }
        ++injected;
        const std::string what = "allocation #" + std::to_string(nth) + " failing";
        EXPECT_EQ(answer, PF_Err_OUT_OF_MEMORY) << what;
        EXPECT_EQ(maxDifference(output, unwritten()), 0) << what << ": output written";
        expectRecovered(what, objects);
    }
    std::cout << "[ faults ] " << injected << " allocations failed in a frame" << std::endl;
    EXPECT_GT(injected, 0);
}

TEST_P(ReliabilityFaults, FramesWithoutAHostContextRenderAndTheHostsReturnAfter) {
    if (onCpu()) GTEST_SKIP() << "a host that offers no GPU has no context to withhold";
    host.setProvidesGLContext(false);
    Host::Layer out(48, 32);
    ASSERT_EQ(frame(48, 32, out), PF_Err_NONE);
    EXPECT_EQ(maxDifference(golden, out), 0);
    // With nothing to go back to, the effect's own context stays current.
    EXPECT_NE(eglGetCurrentContext(), EGL_NO_CONTEXT);
    host.setProvidesGLContext(true);
    ASSERT_EQ(frame(48, 32, out), PF_Err_NONE);
    EXPECT_TRUE(hostContextCurrent());
    EXPECT_EQ(maxDifference(golden, out), 0);
}

TESSORY_ON_BOTH_RENDERERS(ReliabilityFaults);

}  // namespace
}  // namespace Corvane::Tessory::Testing
