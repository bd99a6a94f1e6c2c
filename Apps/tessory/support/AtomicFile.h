#pragma once
// Writes an output through a temporary file beside it, so a failed or interrupted run never
// leaves a half-written file or clobbers an existing one: the rename happens only on commit.
#include <string>

namespace Corvane::Tessory::Cli {

class AtomicFile {
  public:
    // Reserves the temporary file at once, so an unwritable destination is reported before
    // any work is done. Throws InputError naming the destination.
    explicit AtomicFile(std::string target);
    // The checks on the name alone (empty, a directory, a missing folder), for reporting
    // them before anything else is looked at. Throws InputError.
    static void checkTarget(const std::string& target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Where the writer writes. It keeps the target's extension, so format detection by name
    // sees the same format as for the target.
    const std::string& tempPath() const { return mTemp; }
    const std::string& target() const { return mTarget; }

    // Moves the finished temporary file over the target. Throws InputError on failure.
    void commit();

  private:
    std::string mTarget;
    std::string mTemp;
    bool mCommitted = false;
};

}  // namespace Corvane::Tessory::Cli
