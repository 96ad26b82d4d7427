// Vector3D: every product and sum is rounded to single precision before the next.
#include "shell/Vector3D.h"

#include <cmath>
#include <iostream>

void Vector3D::setVector(float new_x, float new_y, float new_z)
{
    x = new_x;
    y = new_y;
    z = new_z;
}

Vector3D Vector3D::vector() const
{
    return Vector3D(x, y, z);
}

Vector3D Vector3D::operator+(const Vector3D& v) const
{
    return Vector3D(x + v.x, y + v.y, z + v.z);
}

Vector3D Vector3D::operator-(const Vector3D& v) const
{
    return Vector3D(x - v.x, y - v.y, z - v.z);
}

void Vector3D::crossProduct(Vector3D v1, Vector3D v2)
{
    x = v1.y * v2.z - v1.z * v2.y;
    y = v1.z * v2.x - v1.x * v2.z;
    z = v1.x * v2.y - v1.y * v2.x;
}

float Vector3D::dotProduct(const Vector3D& v1, const Vector3D& v2) const
{
    return (v1.x * v2.x + v1.y * v2.y) + v1.z * v2.z;
}

float Vector3D::dotProduct(const Vector3D& v2) const
{
    return dotProduct(*this, v2);
}

float Vector3D::vectorMagnitude() const
{
    const float s = (x * x + y * y) + z * z;
    return static_cast<float>(std::sqrt(static_cast<double>(s)));
}

void Vector3D::normalize()
{
    float len = vectorMagnitude();
    if (len == 0.0f) {
        return;
    }
    // One division, then three multiplications by the reciprocal.
    len = 1.0f / len;
    x = x * len;
    y = y * len;
    z = z * len;
}

void Vector3D::printComponents() const
{
    std::cout << "x: " << x << " y: " << y << " z: " << z << std::endl;
}
