#include "Math/Mat4.h"

#include <cmath>
#include <cstring>

#include "Math/Quaternion.h"

namespace Corvane::Tessory {

namespace {

constexpr double kEpsilon = 1e-12;

// Adjugate (transposed cofactors) of a column-major matrix, in column-major order.
void adjugate(const double* m, double* inv) {
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
             m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
             m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
             m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
              m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
             m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
             m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
             m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
              m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] +
             m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
             m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
              m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
              m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
             m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] +
             m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] -
              m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] +
              m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
}

// Expansion along column 0, whose cofactors are inv[0], inv[4], inv[8], inv[12].
double determinantFrom(const double* m, const double* inv) {
    return m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
}

}  // namespace

Mat4::Mat4(bool identity) {
    if (identity) {
        setIdentity();
    } else {
        setZero();
    }
}

Mat4::Mat4(double a0, double a1, double a2, double a3, double a4, double a5, double a6, double a7,
           double a8, double a9, double a10, double a11, double a12, double a13, double a14,
           double a15, bool columnMajor) {
    const double values[16] = {a0, a1, a2,  a3,  a4,  a5,  a6,  a7,
                               a8, a9, a10, a11, a12, a13, a14, a15};
    *this = Mat4(values, columnMajor);
}

Mat4::Mat4(const double* array, bool columnMajor) {
    for (int k = 0; k < 16; ++k) {
        if (columnMajor) {
            m[k] = array[k];
        } else {
            // array[4 * row + column] goes to m[4 * column + row].
            m[4 * (k % 4) + k / 4] = array[k];
        }
    }
}

Mat4::Mat4(const Vec4& a, const Vec4& b, const Vec4& c, const Vec4& d, bool rows) {
    const Vec4* vectors[4] = {&a, &b, &c, &d};
    for (int i = 0; i < 4; ++i) {
        if (rows) {
            setRow(i, *vectors[i]);
        } else {
            setColumn(i, *vectors[i]);
        }
    }
}

void Mat4::set(double a0, double a1, double a2, double a3, double a4, double a5, double a6,
               double a7, double a8, double a9, double a10, double a11, double a12, double a13,
               double a14, double a15) {
    *this = Mat4(a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15, false);
}

void Mat4::setZero() {
    for (double& e : m) {
        e = 0.0;
    }
}

void Mat4::setIdentity() {
    setZero();
    m[0] = m[5] = m[10] = m[15] = 1.0;
}

Mat4 Mat4::identity() {
    return Mat4(true);
}

bool Mat4::operator==(const Mat4& o) const {
    for (int k = 0; k < 16; ++k) {
        if (!(std::abs(m[k] - o.m[k]) <= kEpsilon)) {
            return false;
        }
    }
    return true;
}

Vec4 Mat4::getRow(int i) const {
    return Vec4(m[i], m[i + 4], m[i + 8], m[i + 12]);
}

Vec4 Mat4::getColumn(int i) const {
    return Vec4(m[4 * i], m[4 * i + 1], m[4 * i + 2], m[4 * i + 3]);
}

void Mat4::setRow(int i, const Vec4& v) {
    m[i] = v.x;
    m[i + 4] = v.y;
    m[i + 8] = v.z;
    m[i + 12] = v.w;
}

void Mat4::setColumn(int i, const Vec4& v) {
    m[4 * i] = v.x;
    m[4 * i + 1] = v.y;
    m[4 * i + 2] = v.z;
    m[4 * i + 3] = v.w;
}

void Mat4::position(const Vec3& p) {
    m[12] = p.x;
    m[13] = p.y;
    m[14] = p.z;
}

void Mat4::setTranspose() {
    Mat4 t(false);
    transpose(t);
    *this = t;
}

void Mat4::transpose(Mat4& out) const {
    Mat4 t(false);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            t.m[4 * column + row] = m[4 * row + column];
        }
    }
    out = t;
}

void Mat4::add(const Mat4& o) {
    add(*this, o, *this);
}
void Mat4::subtract(const Mat4& o) {
    subtract(*this, o, *this);
}

Mat4 Mat4::operator+(const Mat4& o) const {
    Mat4 r(false);
    add(*this, o, r);
    return r;
}

Mat4 Mat4::operator-(const Mat4& o) const {
    Mat4 r(false);
    subtract(*this, o, r);
    return r;
}

void Mat4::add(const Mat4& a, const Mat4& b, Mat4& out) {
    for (int k = 0; k < 16; ++k) {
        out.m[k] = a.m[k] + b.m[k];
    }
}

void Mat4::subtract(const Mat4& a, const Mat4& b, Mat4& out) {
    for (int k = 0; k < 16; ++k) {
        out.m[k] = a.m[k] - b.m[k];
    }
}

Mat4 Mat4::operator*(double s) const {
    Mat4 r(*this);
    for (double& e : r.m) {
        e *= s;
    }
    return r;
}

void Mat4::mult(const Mat4& o) {
    mult(*this, o, *this);
}

Mat4 Mat4::operator*(const Mat4& o) const {
    Mat4 r(false);
    mult(*this, o, r);
    return r;
}

void Mat4::mult(const Mat4& a, const Mat4& b, Mat4& out) {
    double r[16];
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            r[4 * column + row] = a.m[row] * b.m[4 * column] + a.m[row + 4] * b.m[4 * column + 1] +
                                  a.m[row + 8] * b.m[4 * column + 2] +
                                  a.m[row + 12] * b.m[4 * column + 3];
        }
    }
    std::memcpy(out.m, r, sizeof(r));
}

Vec4 Mat4::mult(const Vec4& v) const {
    return Vec4(m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w,
                m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
                m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w,
                m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w);
}

Vec4 Mat4::operator*(const Vec4& v) const {
    return mult(v);
}

Vec3 Mat4::mult(const Vec3& v) const {
    Vec3 r(v);
    r.applyMatrix4(*this);
    return r;
}

Vec3 Mat4::operator*(const Vec3& v) const {
    return mult(v);
}

Vec3 Mat4::multWithoutTranslate(const Vec3& v) const {
    return Vec3(m[0] * v.x + m[4] * v.y + m[8] * v.z, m[1] * v.x + m[5] * v.y + m[9] * v.z,
                m[2] * v.x + m[6] * v.y + m[10] * v.z);
}

Vec3 Mat4::multAndProject(const Vec3& v) const {
    const Vec4 r = mult(Vec4(v, 1.0));
    return Vec3(r.x, r.y, r.z) * (1.0 / r.w);
}

double Mat4::determinant() const {
    double inv[16];
    adjugate(m, inv);
    return determinantFrom(m, inv);
}

bool Mat4::getInverse(Mat4& out) const {
    double inv[16];
    adjugate(m, inv);
    const double det = determinantFrom(m, inv);
    if (det == 0.0) {
        out.setIdentity();
        return false;
    }
    const double r = 1.0 / det;
    for (int k = 0; k < 16; ++k) {
        out.m[k] = inv[k] * r;
    }
    return true;
}

double Mat4::getMaxScaleOnAxis() const {
    const double sx = m[0] * m[0] + m[1] * m[1] + m[2] * m[2];
    const double sy = m[4] * m[4] + m[5] * m[5] + m[6] * m[6];
    const double sz = m[8] * m[8] + m[9] * m[9] + m[10] * m[10];
    double largest = sx > sy ? sx : sy;
    largest = largest > sz ? largest : sz;
    return std::sqrt(largest);
}

void Mat4::setTranslate(const Vec3& t) {
    setTranslate(t.x, t.y, t.z);
}

void Mat4::setTranslate(double x, double y, double z) {
    setIdentity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
}

void Mat4::setScale(const Vec3& s) {
    setScale(s.x, s.y, s.z);
}

void Mat4::setScale(double x, double y, double z) {
    setZero();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    m[15] = 1.0;
}

void Mat4::setXRotation(double a) {
    const double c = std::cos(a);
    const double s = std::sin(a);
    setZero();
    m[0] = 1.0;
    m[5] = c;
    m[6] = s;
    m[9] = -s;
    m[10] = c;
    m[15] = 1.0;
}

void Mat4::setYRotation(double a) {
    const double c = std::cos(a);
    const double s = std::sin(a);
    setZero();
    m[0] = c;
    m[2] = -s;
    m[5] = 1.0;
    m[8] = s;
    m[10] = c;
    m[15] = 1.0;
}

void Mat4::setZRotation(double a) {
    const double c = std::cos(a);
    const double s = std::sin(a);
    setZero();
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
    m[10] = 1.0;
    m[15] = 1.0;
}

void Mat4::setRotation(double a, const Vec3& axis) {
    setRotation(a, axis.x, axis.y, axis.z);
}

void Mat4::setRotation(double a, double ax, double ay, double az) {
    Vec3 n(ax, ay, az);
    n.normalize();
    const double x = n.x;
    const double y = n.y;
    const double z = n.z;
    const double c = std::cos(a);
    const double s = std::sin(a);
    const double t = 1.0 - c;
    m[0] = t * x * x + c;
    m[1] = t * x * y + s * z;
    m[2] = t * x * z - s * y;
    m[3] = 0.0;
    m[4] = t * x * y - s * z;
    m[5] = t * y * y + c;
    m[6] = t * y * z + s * x;
    m[7] = 0.0;
    m[8] = t * x * z + s * y;
    m[9] = t * y * z - s * x;
    m[10] = t * z * z + c;
    m[11] = 0.0;
    m[12] = 0.0;
    m[13] = 0.0;
    m[14] = 0.0;
    m[15] = 1.0;
}

void Mat4::setPerspective(double fovy, double aspect, double zNear, double zFar) {
    const double f = 1.0 / std::tan(0.5 * fovy);
    setZero();
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (zNear + zFar) / (zNear - zFar);
    m[11] = -1.0;
    m[14] = 2.0 * zFar * zNear / (zNear - zFar);
}

void Mat4::setFrustum(double left, double right, double bottom, double top, double zNear,
                      double zFar) {
    setZero();
    m[0] = 2.0 * zNear / (right - left);
    m[5] = 2.0 * zNear / (top - bottom);
    m[8] = (right + left) / (right - left);
    m[9] = (top + bottom) / (top - bottom);
    m[10] = -(zFar + zNear) / (zFar - zNear);
    m[11] = -1.0;
    m[14] = -2.0 * zFar * zNear / (zFar - zNear);
}

void Mat4::setOrtho(double left, double right, double top, double bottom, double zNear,
                    double zFar) {
    setZero();
    m[0] = 2.0 / (right - left);
    m[12] = -(right + left) / (right - left);
    m[5] = 2.0 / (top - bottom);
    m[13] = -(top + bottom) / (top - bottom);
    m[10] = -2.0 / (zFar - zNear);
    m[14] = -(zFar + zNear) / (zFar - zNear);
    m[15] = 1.0;
}

void Mat4::setLookAt(const Vec3& eye, const Vec3& target, const Vec3& up) {
    Vec3 z = eye - target;
    z.normalize();
    Vec3 x = up.cross(z);
    x.normalize();
    const Vec3 y = z.cross(x);
    m[0] = x.x;
    m[1] = x.y;
    m[2] = x.z;
    m[4] = y.x;
    m[5] = y.y;
    m[6] = y.z;
    m[8] = z.x;
    m[9] = z.y;
    m[10] = z.z;
}

void Mat4::setLookAt(double eyeX, double eyeY, double eyeZ, double targetX, double targetY,
                     double targetZ, double upX, double upY, double upZ) {
    setLookAt(Vec3(eyeX, eyeY, eyeZ), Vec3(targetX, targetY, targetZ), Vec3(upX, upY, upZ));
}

void Mat4::setWithAffine(const Affine& a) {
    setIdentity();
    m[0] = a.m00;
    m[1] = a.m10;
    m[4] = a.m01;
    m[5] = a.m11;
    m[12] = a.m02;
    m[13] = a.m12;
}

Affine Mat4::getAffine() const {
    return Affine(m[0], m[1], m[4], m[5], m[12], m[13]);
}

Mat4 Mat4::getAEToGLConversionMatrix(double width, double height) {
    return Mat4(Vec4(1.0, 0.0, 0.0, 0.0), Vec4(0.0, -1.0, 0.0, 0.0), Vec4(0.0, 0.0, -1.0, 0.0),
                Vec4(-0.5 * width, 0.5 * height, 0.0, 1.0), false);
}

void Mat4::translate(double x, double y, double z) {
    for (int row = 0; row < 4; ++row) {
        m[12 + row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    }
}

void Mat4::translate(const Vec3& t) {
    translate(t.x, t.y, t.z);
}
void Mat4::translate(const Vec4& t) {
    translate(t.x, t.y, t.z);
}

void Mat4::scale(double x, double y, double z) {
    for (int row = 0; row < 4; ++row) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
}

void Mat4::scale(const Vec3& s) {
    scale(s.x, s.y, s.z);
}
void Mat4::scale(const Vec4& s) {
    scale(s.x, s.y, s.z);
}

void Mat4::rotate(double a, double x, double y, double z) {
    Mat4 r(false);
    r.setRotation(a, x, y, z);
    mult(r);
}

void Mat4::rotate(double a, const Vec3& axis) {
    rotate(a, axis.x, axis.y, axis.z);
}
void Mat4::rotate(double a, const Vec4& axis) {
    rotate(a, axis.x, axis.y, axis.z);
}

void Mat4::rotateX(double a) {
    Mat4 r(false);
    r.setXRotation(a);
    mult(r);
}

void Mat4::rotateY(double a) {
    Mat4 r(false);
    r.setYRotation(a);
    mult(r);
}

void Mat4::rotateZ(double a) {
    Mat4 r(false);
    r.setZRotation(a);
    mult(r);
}

void Mat4::setWithQuaternion(const Quaternion& q) {
    const double x2 = 2.0 * q.x;
    const double y2 = 2.0 * q.y;
    const double z2 = 2.0 * q.z;
    const double xx = q.x * x2;
    const double xy = q.x * y2;
    const double xz = q.x * z2;
    const double yy = q.y * y2;
    const double yz = q.y * z2;
    const double zz = q.z * z2;
    const double wx = q.w * x2;
    const double wy = q.w * y2;
    const double wz = q.w * z2;
    m[0] = 1.0 - (yy + zz);
    m[4] = xy - wz;
    m[8] = xz + wy;
    m[1] = xy + wz;
    m[5] = 1.0 - (xx + zz);
    m[9] = yz - wx;
    m[2] = xz - wy;
    m[6] = yz + wx;
    m[10] = 1.0 - (xx + yy);
    m[3] = m[7] = m[11] = 0.0;
    m[12] = m[13] = m[14] = 0.0;
    m[15] = 1.0;
}

void Mat4::compose(const Vec3& position, const Quaternion& q, const Vec3& scale) {
    setWithQuaternion(q);
    this->scale(scale.x, scale.y, scale.z);
    m[12] = position.x;
    m[13] = position.y;
    m[14] = position.z;
}

void Mat4::compose(const Vec3& anchor, const Vec3& position, const Quaternion& q,
                   const Vec3& scale) {
    const Vec3 a = anchor * scale;
    const Vec3 t = anchor.isZero() ? position : a + (position - a);
    Mat4 translation(true);
    translation.setTranslate(t);
    Mat4 rotation(true);
    rotation.setWithQuaternion(q);
    mult(translation, rotation, *this);
    translate(-a.x, -a.y, -a.z);
    const double factors[3] = {scale.x, scale.y, scale.z};
    for (int column = 0; column < 3; ++column) {
        if (factors[column] != 1.0) {
            for (int row = 0; row < 3; ++row) {
                m[4 * column + row] *= factors[column];
            }
        }
    }
}

void Mat4::decompose(Vec3& position, Quaternion& q, Vec3& scale) const {
    double sx = Vec3(m[0], m[1], m[2]).length();
    double sy = Vec3(m[4], m[5], m[6]).length();
    double sz = Vec3(m[8], m[9], m[10]).length();
    if (determinant() < 0.0) {
        sx = -sx;
    }
    // A flat axis keeps a usable rotation instead of dividing by zero.
    constexpr double kFlat = 1e-6;
    sx = sx == 0.0 ? kFlat : sx;
    sy = sy == 0.0 ? kFlat : sy;
    sz = sz == 0.0 ? kFlat : sz;

    position.set(m[12], m[13], m[14]);

    Mat4 rotation(*this);
    const double inverse[3] = {1.0 / sx, 1.0 / sy, 1.0 / sz};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            rotation.m[4 * column + row] *= inverse[column];
        }
    }
    q.setWithMat4(rotation);
    scale.set(sx, sy, sz);
}

void Mat4::decompose(const Vec3& anchor, Vec3& position, Quaternion& q, Vec3& scale) const {
    decompose(position, q, scale);
    position += multWithoutTranslate(anchor);
}

}  // namespace Corvane::Tessory
