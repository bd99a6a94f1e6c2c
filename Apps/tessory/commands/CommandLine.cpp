#include "commands/CommandLine.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

#include "Host/PluginModule.h"
#include "commands/FarmJob.h"
#include "commands/RenderJob.h"
#include "commands/Renderer.h"
#include "demo/DemoJob.h"
#include "media/VideoWriter.h"
#include "params/ParamListing.h"
#include "support/InputError.h"
#include "support/Interruption.h"

namespace Corvane::Tessory::Cli {

namespace {

constexpr const char* kExamples = R"(
Examples:
  tessory render --output demo.png
  tessory render --input photo.jpg --output cut.png --set "Shape Type=Hexagon" --set "Instances=8"
  tessory render --input clip.mp4 --output out.mp4 --preset grow.json
  tessory render --output grow.mp4 --preset grow.json --frames 0-74 --fps 25
  tessory render --input clip.mp4 --output frame.png --time 1.5 --set "Fill Type=Fill Inside"
  tessory params --json
  tessory demo --output out

Values: parameter names as `tessory params` lists them, in any case; popups by choice
("Hexagon") or number; checkboxes on/off; colours #RRGGBB or #AARRGGBB; points x,y in pixels;
angles in degrees. A preset is a JSON object such as
  {"Shape Type": "Hexagon", "Instances": 8, "Shape Size 1": [[0, 100], [2.5, 400]]}
where a list of [seconds, value] pairs animates the parameter.
Exit status: 0 done, 2 bad input (nothing written), 1 other failure.
)";

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

int CommandLine::run(int argc, char** argv) {
    CLI::App app{"tessory: renders pictures and video with the QX Tessory effect", "tessory"};
    app.footer(kExamples);
    // Answered before the plug-in is loaded: the program's own version.
    app.set_version_flag("--version", std::string("tessory ") + TESSORY_VERSION);
    app.require_subcommand(1);
    std::string plugin = Host::PluginModule::defaultPath();
    app.add_option("--plugin", plugin, "plug-in module to load")->capture_default_str();
    bool verbose = false;
    app.add_flag("--verbose,-v", verbose, "show what the plug-in prints (its GL information)");
    std::string rendererChoice = "auto";
    app.add_option("--renderer", rendererChoice,
                   "auto (GL on a hardware GL device, else the CPU), gl or cpu")
        ->check(CLI::IsMember({"auto", "gl", "cpu"}))
        ->capture_default_str();

    // render and farm take the same options; only one of them is parsed.
    RenderOptions render;
    double time = 0, fps = 0;
    std::string frames;
    // A farm writes no single still, and its --time is Slurm's.
    auto addRenderOptions = [&](CLI::App* cmd, bool stills) {
        cmd->add_option("--input,-i", render.input,
                        "picture or video to render (default: the built-in demo picture)");
        cmd->add_option("--output,-o", render.output, "file to write (.png, .mp4, ...)")
            ->required();
        cmd->add_option("--set,-s", render.sets, "\"NAME=VALUE\", repeatable")
            ->allow_extra_args(false);
        cmd->add_option("--preset,-p", render.preset, "JSON file of values and keys");
        if (stills) cmd->add_option("--time,-t", time, "seconds, for one frame");
        cmd->add_option("--frames,-f", frames, "frames A-B, counted from 0");
        cmd->add_option("--fps", fps, "frame rate when a still becomes a video (default 30)");
        cmd->add_option("--downsample,-d", render.downsample, "render at 1/N of the size")
            ->check(CLI::PositiveNumber);
        cmd->add_option("--max-pixels", render.maxPixels,
                        "largest input picture or frame, in pixels; larger is refused from its "
                        "header")
            ->check(CLI::PositiveNumber)
            ->capture_default_str();
        cmd->add_flag("--quiet,-q", render.quiet, "no progress bar");
        cmd->add_option("--codec", render.codec,
                        "video encoder by FFmpeg's name (libx264, prores_ks, ffv1, ...)");
        cmd->add_option("--crf", render.crf, "quality of codecs that have a CRF setting");
        cmd->add_option("--pix-fmt", render.pixFmt, "the encoder's pixel format");
        cmd->footer(std::string(kExamples) +
                    "\nVideo codecs by container (alpha kept where a frame has alpha):\n" +
                    VideoWriter::defaultsText());
    };
    CLI::App* renderCmd = app.add_subcommand("render", "render a still or a video");
    addRenderOptions(renderCmd, true);

    FarmOptions farm;
    CLI::App* farmCmd =
        app.add_subcommand("farm", "render a video or sequence on a Slurm cluster, split in tasks");
    addRenderOptions(farmCmd, false);
    farmCmd->add_option("--tasks", farm.tasks, "split into N array tasks")
        ->check(CLI::PositiveNumber);
    farmCmd->add_option("--frames-per-task", farm.framesPerTask, "or N frames per task")
        ->check(CLI::PositiveNumber);
    farmCmd->add_option("--partition", farm.partition, "Slurm partition for the jobs");
    farmCmd->add_option("--time", farm.timeLimit, "Slurm time limit for each job");
    farmCmd->add_option("--sbatch-arg", farm.sbatchArgs, "further sbatch option, repeatable")
        ->allow_extra_args(false);
    farmCmd->add_flag("--wait", farm.wait, "wait for the join; exit 1 naming failed ranges");
    farmCmd->add_flag("--dry-run", farm.dryRun, "print the job scripts, submit nothing");
    farmCmd->add_flag("--resume", farm.resume, "render only the missing parts, then join");
    // Run by the join job itself.
    farmCmd->add_flag("--join", farm.join)->group("");

    bool json = false;
    CLI::App* paramsCmd = app.add_subcommand("params", "list the parameters");
    paramsCmd->add_flag("--json", json, "as JSON");

    app.add_subcommand("about", "print the plug-in's about text");

    std::string demoDir = "out";
    bool demoQuiet = false;
    CLI::App* demoCmd = app.add_subcommand("demo", "write demo.png and shapes.png");
    demoCmd->add_option("--output,-o", demoDir, "directory to write to")->capture_default_str();
    demoCmd->add_flag("--quiet,-q", demoQuiet, "no progress bar");

    // Global options (--plugin, --verbose, --renderer) are taken before or after the subcommand.
    for (CLI::App* sub : app.get_subcommands({})) sub->fallthrough();
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "tessory: %s (see tessory --help)\n", oneLine(e.what()).c_str());
        return 2;
    }

    Interruption::install();
    try {
        // Listing parameters renders nothing: unless a renderer is asked for, no GL driver
        // is loaded for it (a tenth of a second on a software rasteriser).
        const bool listing = paramsCmd->parsed() && !app.count("--renderer");
        Renderer renderer(plugin, verbose, listing ? "cpu" : rendererChoice);
        CLI::App* used = renderCmd->parsed() ? renderCmd : farmCmd;
        if (renderCmd->parsed() && used->count("--time")) render.time = time;
        if (used->count("--frames")) render.frames = frames;
        if (used->count("--fps")) render.fps = fps;
        render.verbose = verbose;
        if (renderCmd->parsed()) {
            RenderJob(renderer, render).run();
        } else if (farmCmd->parsed()) {
            farm.render = render;
            farm.plugin = plugin;
            farm.renderer = rendererChoice;
            return FarmJob(renderer, farm).run();
        } else if (paramsCmd->parsed()) {
            const ParamListing listing(renderer.params());
            std::cout << (json ? listing.json() : listing.text()) << std::flush;
        } else if (app.got_subcommand("about")) {
            std::string about = renderer.about();
            for (char& c : about) {
                if (c == '\r') c = '\n';  // the host's line break
            }
            std::cout << about << '\n' << std::flush;
        } else if (demoCmd->parsed()) {
            DemoJob(renderer, demoDir, demoQuiet).run();
        }
        return 0;
    } catch (const Interruption::Stopped& e) {
        // What was being written is gone; an existing target is as it was.
        std::fprintf(stderr, "tessory: %s; nothing written\n", e.what());
        return 128 + e.signal;
    } catch (const InputError& e) {
        std::fprintf(stderr, "tessory: %s\n", oneLine(e.what()).c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tessory: %s\n", oneLine(e.what()).c_str());
        return 1;
    }
}

}  // namespace Corvane::Tessory::Cli
