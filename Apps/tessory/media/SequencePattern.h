#pragma once
// A printf-style numbered file name, "shot_%04d.png": one %d, optionally zero-padded to a
// width, stands for the frame number.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Corvane::Tessory::Cli {

class SequencePattern {
  public:
    /// The pattern in path, if it has one (exactly one %d or %0Nd, no other %).
    static std::optional<SequencePattern> parse(const std::string& path);

    const std::string& text() const { return mText; }
    /// The file name of frame number n.
    std::string name(int64_t n) const;
    /// The numbers of the existing files that match, in order. A file whose number is
    /// shorter than the padding does not match.
    std::vector<int64_t> existing() const;

  private:
    std::string mText;
    std::string mPrefix;  // folder and file name before the number
    std::string mSuffix;
    int mWidth = 0;  // zero padding; 0 for none
};

}  // namespace Corvane::Tessory::Cli
