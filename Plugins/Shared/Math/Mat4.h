// 4x4 homogeneous transform of the space math: projections, cameras and layer transforms.
#pragma once

#include "Math/Affine.h"
#include "Math/Vec3.h"
#include "Math/Vec4.h"

namespace Corvane::Tessory {

class Quaternion;

/// Sixteen doubles in column-major order (m[k] is row k % 4, column k / 4), the layout GL
/// takes without transposing. Vectors are columns multiplied on the right; the composing
/// operations multiply on the right too (this = this * X), so X acts first. Angles are radians.
class Mat4 {
  public:
    double m[16];

    /// The identity, or all zeros when identity is false.
    explicit Mat4(bool identity = true);
    /// columnMajor true: values in storage order; false: row by row, a0..a3 being row 0.
    Mat4(double a0, double a1, double a2, double a3, double a4, double a5, double a6, double a7,
         double a8, double a9, double a10, double a11, double a12, double a13, double a14,
         double a15, bool columnMajor);
    /// Sixteen values, read as the constructor above reads them.
    Mat4(const double* array, bool columnMajor);
    /// Beware the opposite sense: rows true makes a..d the rows, false the columns.
    Mat4(const Vec4& a, const Vec4& b, const Vec4& c, const Vec4& d, bool rows);
    Mat4(const Mat4& o) = default;
    Mat4& operator=(const Mat4& o) = default;

    /// Values read row by row.
    void set(double a0, double a1, double a2, double a3, double a4, double a5, double a6, double a7,
             double a8, double a9, double a10, double a11, double a12, double a13, double a14,
             double a15);
    void setZero();
    void setIdentity();
    static Mat4 identity();
    /// Every element within 1e-12.
    bool operator==(const Mat4& o) const;
    bool operator!=(const Mat4& o) const { return !(*this == o); }

    Vec4 getRow(int i) const;
    Vec4 getColumn(int i) const;
    void setRow(int i, const Vec4& v);
    void setColumn(int i, const Vec4& v);
    /// Replaces the translation only.
    void position(const Vec3& p);
    void setTranspose();
    void transpose(Mat4& out) const;

    void add(const Mat4& o);
    void subtract(const Mat4& o);
    Mat4 operator+(const Mat4& o) const;
    Mat4 operator-(const Mat4& o) const;
    static void add(const Mat4& a, const Mat4& b, Mat4& out);
    static void subtract(const Mat4& a, const Mat4& b, Mat4& out);
    Mat4 operator*(double s) const;
    void mult(const Mat4& o);
    Mat4 operator*(const Mat4& o) const;
    /// out = a * b; out may be a or b.
    static void mult(const Mat4& a, const Mat4& b, Mat4& out);
    Vec4 mult(const Vec4& v) const;
    Vec4 operator*(const Vec4& v) const;
    /// M (v, 1) without the division by w.
    Vec3 mult(const Vec3& v) const;
    Vec3 operator*(const Vec3& v) const;
    /// M (v, 0): the linear part only.
    Vec3 multWithoutTranslate(const Vec3& v) const;
    /// M (v, 1) divided by its w.
    Vec3 multAndProject(const Vec3& v) const;
    double determinant() const;
    /// False, with the identity in out, for a determinant of exactly zero.
    bool getInverse(Mat4& out) const;
    double getMaxScaleOnAxis() const;

    void setTranslate(const Vec3& t);
    void setTranslate(double x, double y, double z);
    void setScale(const Vec3& s);
    void setScale(double x, double y, double z);
    void setXRotation(double a);
    void setYRotation(double a);
    void setZRotation(double a);
    /// Right-handed rotation about the axis, normalised first (a zero axis means x).
    void setRotation(double a, const Vec3& axis);
    void setRotation(double a, double x, double y, double z);
    /// fovy is the full vertical field of view.
    void setPerspective(double fovy, double aspect, double zNear, double zFar);
    void setFrustum(double left, double right, double bottom, double top, double zNear,
                    double zFar);
    /// Note top before bottom, unlike setFrustum: setOrtho(0, w, 0, h, ...) maps a y-down
    /// layer space onto the y-up clip space.
    void setOrtho(double left, double right, double top, double bottom, double zNear, double zFar);
    /// Writes the rotation part only; the translation and the bottom row are kept.
    void setLookAt(const Vec3& eye, const Vec3& target, const Vec3& up);
    void setLookAt(double eyeX, double eyeY, double eyeZ, double targetX, double targetY,
                   double targetZ, double upX, double upY, double upZ);
    void setWithAffine(const Affine& a);
    Affine getAffine() const;
    /// Layer space (origin top-left, y down, z into the picture) to GL space (origin at the
    /// centre, y up, z toward the viewer).
    static Mat4 getAEToGLConversionMatrix(double width, double height);

    void translate(double x, double y, double z);
    void translate(const Vec3& t);
    void translate(const Vec4& t);
    void scale(double x, double y, double z);
    void scale(const Vec3& s);
    void scale(const Vec4& s);
    void rotate(double a, double x, double y, double z);
    void rotate(double a, const Vec3& axis);
    void rotate(double a, const Vec4& axis);
    void rotateX(double a);
    void rotateY(double a);
    void rotateZ(double a);

    /// Rotation matrix of q, which is not normalised first.
    void setWithQuaternion(const Quaternion& q);
    /// T(position) R(q) S(scale).
    void compose(const Vec3& position, const Quaternion& q, const Vec3& scale);
    /// T(position) R(q) T(-anchor * scale) S(scale): the anchor, scaled and rotated about
    /// itself, lands on position.
    void compose(const Vec3& anchor, const Vec3& position, const Quaternion& q, const Vec3& scale);
    /// Inverse of compose for matrices without shear. A mirrored matrix reports it as a
    /// negative x scale; a zero scale comes back as 1e-6 so the rotation stays defined.
    void decompose(Vec3& position, Quaternion& q, Vec3& scale) const;
    void decompose(const Vec3& anchor, Vec3& position, Quaternion& q, Vec3& scale) const;
};

}  // namespace Corvane::Tessory
