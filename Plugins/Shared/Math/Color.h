// Colour value with red, green, blue and alpha in 0..1.
#pragma once

#include <cstdint>
#include <string>

namespace Corvane::Tessory {

/// Four doubles; default opaque white. A colour with any negative component is "nil", the
/// marker for "no colour chosen"; all nil colours compare equal.
class Color {
  public:
    Color();
    Color(double r, double g, double b, double a);
    Color(const Color& o) = default;
    Color& operator=(const Color& o) = default;
    /// Packed 0xAARRGGBB.
    explicit Color(uint32_t argb);
    /// "#RGB", "#ARGB", "#RRGGBB" or "#AARRGGBB"; anything else without a leading "#" or with
    /// another length stays white. A "#" followed by no hexadecimal digit throws
    /// std::invalid_argument (and a too long number std::out_of_range), as std::stoull does.
    explicit Color(const std::string& text);

    double r() const { return mRed; }
    double g() const { return mGreen; }
    double b() const { return mBlue; }
    double a() const { return mAlpha; }

    void set(double r, double g, double b, double a);
    void setNil();
    bool isNil() const;

    /// Nil equals nil; otherwise every component within 1e-12.
    bool equal(const Color& o) const;
    bool operator==(const Color& o) const { return equal(o); }
    bool operator!=(const Color& o) const { return !equal(o); }

    Color operator+(const Color& o) const;
    Color operator-(const Color& o) const;
    Color operator*(const Color& o) const;
    Color operator*(const double& s) const;

    /// t is clamped to 0..1. The weight of from, 1 - t, is rounded to single precision, so
    /// the weights need not add up to exactly 1.
    static Color lerp(const Color& from, const Color& to, double t);

    /// "#RGB" digits of each component times 255 without zero padding, with alpha in front
    /// when it is not exactly 1. Meant for display: it does not always parse back.
    std::string toHexString() const;

  private:
    double mRed;
    double mGreen;
    double mBlue;
    double mAlpha;
};

}  // namespace Corvane::Tessory
