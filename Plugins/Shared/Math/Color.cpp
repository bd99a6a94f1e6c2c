#include "Math/Color.h"

#include <cmath>
#include <cstdio>

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;

// Byte to component in single precision, widened: a colour read from a byte holds exactly
// the float a single-precision consumer would compute from that byte.
double fromBits(uint64_t bits, float scale) {
    return static_cast<double>(static_cast<float>(bits) / scale);
}

double fromByte(uint64_t bits) {
    return fromBits(bits & 255u, 255.0f);
}
double fromNibble(uint64_t bits) {
    return fromBits(bits & 15u, 15.0f);
}

bool close(double a, double b) {
    return std::abs(a - b) <= kEpsilon;
}

// Low 32 bits of the truncated product, as printed by toHexString.
unsigned hexDigits(double component) {
    return static_cast<unsigned>(
        static_cast<uint32_t>(static_cast<int64_t>(component * 255.0) & 0xFFFFFFFF));
}

}  // namespace

Color::Color() : mRed(1.0), mGreen(1.0), mBlue(1.0), mAlpha(1.0) {}

Color::Color(double r, double g, double b, double a) : mRed(r), mGreen(g), mBlue(b), mAlpha(a) {}

Color::Color(uint32_t argb)
    : mRed(fromByte(argb >> 16)),
      mGreen(fromByte(argb >> 8)),
      mBlue(fromByte(argb)),
      mAlpha(fromByte(argb >> 24)) {}

Color::Color(const std::string& text) : Color() {
    if (text.find('#') != 0) {
        return;
    }
    const std::string digits = text.substr(1);
    const unsigned long long v = std::stoull(digits, nullptr, 16);
    switch (digits.length()) {
        case 4:
            mAlpha = fromNibble(v >> 12);
            [[fallthrough]];
        case 3:
            mRed = fromNibble(v >> 8);
            mGreen = fromNibble(v >> 4);
            mBlue = fromNibble(v);
            break;
        case 8:
            mAlpha = fromByte(static_cast<uint32_t>(v) >> 24);
            [[fallthrough]];
        case 6:
            mRed = fromByte(v >> 16);
            mGreen = fromByte(v >> 8);
            mBlue = fromByte(v);
            break;
        default:
            break;
    }
}

void Color::set(double r, double g, double b, double a) {
    mRed = r;
    mGreen = g;
    mBlue = b;
    mAlpha = a;
}

void Color::setNil() {
    set(-1.0, -1.0, -1.0, -1.0);
}

bool Color::isNil() const {
    return mRed < 0.0 || mGreen < 0.0 || mBlue < 0.0 || mAlpha < 0.0;
}

bool Color::equal(const Color& o) const {
    if (isNil() && o.isNil()) {
        return true;
    }
    return close(mRed, o.mRed) && close(mGreen, o.mGreen) && close(mBlue, o.mBlue) &&
           close(mAlpha, o.mAlpha);
}

Color Color::operator+(const Color& o) const {
    return Color(mRed + o.mRed, mGreen + o.mGreen, mBlue + o.mBlue, mAlpha + o.mAlpha);
}

Color Color::operator-(const Color& o) const {
    return Color(mRed - o.mRed, mGreen - o.mGreen, mBlue - o.mBlue, mAlpha - o.mAlpha);
}

Color Color::operator*(const Color& o) const {
    return Color(mRed * o.mRed, mGreen * o.mGreen, mBlue * o.mBlue, mAlpha * o.mAlpha);
}

Color Color::operator*(const double& s) const {
    return Color(mRed * s, mGreen * s, mBlue * s, mAlpha * s);
}

Color Color::lerp(const Color& from, const Color& to, double t) {
    if (t < 0.0) {
        t = 0.0;
    } else if (t > 1.0) {
        t = 1.0;
    }
    const double s = static_cast<double>(static_cast<float>(1.0 - t));
    return Color(to.mRed * t + from.mRed * s, to.mGreen * t + from.mGreen * s,
                 to.mBlue * t + from.mBlue * s, to.mAlpha * t + from.mAlpha * s);
}

std::string Color::toHexString() const {
    char text[64];
    if (mAlpha == 1.0) {
        std::snprintf(text, sizeof(text), "#%X%X%X", hexDigits(mRed), hexDigits(mGreen),
                      hexDigits(mBlue));
    } else {
        std::snprintf(text, sizeof(text), "#%X%X%X%X", hexDigits(mAlpha), hexDigits(mRed),
                      hexDigits(mGreen), hexDigits(mBlue));
    }
    return text;
}

}  // namespace Corvane::Tessory
