#pragma once
// `tessory farm`: one render split over a Slurm cluster. An array job renders the frame
// ranges, each task losslessly into a part of its own (FFV1 with alpha) in a work folder
// beside the output, or straight into the output when that is a numbered sequence. A join job
// that depends on the whole array encodes the parts once into the output, as `tessory render`
// would have, with the input's audio and frame times, and removes the work folder.
#include <cstdint>
#include <string>
#include <vector>

#include "commands/FrameRange.h"
#include "commands/RenderJob.h"

namespace Corvane::Tessory::Cli {

class Renderer;

struct FarmOptions {
    RenderOptions render;
    std::string plugin;             // the module the tasks load
    std::string renderer = "auto";  // --renderer for the tasks
    int tasks = 0;                  // --tasks; 0: from framesPerTask
    int64_t framesPerTask = 0;      // --frames-per-task
    std::string partition;          // --partition
    std::string timeLimit;          // --time
    std::vector<std::string> sbatchArgs;
    bool wait = false;
    bool dryRun = false;
    bool resume = false;
    bool join = false;  // run as the join job
};

class FarmJob {
  public:
    FarmJob(Renderer& renderer, FarmOptions options);

    // Plans, writes the job scripts and submits them (or prints them, or joins). Returns the
    // exit status; throws InputError for bad input before anything is submitted.
    int run();

  private:
    struct Task {
        FrameRange frames;
        bool done = false;
    };

    void planTasks();
    int join();
    int wait(const std::string& renderJob, const std::string& joinJob);
    // The job scripts' text.
    std::string renderScript(const std::vector<int>& indices) const;
    std::string joinScript() const;
    // sbatch's arguments before the script: the user's and the log file in the work folder;
    // the join's also depend on renderJob (empty when every part is there).
    std::vector<std::string> sbatchOptions(const std::string& log) const;
    std::vector<std::string> joinOptions(const std::string& renderJob) const;
    // The command line of a task's render, and of the join, quoted for sh.
    std::string renderCommand() const;
    std::string joinCommand() const;
    std::string command(bool join) const;
    std::string partPath(int task) const;
    std::string donePath(int task) const;
    std::string describe(int task) const;

    Renderer& mRenderer;
    FarmOptions mOptions;
    RenderJob::Plan mPlan;
    std::vector<Task> mTasks;
    std::string mWork;  // the work folder beside the output
    std::string mSelf;  // this program, by its absolute path
};

}  // namespace Corvane::Tessory::Cli
