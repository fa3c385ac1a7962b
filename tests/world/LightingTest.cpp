#include <gtest/gtest.h>

#include "engine/video/PixelLayout.h"
#include "engine/world/Face.h"
#include "engine/world/LightSet.h"
#include "engine/world/Vertex.h"

namespace {

TEST(Lights, SettersClampAndKeepNearBelowFar) {
    Omni o;
    o.SetColor(-1, 0.5, 2);
    EXPECT_EQ(o.red, 0);
    o.SetDirection(0, 0, 0);  // left as given, not NaN
    EXPECT_TRUE(o.direction.IsZero());

    Halo h;
    h.SetFar(10);  // below near (15)
    EXPECT_EQ(h.far, 15);
    h.SetFar(30);
    h.SetNear(40);  // above far
    EXPECT_EQ(h.near, 30);
}

TEST(Lights, HaloStrengthFallsLinearlyAndNearEqualFarIsAHardSphere) {
    Halo h;
    EXPECT_DOUBLE_EQ(h.Strength(15), 1.0);
    EXPECT_DOUBLE_EQ(h.Strength(22), 8.0 / 15.0);
    EXPECT_DOUBLE_EQ(h.Strength(30), 0.0);
    EXPECT_EQ(h.Strength(31), 0.0);

    h.SetNear(30);  // near == far
    EXPECT_EQ(h.Strength(29), 1.0);
    EXPECT_EQ(h.Strength(30), 1.0);
    EXPECT_EQ(h.Strength(31), 0.0);
}

class LightingTest : public ::testing::Test {
protected:
    LightingTest() {
        ActivePixelLayout() = PixelLayout::ThreeD();
        v.cameraNormal = Vector3(0, 0, -1);
    }
    LightSet set;
    Vertex v;
};

TEST_F(LightingTest, HaloAtDistanceTwentyTwo) {
    Halo h;
    h.SetColor(1, 2, 0.5);
    h.cx = 22;  // vertex at the camera-space origin
    set.halos[set.haloCount++] = &h;
    EXPECT_EQ(v.Light(&set, 1), (67 << 16) + (135 << 8) + 33);
    EXPECT_EQ(v.packed, (67 << 16) + (135 << 8) + 33);  // 127 x (1, 2, 0.5) x 8/15, truncated

    // Camera-space coordinates are truncated before the distance: 0.9 counts as 0, so the
    // vertex is still 22 away (not 21.1, which would give 76).
    v.cx = 0.9;
    v.Light(&set, 1);
    EXPECT_EQ(v.lr, 67);
}

TEST_F(LightingTest, OmniFacingAwayDependsOnWinding) {
    Omni o;
    o.SetColor(1, 1, 1);
    o.cameraDirection = Vector3(0, 0, 1);  // t = -1 against the normal (0, 0, -1)
    set.omnis[set.omniCount++] = &o;
    v.Light(&set, 1);
    EXPECT_EQ(v.lr, 0);
    v.Light(&set, -1);
    EXPECT_EQ(v.lr, 127);

    // Sums clamp to the channel maximum, from above only.
    Omni strong;
    strong.cameraDirection = Vector3(0, 0, -1);
    set.omnis[set.omniCount++] = &strong;
    v.Light(&set, 1);
    EXPECT_EQ(v.lr, 255);
    EXPECT_EQ(v.packed, 0xFFFFFF);

    // A 16-bit 2D layout clamps and packs with its own values.
    ActivePixelLayout() = PixelLayout{11, 5, 0, 0xF800, 0x7E0, 0x1F, 31, 31, 31};
    Vertex small;
    small.cameraNormal = Vector3(0, 0, -1);
    small.Light(&set, 1);
    EXPECT_EQ(small.r, 15);
    EXPECT_EQ(small.lr, 31);
    EXPECT_EQ(small.packed, (31 << 11) + (31 << 5) + 31);
    ActivePixelLayout() = PixelLayout::ThreeD();
}

TEST_F(LightingTest, FaceUsesItsNormalAndTheAverageCornerDistance) {
    Vertex a, b, c;
    a.cx = 10;
    b.cx = 20;
    c.cx = 40;  // distances to a halo at the origin: 10, 20, 40 -> 70 / 3 = 23
    Face f(&a, &b, &c);
    f.cameraNormal = Vector3(0, 0, -1);
    Halo h;
    h.SetColor(1, 1, 1);
    set.halos[set.haloCount++] = &h;
    f.Light(&set, 1);
    EXPECT_EQ(f.lr, static_cast<int>(127 * ((23.0 - 30) / (15.0 - 30))));

    // Face selection by depth.
    a.cz = b.cz = c.cz = 0;
    EXPECT_FALSE(f.InFrontOfNear(0));
    c.cz = 0.5;
    EXPECT_TRUE(f.InFrontOfNear(0));
    EXPECT_TRUE(f.BeforeFar(10));
    a.cz = b.cz = c.cz = 10;
    EXPECT_FALSE(f.BeforeFar(10));
}

}  // namespace
