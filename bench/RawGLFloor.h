// The floor the render command is measured against: the same GL work as one frame of the
// effect (the upload into an RGBA32F texture, one full-frame draw of the same compositing
// program, the multisample resolve, the output pass, the read-back) in plain GL calls and
// nothing else, in a context of its own.
#pragma once

#include <memory>
#include <vector>

#include "Host/Layer.h"

namespace Corvane::Tessory::Bench {

class RawGLFloor {
  public:
    /// Time of each step of one frame, in seconds.
    struct Steps {
        double upload = 0, draw = 0, endDrawing = 0, readback = 0;
    };

    /// Builds the programs, framebuffers and targets for frames of that size with the
    /// effect's default settings and that many instances. fresh: the input texture, the
    /// multisample renderbuffer and the resolve texture are made and deleted in every
    /// frame, as the effect's frame sequence does; otherwise they are made once. Leaves the
    /// floor's context current. Throws std::runtime_error when a program does not build.
    RawGLFloor(int width, int height, int instances, bool fresh);
    /// Deletes every object, with the floor's context current.
    ~RawGLFloor();
    RawGLFloor(const RawGLFloor&) = delete;
    RawGLFloor& operator=(const RawGLFloor&) = delete;

    /// One frame into the output layer, with the floor's context made current first. With
    /// steps, glFinish before each clock reading puts each step's GL work in its own time;
    /// without, the frame runs unbroken and ends with the read-back, as a command does.
    void frame(Steps* steps = nullptr);
    const Host::Layer& output() const { return mOutput; }

  private:
    int mWidth, mHeight;
    bool mFresh;
    int mSamples = 0;
    Host::Layer mInput, mOutput;
    std::vector<unsigned char> mRead;
    unsigned int mComposite = 0, mPresent = 0, mVertexArray = 0, mVertexBuffer = 0;
    unsigned int mFramebuffers[3] = {0, 0, 0};  // multisample, resolve, output
    unsigned int mMultisample = 0, mOutputColour = 0, mResolved = 0, mTexture = 0;
};

}  // namespace Corvane::Tessory::Bench
