#include "commands/RenderJob.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <mutex>
#include <thread>

#include "commands/BoundedQueue.h"
#include "commands/Renderer.h"
#include "demo/DemoPicture.h"
#include "media/ImagePool.h"
#include "media/SequencePattern.h"
#include "media/SequenceReader.h"
#include "media/SequenceWriter.h"
#include "media/StillIO.h"
#include "media/VideoReader.h"
#include "params/ParamParser.h"
#include "params/Preset.h"
#include "support/AtomicFile.h"
#include "support/InputError.h"
#include "support/Interruption.h"
#include "support/Progress.h"

namespace Corvane::Tessory::Cli {

namespace {

constexpr size_t kQueueDepth = 2;  // frames in flight on each side of the renderer
constexpr double kDefaultFps = 30;

void requireReadable(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw InputError("cannot read input '" + path + "': no such file");
    }
    if (std::filesystem::is_directory(path, ec)) {
        throw InputError("cannot read input '" + path + "': it is a directory");
    }
}

// First failure of any thread of a pipeline; the others stop when it is set.
class FirstError {
  public:
    void set(std::exception_ptr e) {
        std::lock_guard lock(mMutex);
        if (!mError) mError = e;
    }
    void rethrow() {
        if (mError) std::rethrow_exception(mError);
    }

  private:
    std::mutex mMutex;
    std::exception_ptr mError;
};

}  // namespace

RenderJob::RenderJob(Renderer& renderer, RenderOptions options)
    : mRenderer(renderer), mOptions(std::move(options)) {}

VideoWriter::Options RenderJob::writerOptions(int width, int height, bool inputAlpha) const {
    VideoWriter::Options vo;
    const int ds = mRenderer.downsample();
    vo.width = (width + ds - 1) / ds;
    vo.height = (height + ds - 1) / ds;
    // Alpha worth keeping: the effect's transparent background, or an input that has some.
    vo.alpha = inputAlpha || mRenderer.everOn("Transparent Background");
    vo.codec = mOptions.codec;
    vo.crf = mOptions.crf;
    vo.pixFmt = mOptions.pixFmt;
    return vo;
}

void RenderJob::report(const VideoWriter& writer) const {
    if (mOptions.verbose) std::fprintf(stderr, "tessory: video %s\n", writer.description().c_str());
    // Lost alpha is a warning even in quiet runs; the audio note is information.
    if (!writer.alphaNote().empty()) {
        std::fprintf(stderr, "tessory: warning: %s\n", writer.alphaNote().c_str());
    }
    if (!mOptions.quiet && !writer.audioNote().empty()) {
        std::fprintf(stderr, "tessory: %s\n", writer.audioNote().c_str());
    }
}

void RenderJob::applyParameters() {
    const ParamParser parser(mRenderer.params());
    if (!mOptions.preset.empty()) {
        const Preset preset = Preset::load(mOptions.preset, parser);
        for (const Preset::Entry& e : preset.entries()) {
            if (e.animated) {
                mRenderer.setKeyframes(e.index, e.keys);
                mLastKeySeconds = std::max(mLastKeySeconds, e.keys.back().seconds);
            } else {
                mRenderer.setValue(e.index, e.value);
            }
        }
    }
    for (const std::string& set : mOptions.sets) {
        const auto [param, value] = parser.assignment(set);
        mRenderer.setValue(param->index, value);
    }
}

void RenderJob::run() {
    mFramesWritten = 0;
    // A numbered still name ("f_%04d.png") is a sequence of pictures, in or out.
    const bool stillName = StillIO::isStillName(mOptions.output);
    mOutPattern = stillName ? SequencePattern::parse(mOptions.output) : std::nullopt;
    const bool stillOut = stillName && !mOutPattern;
    AtomicFile::checkTarget(mOutPattern ? mOutPattern->name(0) : mOptions.output);
    if (mOptions.frames) mRange = FrameRange::parse(*mOptions.frames);
    if (mOptions.time && (!std::isfinite(*mOptions.time) || *mOptions.time < 0)) {
        throw InputError("--time must be 0 or more seconds");
    }
    if (mOptions.fps && !(*mOptions.fps > 0 && *mOptions.fps <= 1000)) {
        throw InputError("--fps must be above 0 and at most 1000");
    }
    mRenderer.setDownsample(mOptions.downsample);
    applyParameters();

    if (!stillName && !VideoWriter::isVideoName(mOptions.output)) {
        throw InputError("cannot write output '" + mOptions.output +
                         "': unknown format (use a still such as .png, .jpg, .tif, .exr, a "
                         "numbered still such as f_%04d.png, or a video such as .mp4, .mov, .mkv)");
    }
    if (stillOut && mRange && mRange->count() > 1) {
        throw InputError(
            "a still output takes one frame; give --frames N, a numbered output such as "
            "f_%04d.png, or a video output");
    }
    if (mOptions.time && mRange) throw InputError("give either --time or --frames, not both");
    if (!stillOut && mOptions.time) {
        throw InputError("--time picks the frame of a still output; use --frames for video");
    }

    const bool stillIn = mOptions.input.empty() || StillIO::isStillName(mOptions.input);
    const std::optional<SequencePattern> inPattern =
        stillIn && !mOptions.input.empty() ? SequencePattern::parse(mOptions.input) : std::nullopt;
    if (mPlan) *mPlan = Plan{FrameRange{}, mOutPattern.has_value(), stillOut};
    if (inPattern) {
        SequenceReader reader(*inPattern, mOptions.fps.value_or(kDefaultFps),
                              Host::PixelLimit(mOptions.maxPixels));
        if (mPlan) return planSource(reader, nullptr);
        stillOut ? sourceToStill(reader) : sourceToVideo(reader);
        return;
    }
    if (!stillIn) {
        requireReadable(mOptions.input);
        if (mOptions.fps) {
            throw InputError("--fps is for still input and sequences; a video keeps its rate");
        }
        VideoReader reader(mOptions.input, Host::PixelLimit(mOptions.maxPixels));
        if (mPlan) return planSource(reader, &reader);
        stillOut ? sourceToStill(reader) : sourceToVideo(reader);
        return;
    }
    Image input;
    if (mOptions.input.empty()) {
        input = DemoPicture::make();
    } else {
        requireReadable(mOptions.input);
        input = StillIO::read(mOptions.input, Host::PixelLimit(mOptions.maxPixels));
    }
    mRenderer.checkFrameSize(input.width(), input.height());
    if (mPlan) return planStill(input);
    stillOut ? stillToStill(input) : stillToVideo(input);
}

RenderJob::Plan RenderJob::plan() {
    // While mPlan holds a value, run() fills it in and renders nothing.
    mPlan.emplace();
    struct Reset {
        std::optional<Plan>& plan;
        ~Reset() { plan.reset(); }
    } reset{mPlan};
    run();
    return *mPlan;
}

void RenderJob::planSource(FrameSource& source, VideoReader* video) {
    mRenderer.checkFrameSize(source.width(), source.height());
    const int64_t count = video ? video->countFrames() : source.expectedFrames();
    const FrameRange all{0, count - 1};
    FrameRange range = mRange.value_or(all);
    range.last = std::min(range.last, all.last);
    if (count == 0 || range.last < range.first) {
        throw InputError("input '" + mOptions.input + "' has no frames" +
                         (mRange ? " in " + *mOptions.frames : std::string()));
    }
    mPlan->frames = mPlan->stillOut ? FrameRange{range.first, range.first} : range;
    if (!mPlan->stillOut && !mOutPattern) {
        checkWriter(source.width(), source.height(), source.hasAlpha());
    }
}

void RenderJob::planStill(const Image& input) {
    const double fps = mOptions.fps.value_or(kDefaultFps);
    if (mPlan->stillOut) {
        const int64_t frame =
            mRange ? mRange->first : std::llround(mOptions.time.value_or(0) * fps);
        mPlan->frames = FrameRange{frame, frame};
        return;
    }
    mPlan->frames = stillRange(fps);
    if (!mOutPattern) checkWriter(input.width(), input.height(), input.hasAlpha());
}

FrameRange RenderJob::stillRange(double fps) const {
    return mRange
               ? *mRange
               : FrameRange{0, std::max<int64_t>(std::llround(fps) - 1,
                                                 std::llround(std::ceil(mLastKeySeconds * fps)))};
}

void RenderJob::checkWriter(int width, int height, bool inputAlpha) {
    const AtomicFile file(mOptions.output);
    const VideoWriter writer(file.tempPath(), mOptions.output,
                             writerOptions(width, height, inputAlpha));
}

void RenderJob::checkRenderedEnd() {
    VideoFrame extra;
    if (mRendered && mRendered->read(extra)) {
        throw std::runtime_error("the rendered parts hold more frames than the input");
    }
}

void RenderJob::nextRendered(Image& image) {
    VideoFrame part;
    part.image = std::move(image);
    if (!mRendered->read(part)) {
        throw std::runtime_error("the rendered parts end before the frames of the input");
    }
    image = std::move(part.image);
}

std::unique_ptr<FrameSink> RenderJob::openSink(std::optional<AtomicFile>& file,
                                               const VideoWriter::Options& options,
                                               int64_t firstFrame) {
    if (mOutPattern) {
        // Files are numbered by frame, so the parts of a split render do not overlap.
        return std::make_unique<SequenceWriter>(*mOutPattern, firstFrame);
    }
    file.emplace(mOptions.output);
    auto writer = std::make_unique<VideoWriter>(file->tempPath(), mOptions.output, options);
    report(*writer);
    return writer;
}

void RenderJob::stillToStill(Image& input) {
    const double fps = mOptions.fps.value_or(kDefaultFps);
    const double seconds = mRange ? mRange->first / fps : mOptions.time.value_or(0);
    AtomicFile file(mOptions.output);
    // The result takes the input's place: a still holds one picture and the host's two
    // layers while it renders, not a second picture besides.
    mRenderer.render(input, seconds, fps, input);
    mRenderer.releaseLayers();
    StillIO::write(file.tempPath(), input, mOptions.output);
    Interruption::check();
    file.commit();
    mFramesWritten = 1;
}

void RenderJob::stillToVideo(const Image& input) {
    const double fps = mOptions.fps.value_or(kDefaultFps);
    const FrameRange range = stillRange(fps);
    VideoWriter::Options vo = writerOptions(input.width(), input.height(), input.hasAlpha());
    // A rate given as a decimal is kept to a thousandth of a frame per second.
    vo.rateNum = static_cast<int>(std::llround(fps * 1000));
    vo.rateDen = 1000;
    std::optional<AtomicFile> file;
    const std::unique_ptr<FrameSink> sink = openSink(file, vo, range.first);
    Progress progress(range.count(), mOptions.quiet);
    Image result;
    for (int64_t i = range.first; i <= range.last; ++i) {
        Interruption::check();
        mRendered ? nextRendered(result) : mRenderer.render(input, i / fps, fps, result);
        sink->write(result, (i - range.first) / fps);
        progress.step();
        ++mFramesWritten;
    }
    checkRenderedEnd();
    sink->finish();
    progress.finish();
    Interruption::check();
    if (file) file->commit();
}

void RenderJob::sourceToStill(FrameSource& reader) {
    mRenderer.checkFrameSize(reader.width(), reader.height());
    const double fps = reader.fps();
    const double wanted = mOptions.time.value_or(0);
    AtomicFile file(mOptions.output);
    VideoFrame frame;
    while (reader.read(frame)) {
        Interruption::check();
        const double seconds = frame.seconds - reader.startSeconds();
        const bool hit = mRange ? frame.index == mRange->first : seconds >= wanted - 0.5 / fps;
        if (!hit) continue;
        const Image result = mRenderer.render(frame.image, seconds, fps);
        mRenderer.releaseLayers();
        StillIO::write(file.tempPath(), result, mOptions.output);
        file.commit();
        mFramesWritten = 1;
        return;
    }
    throw InputError(
        "input '" + mOptions.input + "' has no frame " +
        (mRange ? std::to_string(mRange->first) : "at " + formatNumber(wanted) + " s") +
        " (it has " + std::to_string(frame.index + (frame.image.empty() ? 0 : 1)) + " frames)");
}

void RenderJob::sourceToVideo(FrameSource& reader) {
    mRenderer.checkFrameSize(reader.width(), reader.height());
    const double fps = reader.fps();
    if (reader.bitDepth() > 8 && !mOptions.quiet) {
        std::fprintf(stderr, "tessory: the input has %d bits per channel; the effect works in 8\n",
                     reader.bitDepth());
    }

    VideoWriter::Options vo = writerOptions(reader.width(), reader.height(), reader.hasAlpha());
    vo.rateNum = reader.rateNum();
    vo.rateDen = reader.rateDen();
    // The input's own clock and colours: variable frame rates keep their times.
    vo.timeBase = reader.timeBase();
    vo.colour = reader.colour();
    vo.audioSource = reader.audioSource();
    vo.audioFrom = reader.startSeconds() + (mRange ? mRange->first / fps : 0.0);
    vo.audioUntil = mRange ? reader.startSeconds() + (mRange->last + 1) / fps : -1;

    std::optional<AtomicFile> file;
    const std::unique_ptr<FrameSink> sink = openSink(file, vo, mRange ? mRange->first : 0);
    FrameSink& writer = *sink;
    const int64_t expected =
        mRange ? (reader.expectedFrames() > 0
                      ? std::min(mRange->count(), reader.expectedFrames() - mRange->first)
                      : mRange->count())
               : reader.expectedFrames();
    Progress progress(std::max<int64_t>(expected, 0), mOptions.quiet);
    // Frames stay in the host's byte order from decoder to encoder where both ends can, so
    // the renderer copies nothing.
    const bool hostOrder = !mRendered && mRenderer.downsample() == 1 && writer.takesHostOrder() &&
                           reader.deliverHostOrder();

    // Decoding and encoding run on threads of their own; the renderer stays on this one,
    // where the host's GL context lives.
    struct Rendered {
        Image image;
        double seconds = 0;
    };
    BoundedQueue<VideoFrame> decoded(kQueueDepth);
    BoundedQueue<Rendered> rendered(kQueueDepth);
    // Each stage hands its pictures back to the one that fills them, so no frame after the
    // first few allocates.
    ImagePool decodedSpare(kQueueDepth + 2);
    ImagePool renderedSpare(kQueueDepth + 2);
    FirstError error;
    auto stopAll = [&] {
        decoded.abort();
        rendered.abort();
    };

    std::thread decoder([&] {
        try {
            VideoFrame frame;
            while (reader.read(frame)) {
                Interruption::check();
                if (mRange && frame.index > mRange->last) break;
                if (mRange && frame.index < mRange->first) continue;  // decoded, not rendered
                if (!decoded.push(std::move(frame))) break;
                frame = VideoFrame();
                frame.image = decodedSpare.take();
            }
            decoded.close();
        } catch (...) {
            error.set(std::current_exception());
            stopAll();
        }
    });
    std::thread encoder([&] {
        try {
            Rendered item;
            while (rendered.pop(item)) {
                writer.write(item.image, item.seconds);
                renderedSpare.give(std::move(item.image));
            }
        } catch (...) {
            error.set(std::current_exception());
            stopAll();
        }
    });

    try {
        VideoFrame frame;
        std::optional<double> origin;
        while (decoded.pop(frame)) {
            Interruption::check();
            if (!origin) origin = frame.seconds;
            const double seconds = frame.seconds - reader.startSeconds();
            Rendered item{renderedSpare.take(), frame.seconds - *origin};
            if (mRendered) {
                nextRendered(item.image);
            } else if (hostOrder) {
                mRenderer.renderHostOrder(frame.image, seconds, fps, item.image);
            } else {
                mRenderer.render(frame.image, seconds, fps, item.image);
            }
            decodedSpare.give(std::move(frame.image));
            if (!rendered.push(std::move(item))) break;
            ++mFramesWritten;
            progress.step();
        }
        rendered.close();
    } catch (...) {
        error.set(std::current_exception());
        stopAll();
    }
    decoder.join();
    encoder.join();
    error.rethrow();

    if (mFramesWritten == 0) {
        throw InputError("input '" + mOptions.input + "' has no frames" +
                         (mRange ? " in " + *mOptions.frames : std::string()));
    }
    checkRenderedEnd();
    writer.finish();
    progress.finish();
    Interruption::check();
    if (file) file->commit();
}

}  // namespace Corvane::Tessory::Cli
