// Pixel transfer between host layers and GL for 8, 16 and 32 bits per channel.
#include <cstring>

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
    struct Upload {
        GLuint texture = 0;
        unsigned long size = 0;
        GLenum type = GL_NONE;
        float multiplier = 0;
    };
    Upload upload(int format, Layer& layer) {
        Upload u;
        u.texture = U::UploadTexture(format, layer.def(), nullptr, &in, u.size, u.type,
                                     u.multiplier, false);
        return u;
    }
    // Uploads, reads the texture back through a framebuffer into output and returns what
    // the texture held.
    std::vector<float> roundTrip(int format, Layer& input, Layer& output, Upload* result) {
        std::vector<float> texels;
        inRenderContext([&] {
            *result = upload(format, input);
            texels = readTexture(result->texture, input.width(), input.height());
            const GLuint framebuffer = attachToNewFramebuffer(result->texture);
            U::DownloadTexture(static_cast<uint32_t>(input.width()),
                               static_cast<uint32_t>(input.height()), input.def(), output.def(),
                               &in, format, result->size, result->type);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glDeleteFramebuffers(1, &framebuffer);
            glDeleteTextures(1, &result->texture);
        });
        return texels;
    }
    void expectHostClean() {
        EXPECT_EQ(probe.outstandingSuites(), 0);
        EXPECT_EQ(probe.liveHandles(), 0);
    }
};

template <typename Pixel>
bool samePixel(const Pixel& a, const Pixel& b) {
    return std::memcmp(&a, &b, sizeof(Pixel)) == 0;
}

TEST_F(TransferTest, EightBitsRoundTripThroughPaddedRows) {
    Layer input(5, 3, 8, 12);
    Layer output(5, 3, 8, 20);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            input.pixel8(x, y) =
                PF_Pixel{static_cast<A_u_char>(255 - 40 * y), static_cast<A_u_char>(10 * x),
                         static_cast<A_u_char>(y), static_cast<A_u_char>(x + 16 * y)};
        }
    }
    input.pixel8(0, 0) = PF_Pixel{255, 10, 20, 30};
    Upload u;
    const std::vector<float> texels = roundTrip(PF_PixelFormat_ARGB32, input, output, &u);
    EXPECT_EQ(u.size, 4u);
    EXPECT_EQ(u.type, GL_UNSIGNED_BYTE);
    EXPECT_EQ(u.multiplier, 1.0f);
    // Slots r, g, b, a hold alpha, red, green, blue; texture row 0 is host row 0.
    EXPECT_FLOAT_EQ(texels[0], 1.0f);
    EXPECT_FLOAT_EQ(texels[1], 10.0f / 255);
    EXPECT_FLOAT_EQ(texels[2], 20.0f / 255);
    EXPECT_FLOAT_EQ(texels[3], 30.0f / 255);
    EXPECT_FLOAT_EQ(texels[(2 * 5 + 4) * 4 + 3], (4 + 32) / 255.0f);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_TRUE(samePixel(output.pixel8(x, y), input.pixel8(x, y))) << x << "," << y;
        }
    }
    EXPECT_TRUE(output.paddingIntact());
    EXPECT_TRUE(input.paddingIntact());
    expectHostClean();
}

TEST_F(TransferTest, SixteenBitsRoundTripWithTheirMultiplier) {
    Layer input(4, 3, 16, 24);
    Layer output(4, 3, 16, 8);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            input.pixel16(x, y) =
                PF_Pixel16{32768, static_cast<A_u_short>(1000 * x + y),
                           static_cast<A_u_short>(8192 * y), static_cast<A_u_short>(32768 - 7 * x)};
        }
    }
    Upload u;
    const std::vector<float> texels = roundTrip(PF_PixelFormat_ARGB64, input, output, &u);
    EXPECT_EQ(u.size, 8u);
    EXPECT_EQ(u.type, GL_UNSIGNED_SHORT);
    uint32_t bits = 0;
    std::memcpy(&bits, &u.multiplier, 4);
    EXPECT_EQ(bits, 0x3FFFFF00u);
    EXPECT_EQ(u.multiplier, 1.999969482421875f);
    // Sampled value times the multiplier is the host's 0..1 scale.
    EXPECT_NEAR(texels[0] * u.multiplier, 1.0, 1e-6);
    EXPECT_NEAR(texels[(1 * 4 + 2) * 4 + 1] * u.multiplier, 2001.0 / 32768, 1e-6);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_TRUE(samePixel(output.pixel16(x, y), input.pixel16(x, y))) << x << "," << y;
        }
    }
    EXPECT_TRUE(output.paddingIntact());
    expectHostClean();
}

TEST_F(TransferTest, FloatsRoundTripThroughTheIterator) {
    Layer input(3, 4, 32, 16);
    Layer output(3, 4, 32, 32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) {
            input.pixelF(x, y) = PF_PixelFloat{1.0f - 0.25f * y, 1.5f * x, -0.125f * y,
                                               0.1f * static_cast<float>(x + 3 * y)};
        }
    }
    Upload u;
    const std::vector<float> texels = roundTrip(PF_PixelFormat_ARGB128, input, output, &u);
    EXPECT_EQ(u.size, 16u);
    EXPECT_EQ(u.type, GL_FLOAT);
    EXPECT_EQ(u.multiplier, 1.0f);
    EXPECT_EQ(texels[(3 * 3 + 2) * 4 + 1], 3.0f);  // red of (2, 3), above 1 kept
    EXPECT_EQ(texels[(3 * 3 + 2) * 4 + 2], -0.375f);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_TRUE(samePixel(output.pixelF(x, y), input.pixelF(x, y))) << x << "," << y;
        }
    }
    EXPECT_TRUE(output.paddingIntact());
    EXPECT_EQ(probe.countCalls("iterate"), 2);
    expectHostClean();
}

TEST_F(TransferTest, UnknownFormatThrows516InBothDirections) {
    Layer input(2, 2, 8);
    Layer output(2, 2, 8);
    output.fill(PF_Pixel{1, 2, 3, 4});
    inRenderContext([&] {
        EXPECT_THROW(
            {
                try {
                    upload(0x34333231, input);
                } catch (A_Err e) {
                    EXPECT_EQ(e, 516);
                    throw;
                }
            },
            A_Err);
        const GLuint target = makeFloatTexture(2, 2, nullptr);
        const GLuint framebuffer = attachToNewFramebuffer(target);
        try {
            U::DownloadTexture(2, 2, input.def(), output.def(), &in, 0x34333231, 4,
                               GL_UNSIGNED_BYTE);
            ADD_FAILURE() << "no throw";
        } catch (A_Err e) {
            EXPECT_EQ(e, 516);
        }
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &target);
    });
    EXPECT_TRUE(samePixel(output.pixel8(1, 1), PF_Pixel{1, 2, 3, 4}));
    expectHostClean();
}

TEST_F(TransferTest, FailedHandleAllocationThrows4AndWritesNothing) {
    Layer input(2, 2, 8);
    Layer output(2, 2, 8);
    output.fill(PF_Pixel{9, 9, 9, 9});
    probe.failCall("host_new_handle");
    inRenderContext([&] {
        try {
            U::DownloadTexture(2, 2, input.def(), output.def(), &in, PF_PixelFormat_ARGB32, 4,
                               GL_UNSIGNED_BYTE);
            ADD_FAILURE() << "no throw";
        } catch (A_Err e) {
            EXPECT_EQ(e, 4);
        }
    });
    EXPECT_TRUE(samePixel(output.pixel8(0, 0), PF_Pixel{9, 9, 9, 9}));
    expectHostClean();
}

TEST_F(TransferTest, IteratorAndSuiteFailuresAreThrownAndSuitesGivenBack) {
    Layer input(2, 2, 32);
    Layer output(2, 2, 32);
    probe.failCall("iterate", 1, PF_Err_INTERNAL_STRUCT_DAMAGED);
    inRenderContext([&] {
        try {
            upload(PF_PixelFormat_ARGB128, input);
            ADD_FAILURE() << "no throw";
        } catch (A_Err e) {
            EXPECT_EQ(e, PF_Err_INTERNAL_STRUCT_DAMAGED);
        }
    });
    probe.withholdSuite("PF Handle Suite");
    inRenderContext([&] {
        try {
            U::DownloadTexture(2, 2, input.def(), output.def(), &in, PF_PixelFormat_ARGB128, 16,
                               GL_FLOAT);
            ADD_FAILURE() << "no throw";
        } catch (A_Err e) {
            EXPECT_EQ(e, A_Err_MISSING_SUITE);
        }
    });
    expectHostClean();
}

TEST_F(TransferTest, NullSuiteTablesAndFailedPixelCallbacksAreThrownNotFollowed) {
    Layer input(2, 2, 8);
    Layer output(2, 2, 8);
    output.fill(PF_Pixel{5, 5, 5, 5});
    probe.nullSuite("PF Handle Suite");
    probe.failCall("get_pixel_data8", 1, PF_Err_INTERNAL_STRUCT_DAMAGED);
    inRenderContext([&] {
        try {
            upload(PF_PixelFormat_ARGB32, input);
            ADD_FAILURE() << "no throw";
        } catch (A_Err e) {
            EXPECT_EQ(e, PF_Err_INTERNAL_STRUCT_DAMAGED);
        }
        try {
            U::DownloadTexture(2, 2, input.def(), output.def(), &in, PF_PixelFormat_ARGB32, 4,
                               GL_UNSIGNED_BYTE);
            ADD_FAILURE() << "no throw";
        } catch (A_Err e) {
            EXPECT_EQ(e, A_Err_MISSING_SUITE);
        }
    });
    EXPECT_TRUE(samePixel(output.pixel8(0, 0), PF_Pixel{5, 5, 5, 5}));
    expectHostClean();
}

TEST_F(TransferTest, CheckFramebufferStatusNamesTheProblem) {
    inRenderContext([&] {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);  // no default framebuffer in this context
        EXPECT_EQ(U::CheckFramebufferStatus(), "Unknown error!");
        GLuint framebuffer = 0;
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        EXPECT_EQ(U::CheckFramebufferStatus(), "Framebuffer incomplete, missing attachment!");
        GLuint empty = 0;
        glGenRenderbuffers(1, &empty);
        glBindRenderbuffer(GL_RENDERBUFFER, empty);  // no storage
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, empty);
        EXPECT_EQ(U::CheckFramebufferStatus(), "Framebuffer incomplete, incomplete attachment!");
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 4, 4);
        EXPECT_EQ(U::CheckFramebufferStatus(), "OK");
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &empty);
    });
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
