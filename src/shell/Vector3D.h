// Three-component single-precision vector used by walking and collision.
#pragma once

class Vector3D {
public:
    float x;
    float y;
    float z;

    // Leaves the components unset; every user assigns before reading.
    Vector3D() = default;
    constexpr Vector3D(const float fx, const float fy, const float fz) : x(fx), y(fy), z(fz) {}
    ~Vector3D() = default;

    void setVector(float new_x, float new_y, float new_z);
    // A copy of this vector.
    Vector3D vector() const;
    Vector3D operator+(const Vector3D& v) const;
    Vector3D operator-(const Vector3D& v) const;
    // This vector becomes v1 x v2 (right-handed); the operands are copies, so
    // this vector may be passed as one of them.
    void crossProduct(Vector3D v1, Vector3D v2);
    // v1 . v2; this vector takes no part.
    float dotProduct(const Vector3D& v1, const Vector3D& v2) const;
    // this . v2
    float dotProduct(const Vector3D& v2) const;
    // Scales to length 1; a zero vector is left as it is.
    void normalize();
    float vectorMagnitude() const;
    // Writes "x: X y: Y z: Z" as one flushed console line.
    void printComponents() const;
};
