#include "commands/FarmJob.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "media/PartsReader.h"
#include "media/SequencePattern.h"
#include "support/InputError.h"
#include "support/Interruption.h"

namespace Corvane::Tessory::Cli {

namespace fs = std::filesystem;

namespace {

// Words the shell takes as they are stay bare, so the scripts read as one would type them.
std::string quote(const std::string& text) {
    const bool plain = !text.empty() && text.find_first_not_of(
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                            "0123456789_./=:,+-@") == std::string::npos;
    if (plain) return text;
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string absolute(const std::string& path) {
    return path.empty() ? path : fs::absolute(path).lexically_normal().string();
}

struct Captured {
    int status = -1;
    std::string output;  // stdout and stderr together
};

// Runs a shell command line and takes what it prints (errors that quote it are put on one
// line where the program reports them).
Captured capture(const std::string& command) {
    Captured result;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    while (!result.output.empty() &&
           (result.output.back() == '\n' || result.output.back() == ' ')) {
        result.output.pop_back();
    }
    return result;
}

std::string joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words) out += (out.empty() ? "" : " ") + quote(w);
    return out;
}

// sbatch --parsable prints "id" or "id;cluster".
std::string submit(const std::vector<std::string>& arguments, const std::string& script) {
    const Captured c = capture("sbatch --parsable " + joined(arguments) + " " + quote(script));
    if (c.status != 0) {
        throw std::runtime_error("sbatch refused the job: " + c.output);
    }
    return c.output.substr(0, c.output.find(';'));
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr const char* kRenderLog = "render-%A_%a.out";

}  // namespace

FarmJob::FarmJob(Renderer& renderer, FarmOptions options)
    : mRenderer(renderer), mOptions(std::move(options)) {
    RenderOptions& r = mOptions.render;
    // The jobs run elsewhere, perhaps in another folder: every path is made absolute.
    r.input = absolute(r.input);
    r.output = absolute(r.output);
    r.preset = absolute(r.preset);
    mOptions.plugin = absolute(mOptions.plugin);
    std::error_code ec;
    mSelf = fs::read_symlink("/proc/self/exe", ec).string();
    if (ec) throw std::runtime_error("cannot find this program's own path");
    const fs::path out(r.output);
    std::string name = out.filename().string();
    for (char& c : name) {
        if (c == '%') c = '_';
    }
    mWork = (out.parent_path() / ("." + name + ".tessory-farm")).string();
}

void FarmJob::planTasks() {
    const bool hasTasks = mOptions.tasks > 0, hasSize = mOptions.framesPerTask > 0;
    if (hasTasks == hasSize) throw InputError("give either --tasks N or --frames-per-task N");
    if (mOptions.tasks < 0 || mOptions.framesPerTask < 0) {
        throw InputError("--tasks and --frames-per-task take a number above 0");
    }
    RenderOptions check = mOptions.render;
    check.quiet = true;
    mPlan = RenderJob(mRenderer, check).plan();
    if (mPlan.stillOut) {
        throw InputError(
            "a farm renders a video or a numbered sequence such as f_%04d.png; "
            "for one picture use tessory render");
    }
    const int64_t n = mPlan.frames.count();
    const int64_t count = hasTasks ? std::min<int64_t>(mOptions.tasks, n)
                                   : (n + mOptions.framesPerTask - 1) / mOptions.framesPerTask;
    // --tasks spreads the frames evenly; --frames-per-task cuts whole tasks, the last shorter.
    auto start = [&](int64_t i) {
        return mPlan.frames.first + (hasTasks ? i * n / count : i * mOptions.framesPerTask);
    };
    for (int64_t i = 0; i < count; ++i) {
        const int64_t first = start(i);
        const int64_t last = std::min(start(i + 1) - 1, mPlan.frames.last);
        Task task{FrameRange{first, last}};
        std::error_code ec;
        task.done = fs::exists(donePath(static_cast<int>(i)), ec);
        mTasks.push_back(task);
    }
}

std::string FarmJob::partPath(int task) const {
    char name[32];
    std::snprintf(name, sizeof name, "part-%04d.mkv", task);
    return (fs::path(mWork) / name).string();
}

std::string FarmJob::donePath(int task) const {
    char name[32];
    std::snprintf(name, sizeof name, "done-%04d", task);
    return (fs::path(mWork) / name).string();
}

std::string FarmJob::describe(int task) const {
    const FrameRange& f = mTasks[task].frames;
    return "frames " + std::to_string(f.first) + "-" + std::to_string(f.last);
}

std::string FarmJob::renderCommand() const {
    return command(false);
}

std::string FarmJob::joinCommand() const {
    return command(true);
}

std::string FarmJob::command(bool join) const {
    const RenderOptions& r = mOptions.render;
    std::vector<std::string> words{mSelf, "--plugin", mOptions.plugin, "--renderer",
                                   mOptions.renderer};
    auto add = [&](const std::string& option, const std::string& value) {
        words.push_back(option);
        words.push_back(value);
    };
    if (join) {
        words.insert(words.end(), {"farm", "--join"});
        add("--tasks", std::to_string(mTasks.size()));
        add("--output", r.output);
        if (r.frames) add("--frames", *r.frames);
    } else {
        // The task's range and output follow in the script.
        words.insert(words.end(), {"render", "--quiet"});
    }
    if (!r.input.empty()) add("--input", r.input);
    if (!r.preset.empty()) add("--preset", r.preset);
    for (const std::string& set : r.sets) add("--set", set);
    if (r.fps) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%.17g", *r.fps);  // every digit: times must agree
        add("--fps", rate);
    }
    if (r.downsample != 1) add("--downsample", std::to_string(r.downsample));
    add("--max-pixels", std::to_string(r.maxPixels));
    if (!join && !mPlan.sequenceOut) {
        // A task's part keeps every bit of the effect's pictures, alpha included; the join
        // encodes them as the user asked.
        add("--codec", "ffv1");
        add("--pix-fmt", "bgra");
    } else if (join) {
        if (!r.codec.empty()) add("--codec", r.codec);
        if (r.crf >= 0) add("--crf", std::to_string(r.crf));
        if (!r.pixFmt.empty()) add("--pix-fmt", r.pixFmt);
    }
    return joined(words);
}

std::vector<std::string> FarmJob::sbatchOptions(const std::string& log) const {
    // On the command line rather than in the script: a work folder may have spaces.
    std::vector<std::string> options{"--output=" + mWork + "/logs/" + log};
    if (!mOptions.partition.empty()) options.push_back("--partition=" + mOptions.partition);
    if (!mOptions.timeLimit.empty()) options.push_back("--time=" + mOptions.timeLimit);
    options.insert(options.end(), mOptions.sbatchArgs.begin(), mOptions.sbatchArgs.end());
    return options;
}

std::vector<std::string> FarmJob::joinOptions(const std::string& renderJob) const {
    std::vector<std::string> options = sbatchOptions("join-%j.out");
    if (!renderJob.empty()) {
        // A join whose renders failed could never start: Slurm drops it instead.
        options.insert(options.end(),
                       {"--dependency=afterok:" + renderJob, "--kill-on-invalid-dep=yes"});
    }
    return options;
}

std::string FarmJob::renderScript(const std::vector<int>& indices) const {
    std::string array;
    for (int i : indices) array += (array.empty() ? "" : ",") + std::to_string(i);
    std::ostringstream s;
    s << "#!/bin/sh\n"
      << "#SBATCH --job-name=tessory-render\n"
      << "#SBATCH --array=" << array << "\n"
      << "set -u\n"
      << "case \"$SLURM_ARRAY_TASK_ID\" in\n";
    for (int i : indices) {
        const FrameRange& f = mTasks[i].frames;
        s << "  " << i << ") frames=" << f.first << "-" << f.last << " ;;\n";
    }
    s << "  *) echo \"tessory farm: no task $SLURM_ARRAY_TASK_ID\" >&2; exit 2 ;;\n"
      << "esac\n"
      << "n=$(printf %04d \"$SLURM_ARRAY_TASK_ID\")\n"
      // A part is complete once its marker exists: the render writes atomically, and the
      // marker follows only a render that succeeded.
      << renderCommand() << " --frames \"$frames\" --output "
      << (mPlan.sequenceOut ? quote(mOptions.render.output)
                            : quote(mWork + "/part-") + "\"$n\".mkv")
      << " || exit $?\n"
      << ": > " << quote(mWork + "/done-") << "\"$n\"\n";
    return s.str();
}

std::string FarmJob::joinScript() const {
    std::ostringstream s;
    s << "#!/bin/sh\n"
      << "#SBATCH --job-name=tessory-join\n"
      << "exec " << joinCommand() << "\n";
    return s.str();
}

int FarmJob::run() {
    planTasks();
    if (mOptions.join) return join();

    std::vector<int> missing;
    for (size_t i = 0; i < mTasks.size(); ++i) {
        if (!mTasks[i].done) missing.push_back(static_cast<int>(i));
    }
    const std::string renderText = renderScript(missing);
    const std::string joinText = joinScript();
    const std::string arguments = renderCommand() + "\n" + joinCommand() + "\n";
    if (mOptions.dryRun) {
        std::cout << "# sbatch " << joined(sbatchOptions(kRenderLog)) << " render.sh\n"
                  << renderText << "\n# sbatch " << joined(joinOptions("RENDER_JOB"))
                  << " join.sh\n"
                  << joinText << std::flush;
        return 0;
    }

    std::error_code ec;
    const bool existed = fs::exists(mWork, ec);
    if (existed && !mOptions.resume) {
        throw InputError("a farm render of '" + mOptions.render.output +
                         "' is under way or failed (work folder " + mWork +
                         "); add --resume to finish it, or remove the folder");
    }
    if (existed && readFile(mWork + "/arguments") != arguments) {
        throw InputError("the work folder " + mWork +
                         " belongs to a farm render with other options; give the same options "
                         "to --resume it, or remove the folder");
    }
    if (capture("command -v sbatch").status != 0) {
        throw std::runtime_error("sbatch not found: Slurm's client commands are not installed");
    }
    fs::create_directories(fs::path(mWork) / "logs");
    writeFile(mWork + "/arguments", arguments);
    writeFile(mWork + "/render.sh", renderText);
    writeFile(mWork + "/join.sh", joinText);

    std::string renderJob, joinJob;
    try {
        if (!missing.empty()) renderJob = submit(sbatchOptions(kRenderLog), mWork + "/render.sh");
        joinJob = submit(joinOptions(renderJob), mWork + "/join.sh");
    } catch (...) {
        if (!renderJob.empty()) capture("scancel " + quote(renderJob));
        if (!existed) fs::remove_all(mWork, ec);
        throw;
    }
    std::fprintf(stderr, "tessory: %zu of %zu tasks submitted as job %s; join job %s\n",
                 missing.size(), mTasks.size(), renderJob.empty() ? "(none)" : renderJob.c_str(),
                 joinJob.c_str());
    std::cout << (renderJob.empty() ? "" : renderJob + " ") << joinJob << std::endl;
    return mOptions.wait ? wait(renderJob, joinJob) : 0;
}

int FarmJob::wait(const std::string& renderJob, const std::string& joinJob) {
    for (;;) {
        const Captured queue = capture("squeue -h -o '%i'");
        if (queue.status != 0) throw std::runtime_error("squeue failed: " + queue.output);
        bool active = false;
        std::istringstream lines(queue.output);
        for (std::string id; std::getline(lines, id);) {
            active = active || id == joinJob ||
                     (!renderJob.empty() && (id == renderJob || id.rfind(renderJob + "_", 0) == 0));
        }
        if (!active) break;
        for (int i = 0; i < 10; ++i) {
            if (const int signal = Interruption::received()) {
                std::fprintf(stderr,
                             "tessory: stopped waiting; jobs %s %s go on in Slurm (squeue, "
                             "scancel)\n",
                             renderJob.c_str(), joinJob.c_str());
                return 128 + signal;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    std::error_code ec;
    if (!fs::exists(mWork, ec)) {
        std::fprintf(stderr, "tessory: wrote %s\n", mOptions.render.output.c_str());
        return 0;
    }
    std::string failed;
    for (size_t i = 0; i < mTasks.size(); ++i) {
        if (fs::exists(donePath(static_cast<int>(i)), ec)) continue;
        failed += (failed.empty() ? "" : ", ") + describe(static_cast<int>(i)) + " (job " +
                  renderJob + "_" + std::to_string(i) + ")";
    }
    if (!failed.empty()) {
        std::fprintf(stderr,
                     "tessory: farm render failed: %s did not finish, so join job %s did not run "
                     "(logs in %s/logs); run the same command with --resume\n",
                     failed.c_str(), joinJob.c_str(), mWork.c_str());
    } else {
        std::fprintf(stderr,
                     "tessory: farm render failed: join job %s did not finish (log %s/logs/"
                     "join-%s.out); run the same command with --resume\n",
                     joinJob.c_str(), mWork.c_str(), joinJob.c_str());
    }
    return 1;
}

int FarmJob::join() {
    for (size_t i = 0; i < mTasks.size(); ++i) {
        if (!mTasks[i].done) {
            throw InputError(describe(static_cast<int>(i)) + " were not rendered");
        }
    }
    if (!mPlan.sequenceOut) {
        std::vector<std::string> parts;
        for (size_t i = 0; i < mTasks.size(); ++i) parts.push_back(partPath(static_cast<int>(i)));
        PartsReader rendered(parts);
        RenderOptions options = mOptions.render;
        options.quiet = true;
        RenderJob job(mRenderer, options);
        job.takeRenderedFrom(rendered);
        job.run();
    } else {
        // The tasks wrote the pictures themselves; each is there only if complete.
        const SequencePattern pattern = *SequencePattern::parse(mOptions.render.output);
        for (int64_t frame = mPlan.frames.first; frame <= mPlan.frames.last; ++frame) {
            std::error_code ec;
            if (!fs::exists(pattern.name(frame), ec)) {
                throw std::runtime_error("picture " + pattern.name(frame) + " is missing");
            }
        }
    }
    std::error_code ec;
    fs::remove_all(mWork, ec);
    return 0;
}

}  // namespace Corvane::Tessory::Cli
