#include "media/SequenceWriter.h"

#include <cstdio>

#include "media/StillIO.h"
#include "support/AtomicFile.h"

namespace Corvane::Tessory::Cli {

SequenceWriter::SequenceWriter(const SequencePattern& pattern, int64_t firstNumber)
    : mPattern(pattern), mNext(firstNumber) {
    AtomicFile::checkTarget(pattern.name(firstNumber));
}

SequenceWriter::~SequenceWriter() {
    if (mFinished) return;
    for (const std::string& name : mWritten) std::remove(name.c_str());
}

void SequenceWriter::write(const Image& image, double /*seconds*/) {
    const std::string name = mPattern.name(mNext);
    AtomicFile file(name);
    StillIO::write(file.tempPath(), image, name);
    file.commit();
    mWritten.push_back(name);
    ++mNext;
}

}  // namespace Corvane::Tessory::Cli
