// OBS at 30 frames a second with a picture source, with the "qx_tessory" filter and without,
// in one run: frames rendered a second and frames lagged, and the filter's own time on the
// graphics thread from OBS's profiler (its read-back wait and the effect within it).
// Arguments: width, height, filter (0 none, 1 the filter with its defaults).
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <util/profiler.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "ObsSession.h"

namespace {

using Corvane::Tessory::Testing::ObsSession;

constexpr double kWarmSeconds = 2, kMeasuredSeconds = 6;

/// CPU seconds this process has used, every thread (llvmpipe's included).
double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

/// Mean milliseconds a call of every profiler section, found anywhere in the tree.
void collect(profiler_snapshot_entry_t* entry, std::map<std::string, double>& means) {
    const profiler_time_entries_t* times = profiler_snapshot_entry_times(entry);
    double sum = 0, count = 0;
    for (size_t i = 0; i < times->num; ++i) {
        sum += double(times->array[i].time_delta) * double(times->array[i].count);
        count += double(times->array[i].count);
    }
    if (count > 0) means[profiler_snapshot_entry_name(entry)] = sum / count / 1000.0;
    profiler_snapshot_enumerate_children(
        entry,
        [](void* context, profiler_snapshot_entry_t* child) {
            collect(child, *static_cast<std::map<std::string, double>*>(context));
            return true;
        },
        &means);
}

std::map<std::string, double> profiled() {
    std::map<std::string, double> means;
    profiler_snapshot_t* snap = profile_snapshot_create();
    profiler_snapshot_enumerate_roots(
        snap,
        [](void* context, profiler_snapshot_entry_t* root) {
            collect(root, *static_cast<std::map<std::string, double>*>(context));
            return true;
        },
        &means);
    profile_snapshot_free(snap);
    return means;
}

void BM_ObsFrames(benchmark::State& state) {
    const auto width = uint32_t(state.range(0)), height = uint32_t(state.range(1));
    const int64_t filter = state.range(2);
    const std::string picture = (std::filesystem::temp_directory_path() /
                                 ("tessory-obs-bench-" + std::to_string(getpid()) + ".png"))
                                    .string();
    const std::string make =
        "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=" + std::to_string(width) + "x" +
        std::to_string(height) + " -frames:v 1 " + picture;
    if (std::system(make.c_str()) != 0) {
        state.SkipWithError("ffmpeg cannot make the picture");
        return;
    }
    for (auto _ : state) {
        profiler_start();
        try {
            ObsSession obs(width, height, 30);
            obs_source_t* image = obs.addImage(picture);
            obs_source_t* added = filter ? obs.addFilter(image, "{}") : nullptr;
            std::this_thread::sleep_for(std::chrono::duration<double>(kWarmSeconds));
            const uint32_t frames0 = obs_get_total_frames(), lagged0 = obs_get_lagged_frames();
            const auto t0 = std::chrono::steady_clock::now();
            const double cpu0 = cpuSeconds();
            std::this_thread::sleep_for(std::chrono::duration<double>(kMeasuredSeconds));
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            state.counters["cpus_busy"] = (cpuSeconds() - cpu0) / seconds;
            const uint32_t frames = obs_get_total_frames() - frames0;
            const uint32_t lagged = obs_get_lagged_frames() - lagged0;
            const std::map<std::string, double> means = profiled();
            // libobs counts every frame interval, and as lagged those it had no frame for.
            state.counters["rendered_fps"] = (frames - lagged) / seconds;
            state.counters["lagged_per_s"] = lagged / seconds;
            for (const char* section :
                 {"qx_tessory_render", "qx_tessory_target", "qx_tessory_stage", "qx_tessory_map",
                  "qx_tessory_effect", "qx_tessory_upload", "qx_tessory_draw"}) {
                const auto found = means.find(section);
                state.counters[std::string(section + 11) + "_ms"] =
                    found == means.end() ? 0 : found->second;
            }
            if (added) {
                obs_source_filter_remove(image, added);
                obs_source_release(added);
            }
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
        }
        profiler_stop();
        profiler_free();
    }
    std::filesystem::remove(picture);
}

BENCHMARK(BM_ObsFrames)
    ->ArgNames({"w", "h", "filter"})
    ->ArgsProduct({{1280}, {720}, {0, 1}})
    ->ArgsProduct({{1920}, {1080}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
