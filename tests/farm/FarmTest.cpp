// tessory farm on a real single-node Slurm: the joined output must hold the frames, frame
// times and audio of one `tessory render`; failed and cancelled tasks must be named and
// finished by --resume; bad input must be refused before anything is queued.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "Programs.h"

namespace Corvane::Tessory::Testing {
namespace {

class Farm : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        sCluster = new TempDir();
        const Result started =
            run(std::string(TESSORY_SLURM_CLUSTER) + " start " + quote(sCluster->path()) + " 2>&1");
        ASSERT_EQ(started.status, 0) << started.out;
        setenv("SLURM_CONF", ((*sCluster) / "slurm.conf").c_str(), 1);
    }
    static void TearDownTestSuite() {
        run(std::string(TESSORY_SLURM_CLUSTER) + " stop " + quote(sCluster->path()));
        delete sCluster;
        sCluster = nullptr;
    }

    void SetUp() override {
        // Two seconds of video with a sine tone: 50 frames, AAC audio.
        ASSERT_EQ(run("ffmpeg -nostdin -v error -f lavfi -i testsrc2=size=160x120:rate=25 -f "
                      "lavfi -i sine=frequency=440:sample_rate=48000 -t 2 -c:v libx264 -pix_fmt "
                      "yuv420p -c:a aac -shortest " +
                      quote(dir / "in.mp4"))
                      .status,
                  0);
    }
    void TearDown() override { EXPECT_EQ(queue(), "") << "jobs left in the queue"; }

    static std::string queue() { return run("squeue -h -o '%i %T'").out; }

    /// tessory with arguments; stderr is kept in dir/name.err.
    Result tessory(const std::string& args, const std::string& name = "tessory") {
        return run(std::string(TESSORY_BINARY) + " " + args + " 2> " +
                   quote(dir / (name + ".err")));
    }
    std::string err(const std::string& name = "tessory") { return contents(dir / (name + ".err")); }

    /// Frame checksums with times (framemd5) of one kind of stream.
    std::string sums(const std::string& file, const std::string& stream) {
        const std::string out = dir / "sums.txt";
        run("ffmpeg -nostdin -v error -y -i " + quote(file) + " -map 0:" + stream +
            (stream == "a" ? " -c:a pcm_s16le" : "") + " -f framemd5 " + quote(out));
        return contents(out);
    }
    std::string audioBytes(const std::string& file) {
        return run("ffmpeg -nostdin -v error -i " + quote(file) + " -f s16le - | wc -c").out;
    }
    /// Waits until squeue shows a line that is the extended regular expression pattern.
    static bool awaitQueue(const std::string& pattern) {
        return run("for i in $(seq 600); do squeue -h -o '%i %T' | grep -qxE '" + pattern +
                   "' && exit 0; sleep 0.05; done; exit 1")
                   .status == 0;
    }
    /// Cancels every job when a test ends early, so that a waiting farm returns.
    struct CancelAll {
        ~CancelAll() { run("squeue -h -o %A | xargs -r scancel"); }
    };
    bool workFolderExists() {
        return run("ls -a " + quote(dir.path()) + " | grep -q farm").status == 0;
    }

    static TempDir* sCluster;
    TempDir dir;
};
TempDir* Farm::sCluster = nullptr;

// A video and a picture sequence, in four tasks: the same frames, times and audio as one run.
TEST_F(Farm, FourTasksJoinIntoWhatOneRenderWrites) {
    const std::string in = quote(dir / "in.mp4"),
                      sets = " --set Instances=5 --set 'Shape Size 1=40'";
    for (const std::string output : {"out.mkv", "seq/f_%04d.png"}) {
        SCOPED_TRACE(output);
        std::filesystem::create_directories(dir / "seq");
        std::filesystem::create_directories(dir / "one/seq");
        ASSERT_EQ(
            tessory("farm --wait --tasks 4 -i " + in + " -o " + quote(dir / output) + sets).status,
            0)
            << err();
        ASSERT_EQ(
            tessory("render -q -i " + in + " -o " + quote(dir / ("one/" + output)) + sets).status,
            0)
            << err();
        const std::string video = sums(dir / output, "v");
        EXPECT_EQ(run("grep -vc '^#' " + quote(dir / "sums.txt")).out, "50\n");  // frames
        EXPECT_EQ(video, sums(dir / ("one/" + output), "v"));
        EXPECT_FALSE(workFolderExists());
    }
    EXPECT_EQ(audioBytes(dir / "out.mkv"), audioBytes(dir / "in.mp4"));
    EXPECT_EQ(sums(dir / "out.mkv", "a"), sums(dir / "one/out.mkv", "a"));
}

// One task made to fail (its part's name taken by a folder) and one cancelled while it
// renders: --wait names each range and job; --resume renders what is missing and joins.
TEST_F(Farm, FailedAndCancelledTasksAreNamedAndResumed) {
    const std::string args = "farm --wait --tasks 4 --renderer gl --set Instances=20 -i " +
                             quote(dir / "in.mp4") + " -o " + quote(dir / "out.mkv");
    ASSERT_EQ(tessory("render -q --renderer gl --set Instances=20 -i " + quote(dir / "in.mp4") +
                      " -o " + quote(dir / "one.mkv"))
                  .status,
              0)
        << err();
    const std::string expected = sums(dir / "one.mkv", "v");
    const std::string work = dir / ".out.mkv.tessory-farm";

    // Held at submission, so the fault is in place before any task starts.
    std::future<Result> failing, cancelled;
    const CancelAll cancelAll;
    failing = std::async(std::launch::async,
                         [&] { return tessory(args + " --sbatch-arg=--hold", "fail"); });
    ASSERT_TRUE(awaitQueue("[0-9]+_\\[0-3\\] PENDING")) << queue();
    std::filesystem::create_directories(work + "/part-0001.mkv");
    run("squeue -h -o %A | xargs scontrol release");
    const Result failed = failing.get();
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(std::regex_search(err("fail"), std::regex(R"(frames 12-24 \(job \d+_1\))")))
        << err("fail");
    const std::string failText = err("fail");
    EXPECT_EQ(std::count(failText.begin(), failText.end(), '\n'), 2) << failText;
    EXPECT_EQ(queue(), "");
    // Started again without --resume, the farm refuses rather than mix two runs.
    EXPECT_EQ(tessory(args, "again").status, 2);
    std::filesystem::remove(work + "/part-0001.mkv");

    // Task 2 is rendered again and cancelled once it is running; task 1 completes.
    std::filesystem::remove(work + "/done-0002");
    std::filesystem::remove(work + "/part-0002.mkv");
    cancelled =
        std::async(std::launch::async, [&] { return tessory(args + " --resume", "cancel"); });
    ASSERT_TRUE(awaitQueue("[0-9]+_2 RUNNING")) << queue();
    run("squeue -h -o '%i' | grep _2 | xargs scancel");
    const Result stopped = cancelled.get();
    EXPECT_EQ(stopped.status, 1);
    EXPECT_TRUE(
        std::regex_search(err("cancel"), std::regex(R"(failed: frames 25-36 \(job \d+_2\) did)")))
        << err("cancel");
    EXPECT_FALSE(std::filesystem::exists(work + "/part-0002.mkv"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.mkv"));

    ASSERT_EQ(tessory(args + " --resume", "resume").status, 0) << err("resume");
    EXPECT_TRUE(err("resume").find("1 of 4 tasks") != std::string::npos) << err("resume");
    EXPECT_EQ(sums(dir / "out.mkv", "v"), expected);
    EXPECT_FALSE(workFolderExists());
}

// What tessory render would refuse is refused before submission: exit 2, one line, nothing
// queued or left behind. A dry run prints the scripts and submits nothing.
TEST_F(Farm, BadInputIsRefusedBeforeAnythingIsQueued) {
    const std::string in = " -i " + quote(dir / "in.mp4");
    const std::string out = " -o " + quote(dir / "out.mkv");
    const struct {
        std::string args;
        std::string message;
    } cases[] = {
        {"--tasks 2 -i " + quote(dir / "none.mp4") + out, "no such file"},
        {"--tasks 2" + in + out + " --set 'Shape Type=Spiral'", "Spiral"},
        {"--tasks 2" + in + out + " --codec nosuchcodec", "nosuchcodec"},
        {"--tasks 2" + in + " -o " + quote(dir / "still.png"), "numbered sequence"},
        {"--tasks 2 --frames-per-task 5" + in + out, "either --tasks"},
        {in + out, "either --tasks"},
        {"--tasks 2 --frames 60-70" + in + out, "no frames in 60-70"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(tessory("farm --wait " + c.args).status, 2);
        EXPECT_NE(err().find(c.message), std::string::npos) << err();
        const std::string text = err();
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_EQ(queue(), "");
        EXPECT_EQ(dir.entries(), 2u);  // in.mp4 and the error text
    }
    const Result dry =
        tessory("farm --dry-run --frames-per-task 20 --partition tessory" + in + out);
    EXPECT_EQ(dry.status, 0) << err();
    EXPECT_NE(dry.out.find("#SBATCH --array=0,1,2"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("2) frames=40-49"), std::string::npos) << dry.out;
    EXPECT_EQ(queue(), "");
    EXPECT_FALSE(workFolderExists());
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
