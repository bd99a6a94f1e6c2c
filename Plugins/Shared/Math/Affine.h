// 2D affine transform: the per-instance transforms of the render pass.
#pragma once

#include "Math/Vec2.h"

namespace Corvane::Tessory {

/// First two rows of a 3x3 matrix whose last row is 0 0 1. A point (x, y) maps to
/// (m00 x + m01 y + m02, m10 x + m11 y + m12). Angles are degrees. "A x B" applies B first.
class Affine {
  public:
    double m00;
    double m01;
    double m02;
    double m10;
    double m11;
    double m12;

    /// The identity, or the zero matrix when identity is false.
    explicit Affine(bool identity = true);
    /// Arguments go column by column, as GL and most 2D APIs hand them out: first column
    /// (a, b), second column (c, d), translation (e, f).
    Affine(double a, double b, double c, double d, double e, double f);
    Affine(const Affine& o) = default;
    Affine& operator=(const Affine& o) = default;

    /// Every value within 1e-12.
    bool operator==(const Affine& o) const;
    bool operator!=(const Affine& o) const { return !(*this == o); }

    /// Same placement as the six-value constructor.
    void set(double a, double b, double c, double d, double e, double f);
    void setTranslate(double tx, double ty);
    void setScale(double sx, double sy);
    void setRotate(double deg);
    void setSkewX(double deg);
    void setSkewY(double deg);
    /// Layer-style transform T(position) R(deg) S(scale) T(-anchor): the anchor lands on
    /// position, scaled and rotated about itself.
    void set(const Vec2& anchor, const Vec2& position, const Vec2& scale, double deg);

    /// this = o x this: o acts after this transform.
    void multiply(const Affine& o);
    /// this = this x o: o acts before this transform.
    void premultiply(const Affine& o);
    /// The composing operations act before the existing transform (this = this x X).
    void translate(double tx, double ty);
    void scale(double sx, double sy);
    void rotate(double deg);
    void skewX(double deg);
    void skewY(double deg);

    /// False, leaving out alone, when |det| < 1e-6: nearly flat transforms are not inverted.
    bool inverse(Affine& out) const;
    /// The inverse, or the identity for a nearly flat transform.
    Affine getInverse() const;
    /// Mean length of the two rows of the linear part, rounded to four decimals in single
    /// precision so that stroke widths derived from it do not jitter with rounding noise.
    double averageScale() const;

    void transform(Vec2& p) const;
    Vec2 getTransform(const Vec2& p) const;
    void transform(double x, double y, double* ox, double* oy) const;
    void transform(double& x, double& y) const;
};

}  // namespace Corvane::Tessory
