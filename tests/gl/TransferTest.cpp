// Pixel transfer between host layers and GL for 8, 16 and 32 bits per channel.
#include <array>
#include <cstring>
#include <functional>
#include <optional>

#include "GL/AEOpenGLUtilities.h"
#include "GLTestSupport.h"
#include "Host/Layer.h"
#include "PixelFormat.h"

using namespace gl;

namespace Corvane::Tessory::Testing {
namespace {

using Host::Layer;
using U = AEOpenGLUtilities;

class TransferTest : public GLTest {
  protected:
    GLuint upload(int format, Layer& layer, unsigned long& size, GLenum& type, float& multiplier) {
        return U::UploadTexture(format, layer.def(), nullptr, &in, size, type, multiplier, false);
    }
    void download(int format, Layer& input, Layer& output, unsigned long size, GLenum type) {
        U::DownloadTexture(static_cast<uint32_t>(input.width()),
                           static_cast<uint32_t>(input.height()), input.def(), output.def(), &in,
                           format, size, type);
    }
};

bool sameRows(const Layer& a, const Layer& b) {
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.row(y), b.row(y), static_cast<size_t>(a.width() * a.bytesPerPixel()))) {
            return false;
        }
    }
    return true;
}

// Each depth goes up and comes back bit for bit through rows padded differently on each side.
// The texture holds alpha, red, green, blue in slots r, g, b, a, host row 0 first; sampled
// 16-bit values times the multiplier are the host's 0..1 scale.
TEST_F(TransferTest, EveryDepthRoundTripsThroughPaddedRows) {
    const struct {
        int format, depth, padIn, padOut;
        unsigned long size;
        GLenum type;
        float multiplier;
    } cases[] = {
        {PF_PixelFormat_ARGB32, 8, 12, 20, 4, GL_UNSIGNED_BYTE, 1.0f},
        {PF_PixelFormat_ARGB64, 16, 24, 8, 8, GL_UNSIGNED_SHORT, 1.999969482421875f},
        {PF_PixelFormat_ARGB128, 32, 16, 32, 16, GL_FLOAT, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.depth);
        probe.clearCalls();
        Layer input(5, 3, c.depth, c.padIn), output(5, 3, c.depth, c.padOut);
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const int v = x + 5 * y;
                if (c.depth == 8) {
                    input.pixel8(x, y) =
                        PF_Pixel{static_cast<A_u_char>(255 - 40 * y), static_cast<A_u_char>(10 * x),
                                 static_cast<A_u_char>(y), static_cast<A_u_char>(v)};
                } else if (c.depth == 16) {
                    input.pixel16(x, y) = PF_Pixel16{32768, static_cast<A_u_short>(1000 * x + y),
                                                     static_cast<A_u_short>(8192 * y),
                                                     static_cast<A_u_short>(32768 - 7 * x)};
                } else {
                    input.pixelF(x, y) = PF_PixelFloat{1.0f - 0.25f * y, 1.5f * x, -0.125f * y,
                                                       0.1f * static_cast<float>(v)};
                }
            }
        }
        unsigned long size = 0;
        GLenum type = GL_NONE;
        float multiplier = 0;
        std::vector<float> texels;
        inRenderContext([&] {
            GLuint texture = upload(c.format, input, size, type, multiplier);
            texels = readTexture(texture, 5, 3);
            const GLuint framebuffer = attachToNewFramebuffer(texture);
            download(c.format, input, output, size, type);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glDeleteFramebuffers(1, &framebuffer);
            glDeleteTextures(1, &texture);
        });
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(multiplier, c.multiplier);
        const size_t last = (2 * 5 + 4) * 4;  // pixel (4, 2)
        if (c.depth == 8) {
            EXPECT_FLOAT_EQ(texels[last + 0], (255 - 80) / 255.0f);
            EXPECT_FLOAT_EQ(texels[last + 3], 14 / 255.0f);
        } else if (c.depth == 16) {
            EXPECT_NEAR(texels[0] * multiplier, 1.0, 1e-6);
            EXPECT_NEAR(texels[last + 1] * multiplier, 4002.0 / 32768, 1e-6);
        } else {
            EXPECT_EQ(texels[last + 1], 6.0f);  // above 1 kept
            EXPECT_EQ(texels[last + 2], -0.25f);
            EXPECT_EQ(probe.countCalls("iterate"), 2);
        }
        EXPECT_TRUE(sameRows(output, input));
        EXPECT_TRUE(output.paddingIntact());
        EXPECT_TRUE(input.paddingIntact());
        EXPECT_EQ(probe.outstandingSuites(), 0);
        EXPECT_EQ(probe.liveHandles(), 0);
    }
}

// Failures are thrown with the host's code, never followed: the output stays as it was and
// every suite and handle is given back (the effect's own 8-bit frames meet every failing
// host call in the fault sweep; these are the formats and depths it never asks for).
TEST_F(TransferTest, FailuresAreThrownAndLeaveTheOutputAlone) {
    const struct {
        const char* name;
        std::function<void(Host::HostProbe&)> fault;
        int format;
        bool uploadFirst;
        A_Err code;
    } cases[] = {
        {"unknown format up", [](Host::HostProbe&) {}, 0x34333231, true, 516},
        {"unknown format down", [](Host::HostProbe&) {}, 0x34333231, false, 516},
        {"iterator",
         [](Host::HostProbe& p) { p.failCall("iterate", 1, PF_Err_INTERNAL_STRUCT_DAMAGED); },
         PF_PixelFormat_ARGB128, true, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"no handle suite", [](Host::HostProbe& p) { p.withholdSuite("PF Handle Suite"); },
         PF_PixelFormat_ARGB128, false, A_Err_MISSING_SUITE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        probe.clearFaults();
        const int depth = c.format == PF_PixelFormat_ARGB128 ? 32 : 8;
        Layer input(2, 2, depth), output(2, 2, depth);
        for (int y = 0; y < 2; ++y) std::memset(output.row(y), 5, 2 * output.bytesPerPixel());
        const Layer before = output;
        c.fault(probe);
        std::optional<A_Err> thrown;
        inRenderContext([&] {
            const GLuint target = makeFloatTexture(2, 2, nullptr);
            const GLuint framebuffer = attachToNewFramebuffer(target);
            try {
                unsigned long size = depth == 8 ? 4 : 16;
                GLenum type = depth == 8 ? GL_UNSIGNED_BYTE : GL_FLOAT;
                float multiplier = 0;
                if (c.uploadFirst) {
                    glDeleteTextures(
                        1, std::array{upload(c.format, input, size, type, multiplier)}.data());
                } else {
                    download(c.format, input, output, size, type);
                }
            } catch (A_Err e) {
                thrown = e;
            }
            glDeleteFramebuffers(1, &framebuffer);
            glDeleteTextures(1, &target);
        });
        EXPECT_EQ(thrown, std::optional<A_Err>(c.code));
        EXPECT_TRUE(sameRows(output, before));
        EXPECT_EQ(probe.outstandingSuites(), 0);
        EXPECT_EQ(probe.liveHandles(), 0);
    }
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
