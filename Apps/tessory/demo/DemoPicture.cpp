#include "demo/DemoPicture.h"

#include <algorithm>
#include <cmath>

#include "demo/BitmapFont.h"

namespace Corvane::Tessory::Cli {

namespace {

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v * 255.0), 0L, 255L));
}

// Hue in turns, saturation and value in 0..1.
void hsv(double h, double s, double v, double rgb[3]) {
    h = (h - std::floor(h)) * 6.0;
    const int sector = static_cast<int>(h) % 6;
    const double f = h - std::floor(h);
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    const double table[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    for (int c = 0; c < 3; ++c) rgb[c] = table[sector][c];
}

}  // namespace

Image DemoPicture::make(int width, int height) {
    Image image(width, height);
    const double unit = std::min(width, height) / 1080.0;
    const double cell = std::max(4.0, 60.0 * unit);
    // Checkerboard on the left third, colour wheel centred in the right half.
    const int boardRight = width / 3;
    const double wheelX = width * 0.68, wheelY = height * 0.5;
    const double wheelR = std::min(width, height) * 0.36;
    const double pi = std::acos(-1.0);

    for (int y = 0; y < height; ++y) {
        const double fy = height > 1 ? double(y) / (height - 1) : 0;
        for (int x = 0; x < width; ++x) {
            const double fx = width > 1 ? double(x) / (width - 1) : 0;
            // Warm to cool across, dark to bright down.
            double rgb[3] = {(0.25 + 0.75 * (1 - fx)) * (0.3 + 0.7 * fy), 0.2 + 0.5 * fy,
                             (0.25 + 0.75 * fx) * (0.3 + 0.7 * fy)};
            if (x < boardRight) {
                const bool light = (int(x / cell) + int(y / cell)) % 2 == 0;
                const double shade = light ? 0.92 : 0.12;
                for (double& c : rgb) c = 0.3 * c + 0.7 * shade;
            }
            const double dx = x + 0.5 - wheelX, dy = y + 0.5 - wheelY;
            const double r = std::sqrt(dx * dx + dy * dy);
            const double cover = std::clamp(wheelR - r + 0.5, 0.0, 1.0);  // antialiased rim
            if (cover > 0) {
                double wheel[3];
                hsv(std::atan2(-dy, dx) / (2 * pi), std::min(1.0, r / wheelR), 1.0, wheel);
                for (int c = 0; c < 3; ++c) rgb[c] = rgb[c] * (1 - cover) + wheel[c] * cover;
            }
            uint8_t* p = image.pixel(x, y);
            p[0] = toByte(rgb[0]);
            p[1] = toByte(rgb[1]);
            p[2] = toByte(rgb[2]);
            p[3] = 255;
        }
    }
    // A label in one corner shows at a glance whether a region is mirrored or turned.
    const int scale = std::max(1, static_cast<int>(std::lround(5 * unit)));
    BitmapFont::draw(image, static_cast<int>(24 * unit), static_cast<int>(24 * unit), "QX TESSORY",
                     scale, 255, 230, 40);
    return image;
}

}  // namespace Corvane::Tessory::Cli
