#include "media/SequenceReader.h"

#include <cmath>

#include "media/StillIO.h"
#include "support/InputError.h"

namespace Corvane::Tessory::Cli {

SequenceReader::SequenceReader(const SequencePattern& pattern, double fps,
                               const Host::PixelLimit& limit)
    : mPattern(pattern), mLimit(limit) {
    const std::vector<int64_t> numbers = pattern.existing();
    if (numbers.empty()) {
        throw InputError("cannot read input '" + pattern.text() + "': no file matches");
    }
    for (size_t i = 1; i < numbers.size(); ++i) {
        if (numbers[i] != numbers[i - 1] + 1) {
            throw InputError("input sequence '" + pattern.text() +
                             "' has a gap: " + pattern.name(numbers[i - 1] + 1) + " is missing");
        }
    }
    mFirstNumber = numbers.front();
    mCount = static_cast<int64_t>(numbers.size());
    // A rate given as a decimal is kept to a thousandth of a frame per second.
    mRateNum = static_cast<int>(std::llround(fps * 1000));
    mRateDen = 1000;
    mFirst = StillIO::read(pattern.name(mFirstNumber), mLimit);
}

bool SequenceReader::read(VideoFrame& frame) {
    if (mNext >= mCount) return false;
    const std::string name = mPattern.name(mFirstNumber + mNext);
    frame.image = mNext == 0 ? mFirst : StillIO::read(name, mLimit);
    if (frame.image.width() != width() || frame.image.height() != height()) {
        throw InputError("input sequence '" + mPattern.text() + "': " + name + " is " +
                         std::to_string(frame.image.width()) + "x" +
                         std::to_string(frame.image.height()) + ", the first picture " +
                         std::to_string(width()) + "x" + std::to_string(height()));
    }
    frame.index = mNext;
    frame.seconds = static_cast<double>(mNext) * mRateDen / mRateNum;
    ++mNext;
    return true;
}

}  // namespace Corvane::Tessory::Cli
