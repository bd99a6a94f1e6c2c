#include "demo/ContactSheet.h"

#include <algorithm>

#include "demo/BitmapFont.h"

namespace Corvane::Tessory::Cli {

namespace {
constexpr uint8_t kBackground = 32;

// Straight-alpha tile over the sheet's opaque background.
Image overBackground(const Image& tile) {
    Image out(tile.width(), tile.height());
    for (int y = 0; y < tile.height(); ++y) {
        for (int x = 0; x < tile.width(); ++x) {
            const uint8_t* s = tile.pixel(x, y);
            uint8_t* d = out.pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                d[c] = static_cast<uint8_t>((s[c] * s[3] + kBackground * (255 - s[3]) + 127) / 255);
            }
            d[3] = 255;
        }
    }
    return out;
}
}  // namespace

ContactSheet::ContactSheet(int columns, int tileWidth, int tileHeight)
    : mColumns(std::max(1, columns)), mTileWidth(tileWidth), mTileHeight(tileHeight) {}

void ContactSheet::add(const Image& tile, std::string caption) {
    const Image sized = tile.width() == mTileWidth && tile.height() == mTileHeight
                            ? tile
                            : tile.resized(mTileWidth, mTileHeight);
    mTiles.emplace_back(overBackground(sized), std::move(caption));
}

Image ContactSheet::compose() const {
    const int count = static_cast<int>(mTiles.size());
    const int columns = std::max(1, std::min(mColumns, count));
    const int rows = std::max(1, (count + columns - 1) / columns);
    const int cellW = mTileWidth + kMargin, cellH = mTileHeight + kCaptionHeight + kMargin;
    Image sheet(columns * cellW + kMargin, rows * cellH + kMargin);
    sheet.fill(kBackground, kBackground, kBackground, 255);
    for (int i = 0; i < count; ++i) {
        const int x = kMargin + (i % columns) * cellW, y = kMargin + (i / columns) * cellH;
        sheet.blit(mTiles[i].first, x, y);
        const std::string& caption = mTiles[i].second;
        const int textX = x + (mTileWidth - BitmapFont::textWidth(caption, kCaptionScale)) / 2;
        BitmapFont::draw(sheet, std::max(x, textX), y + mTileHeight + 6, caption, kCaptionScale,
                         235, 235, 235);
    }
    return sheet;
}

}  // namespace Corvane::Tessory::Cli
