// The largest frame a host takes, in pixels: checked against a file's or a host's stated
// size before anything of that size is allocated.
#pragma once

#include <cstdint>
#include <string>

namespace Corvane::Tessory::Host {

class PixelLimit {
  public:
    /// 500 million pixels: fifteen 8K frames, a 22,000 x 22,000 still. A still takes about
    /// 12 bytes a pixel while it renders (the picture and the host's two layers), so this
    /// is about 6 GB: a workstation holds it, and larger is refused before it is tried.
    static constexpr int64_t kDefault = 500'000'000;

    explicit PixelLimit(int64_t maxPixels = kDefault) : mMax(maxPixels) {}
    /// TESSORY_MAX_PIXELS when it is a positive whole number, else the default: the
    /// bridges have no command line.
    static PixelLimit fromEnvironment();

    int64_t maxPixels() const { return mMax; }
    bool allows(int64_t width, int64_t height) const;
    /// "60000x60000 (3600000000 pixels), over the limit of 500000000 pixels"
    std::string describe(int64_t width, int64_t height) const;

  private:
    int64_t mMax;
};

}  // namespace Corvane::Tessory::Host
