// Vector3D: single-precision results, aliasing in crossProduct, console form.
#include <gtest/gtest.h>

#include <cstring>

#include "shell/Vector3D.h"
#include "support/capture_stdout.h"

namespace {

void expectVector(const Vector3D& v, float x, float y, float z)
{
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

TEST(Vector3D, NormalizeScalesByTheSinglePrecisionReciprocal)
{
    Vector3D v(3, 0, 4);
    v.normalize();
    expectVector(v, 0.6f, 0.0f, 0.8f);

    Vector3D zero(0, 0, 0);
    zero.normalize();  // must not divide by zero
    expectVector(zero, 0, 0, 0);
}

TEST(Vector3D, MagnitudeIsExactForPythagoreanTriples)
{
    EXPECT_EQ(Vector3D(3, 4, 0).vectorMagnitude(), 5.0f);
    EXPECT_EQ(Vector3D(0, 0, -3).vectorMagnitude(), 3.0f);
}

TEST(Vector3D, CrossProductIsRightHandedAndMayAliasItsOperand)
{
    Vector3D r;
    r.crossProduct(Vector3D(1, 0, 0), Vector3D(0, 1, 0));
    expectVector(r, 0, 0, 1);
    r.crossProduct(Vector3D(0, 1, 0), Vector3D(1, 0, 0));
    expectVector(r, 0, 0, -1);

    Vector3D a(1, 0, 0);
    a.crossProduct(a, Vector3D(0, 1, 0));
    expectVector(a, 0, 0, 1);
}

TEST(Vector3D, DotProductIgnoresTheVectorItIsCalledOn)
{
    Vector3D p(0, 0, 3), n(0, 0, -1);
    EXPECT_EQ(p.dotProduct(n), -3.0f);
    EXPECT_EQ(Vector3D(7, 8, 9).dotProduct(p, n), -3.0f);
    expectVector(p, 0, 0, 3);
    expectVector(n, 0, 0, -1);
}

// a * a is 1 + 2^-11 + 2^-24, which rounds (ties to even) to 1 + 2^-11 in single
// precision. Rounded first, the product cancels exactly against 1 + 2^-11; kept
// in double precision or fused into a multiply-add it leaves 2^-24.
TEST(Vector3D, ProductsAreRoundedToSinglePrecisionBeforeTheyAreCombined)
{
    const float a = 1.0f + 1.0f / 4096.0f;
    const float b = 1.0f + 1.0f / 2048.0f;
    Vector3D cross;
    cross.crossProduct(Vector3D(0, a, b), Vector3D(0, 1, a));
    EXPECT_EQ(cross.x, 0.0f);
    EXPECT_EQ(Vector3D(a, b, 0).dotProduct(Vector3D(a, -1, 0)), 0.0f);
    // Sums too: 1e8 + 1 is 1e8 in single precision, so the third term cancels all.
    EXPECT_EQ(Vector3D(1e8f, 1, -1e8f).dotProduct(Vector3D(1, 1, 1)), 0.0f);
}

TEST(Vector3D, SumAndDifferenceLeaveOperandsUnchanged)
{
    const Vector3D a(0, 0, 3), b(0, 0, 0.05f);
    expectVector(a - b, 0, 0, 2.95f);
    expectVector(a + b, 0, 0, 3.05f);
    expectVector(a, 0, 0, 3);
    expectVector(b, 0, 0, 0.05f);
    expectVector(a.vector(), 0, 0, 3);
    Vector3D c(1, 2, 3);
    c.setVector(4, 5, 6);
    expectVector(c, 4, 5, 6);
}

TEST(Vector3D, PrintComponentsUsesTheStreamsDefaultForm)
{
    const struct {
        Vector3D v;
        const char* line;
    } cases[] = {
        {Vector3D(3, 4, 0), "x: 3 y: 4 z: 0\n"},
        {Vector3D(0.5f, 0, 0), "x: 0.5 y: 0 z: 0\n"},
        {Vector3D(0, 0, 2.95f), "x: 0 y: 0 z: 2.95\n"},
        {Vector3D(0, 0, 1.5000014f), "x: 0 y: 0 z: 1.5\n"},
        {Vector3D(-0.00001f, 1234567.0f, 0), "x: -1e-05 y: 1.23457e+06 z: 0\n"},
    };
    for (const auto& c : cases) {
        CoutCapture out;
        c.v.printComponents();
        EXPECT_EQ(out.take(), c.line);
    }
}

}  // namespace
