#pragma once
// Lays pictures out on a grid, each with a caption under it, on a dark background.
#include <string>
#include <vector>

#include "media/Image.h"

namespace Corvane::Tessory::Cli {

class ContactSheet {
  public:
    ContactSheet(int columns, int tileWidth, int tileHeight);

    // Tiles of another size are scaled to the tile size; transparency shows the background.
    void add(const Image& tile, std::string caption);
    size_t size() const { return mTiles.size(); }
    Image compose() const;

    static constexpr int kMargin = 16;
    static constexpr int kCaptionScale = 2;
    static constexpr int kCaptionHeight = 7 * kCaptionScale + 12;

  private:
    int mColumns, mTileWidth, mTileHeight;
    std::vector<std::pair<Image, std::string>> mTiles;
};

}  // namespace Corvane::Tessory::Cli
