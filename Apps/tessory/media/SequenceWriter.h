#pragma once
// Frames written as a numbered sequence of pictures, each file atomically (written beside
// its name, then renamed). A run that does not finish removes the files it wrote, so a
// half-written sequence never looks complete.
#include <cstdint>
#include <string>
#include <vector>

#include "media/FrameSink.h"
#include "media/SequencePattern.h"

namespace Corvane::Tessory::Cli {

class SequenceWriter final : public FrameSink {
  public:
    // Frames are numbered from firstNumber. Throws InputError when the folder is missing.
    SequenceWriter(const SequencePattern& pattern, int64_t firstNumber);
    ~SequenceWriter() override;
    SequenceWriter(const SequenceWriter&) = delete;
    SequenceWriter& operator=(const SequenceWriter&) = delete;

    void write(const Image& image, double seconds) override;
    void finish() override { mFinished = true; }

  private:
    SequencePattern mPattern;
    int64_t mNext;
    std::vector<std::string> mWritten;
    bool mFinished = false;
};

}  // namespace Corvane::Tessory::Cli
