#pragma once
// `tessory render`: one still, or a whole video, through the effect.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Host/PixelLimit.h"
#include "commands/FrameRange.h"
#include "media/FrameSink.h"
#include "media/FrameSource.h"
#include "media/Image.h"
#include "media/SequencePattern.h"
#include "media/VideoWriter.h"
#include "support/AtomicFile.h"

namespace Corvane::Tessory::Cli {

class Renderer;
class VideoReader;

struct RenderOptions {
    std::string input;  // empty: the built-in demo picture
    std::string output;
    std::vector<std::string> sets;  // "NAME=VALUE", applied after the preset
    std::string preset;
    std::optional<double> time;         // seconds, for a single frame
    std::optional<std::string> frames;  // "A-B"
    std::optional<double> fps;          // frame rate when a still becomes a video
    int downsample = 1;
    int64_t maxPixels = Host::PixelLimit::kDefault;  // --max-pixels: the largest input frame
    bool quiet = false;
    std::string codec;   // --codec: an FFmpeg encoder; empty: the container's default
    int crf = -1;        // --crf; < 0: the codec's default here
    std::string pixFmt;  // --pix-fmt
    bool verbose = false;
};

class RenderJob {
  public:
    RenderJob(Renderer& renderer, RenderOptions options);

    // Throws InputError for bad input (nothing is written then) and std::runtime_error when
    // the plug-in fails.
    void run();

    // Frames written by the last run.
    int64_t framesWritten() const { return mFramesWritten; }

    // What run() would render, found with every check that run() makes (input, parameters,
    // output name, codec) and nothing written. A video's frames are counted, not decoded.
    struct Plan {
        FrameRange frames;  // the frames one run renders
        bool sequenceOut = false;
        bool stillOut = false;
    };
    Plan plan();
    // run() takes the rendered pictures from rendered, in order, instead of the renderer
    // (the parts of a split render); everything else is as it would be for one run. Throws
    // when rendered holds more or fewer frames.
    void takeRenderedFrom(FrameSource& rendered) { mRendered = &rendered; }

  private:
    void applyParameters();
    // plan() for a source or a still input.
    void planSource(FrameSource& source, VideoReader* video);
    void planStill(const Image& input);
    // The frames a still becomes without --frames: one second, or up to the last key.
    FrameRange stillRange(double fps) const;
    // Opens and drops the writer a video output would get, for its checks.
    void checkWriter(int width, int height, bool inputAlpha);
    // The next picture of mRendered into image; throws when there is none.
    void nextRendered(Image& image);
    void checkRenderedEnd();
    void stillToStill(Image& input);
    void stillToVideo(const Image& input);
    void sourceToStill(FrameSource& source);
    void sourceToVideo(FrameSource& source);
    // A numbered picture per frame from firstFrame on, or a video file through file.
    std::unique_ptr<FrameSink> openSink(std::optional<AtomicFile>& file,
                                        const VideoWriter::Options& options, int64_t firstFrame);
    // The writer's options for a frame of that size: codec choice, alpha, colour.
    VideoWriter::Options writerOptions(int width, int height, bool inputAlpha) const;
    // Tells on stderr what the writer says about alpha and audio (unless quiet).
    void report(const VideoWriter& writer) const;

    Renderer& mRenderer;
    RenderOptions mOptions;
    std::optional<FrameRange> mRange;
    std::optional<SequencePattern> mOutPattern;  // a numbered still output
    double mLastKeySeconds = 0;
    std::optional<Plan> mPlan;  // engaged while plan() runs
    FrameSource* mRendered = nullptr;
    int64_t mFramesWritten = 0;
};

}  // namespace Corvane::Tessory::Cli
