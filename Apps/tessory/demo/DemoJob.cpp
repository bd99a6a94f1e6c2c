#include "demo/DemoJob.h"

#include <cctype>
#include <cmath>
#include <filesystem>

#include "commands/Renderer.h"
#include "demo/ContactSheet.h"
#include "demo/DemoPicture.h"
#include "media/StillIO.h"
#include "params/ParamParser.h"
#include "support/AtomicFile.h"
#include "support/InputError.h"
#include "support/Interruption.h"
#include "support/Progress.h"

namespace Corvane::Tessory::Cli {

namespace {
std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

DemoJob::DemoJob(Renderer& renderer, std::string directory, bool quiet)
    : mRenderer(renderer), mDirectory(std::move(directory)), mQuiet(quiet) {}

void DemoJob::run() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(mDirectory, ec);
    if (ec || !fs::is_directory(mDirectory)) {
        throw InputError("cannot write to directory '" + mDirectory +
                         "': " + (ec ? ec.message() : "not a directory"));
    }
    const ParamParser parser(mRenderer.params());
    const ParamInfo& shape = parser.find("Shape Type");
    const ParamInfo& fill = parser.find("Fill Type");
    // Six tiles a row: three shapes, each inside and outside side by side.
    // Every name in the menu's text, including those the menu does not offer.
    const std::vector<std::string>& shapes = shape.choiceNames;

    Progress progress(1 + 2 * static_cast<int64_t>(shapes.size()), mQuiet);
    {
        AtomicFile file((fs::path(mDirectory) / "demo.png").string());
        StillIO::write(file.tempPath(), mRenderer.render(DemoPicture::make(), 0, 30),
                       file.target());
        file.commit();
        progress.step();
    }

    // Tiles are a quarter of the demo picture's size; the sizes in pixels follow.
    const double scale = double(kTileHeight) / DemoPicture::kHeight;
    for (const char* name : {"Shape Size 1", "Shape Size 2", "Shadow Size"}) {
        const ParamInfo& p = parser.find(name);
        mRenderer.setValue(p.index, {std::round(p.defaultValue[0] * scale), 0, 0, 0});
    }
    const Image tileInput = DemoPicture::make(kTileWidth, kTileHeight);
    const ParamValue inside = parser.parse(fill, "Fill Inside");
    const ParamValue outside = parser.parse(fill, "Fill Outside");
    ContactSheet sheet(6, kTileWidth, kTileHeight);
    AtomicFile file((fs::path(mDirectory) / "shapes.png").string());
    for (size_t i = 0; i < shapes.size(); ++i) {
        // Stored directly, not parsed: a shape beyond the offered choices is still a value
        // the plug-in draws.
        mRenderer.setValue(shape.index, {double(i + 1), 0, 0, 0});
        for (const auto& [value, label] : {std::pair{inside, " INSIDE"}, {outside, " OUTSIDE"}}) {
            Interruption::check();
            mRenderer.setValue(fill.index, value);
            sheet.add(mRenderer.render(tileInput, 0, 30), upper(shapes[i]) + label);
            progress.step();
        }
    }
    StillIO::write(file.tempPath(), sheet.compose(), file.target());
    file.commit();
    progress.finish();
}

}  // namespace Corvane::Tessory::Cli
