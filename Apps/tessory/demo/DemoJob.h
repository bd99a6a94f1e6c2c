#pragma once
// `tessory demo`: the demo picture with the effect's defaults (demo.png) and a contact sheet
// of every shape the plug-in knows, filled inside and outside (shapes.png).
#include <string>

namespace Corvane::Tessory::Cli {

class Renderer;

class DemoJob {
  public:
    DemoJob(Renderer& renderer, std::string directory, bool quiet);
    // Throws InputError when the directory cannot be made or written.
    void run();

    static constexpr int kTileWidth = 480;
    static constexpr int kTileHeight = 270;

  private:
    Renderer& mRenderer;
    std::string mDirectory;
    bool mQuiet;
};

}  // namespace Corvane::Tessory::Cli
