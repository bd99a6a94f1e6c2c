#pragma once
// One applied effect driven through the host runtime: loads the plug-in module, runs its
// global and parameter set-up, and renders pictures at given times.
#include <memory>
#include <string>
#include <vector>

#include "media/Image.h"
#include "params/ParamInfo.h"

namespace Corvane::Tessory::Host {
class HostApp;
class Layer;
class PluginModule;
class EffectInstance;
}  // namespace Corvane::Tessory::Host

namespace Corvane::Tessory::Cli {

class Renderer {
  public:
    // Throws InputError when the module cannot be loaded or refuses its set-up. What the
    // plug-in prints is shown on stderr when verbose, or when one of its commands fails.
    // renderer is "auto", "gl" or "cpu" (anything else is an InputError); verbose says on
    // stderr which one renders.
    explicit Renderer(const std::string& pluginPath, bool verbose = false,
                      const std::string& renderer = "auto");
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    const std::string& pluginPath() const { return mPluginPath; }

    // The registered list, position 0 being the input layer; hidden reflects both the
    // registration flags and what the visibility handler set.
    std::vector<ParamInfo> params() const;
    std::string about();

    void setValue(int index, const ParamValue& value);
    // Whether the checkbox of that name is on in its value or any keyframe.
    bool everOn(const std::string& name) const;
    void setKeyframes(int index, const std::vector<Keyframe>& keys);
    // Renders at 1/factor of the size, as a host's draft resolution does.
    void setDownsample(int factor);
    int downsample() const { return mDownsample; }

    // GL_MAX_TEXTURE_SIZE of the host's GL; 0 when it cannot be asked or frames render on
    // the CPU.
    int maxTextureSize();
    // Throws InputError when a frame of this size cannot be rendered.
    void checkFrameSize(int width, int height);

    // One frame at the given time into result, which takes the input's size (divided by
    // the downsample factor) and keeps its buffer when it has that size already. The
    // host's layers are kept from frame to frame while the size stays; result may be the
    // input itself. Throws std::runtime_error when the plug-in reports an error. The input
    // is in R, G, B, A order, and so is the result.
    void render(const Image& input, double seconds, double fps, Image& result);
    Image render(const Image& input, double seconds, double fps);
    // As render, for a frame in the host's A, R, G, B order without downsampling: the
    // frame's memory and the result's are lent to the host's layers, so no pixel is
    // copied, and the result comes in that order too. result must not be the input.
    void renderHostOrder(Image& input, double seconds, double fps, Image& result);
    /// Frees the host's two layers; the next render makes them again. A still is written
    /// after its one render, and an encoder's buffers should not come on top of them.
    void releaseLayers();

  private:
    // The host's two layers, made again when the size changes.
    void prepareLayers(int width, int height);
    void runEffect(double seconds, double fps);

    std::string mPluginPath;
    std::unique_ptr<Host::HostApp> mApp;
    std::unique_ptr<Host::PluginModule> mModule;
    std::unique_ptr<Host::EffectInstance> mEffect;
    std::unique_ptr<Host::Layer> mInput;
    std::unique_ptr<Host::Layer> mOutput;
    Image mScaled;  // the downsampled input
    int mDownsample = 1;
    int mMaxTexture = -1;
    bool mSetUp = false;
    bool mVerbose = false;
};

}  // namespace Corvane::Tessory::Cli
