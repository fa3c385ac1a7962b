#include <gtest/gtest.h>

#include "engine/video/PixelLayout.h"
#include "engine/world/Face.h"
#include "engine/world/LightSet.h"
#include "engine/world/Vertex.h"

namespace {

TEST(Lights, SettersClampAndHaloStrengthFallsFromNearToFar) {
    Omni o;
    o.SetColor(-1, 0.5, 2);
    o.SetDirection(0, 0, 0);  // left as given, not NaN
    EXPECT_EQ(o.red, 0);
    EXPECT_TRUE(o.direction.IsZero());
    Halo h;
    h.SetFar(10);  // below near
    EXPECT_EQ(h.far, h.near);
    h.SetFar(30);
    for (double near : {15.0, 0.0, 40.0}) {  // 40 is above far: a hard sphere of radius 30
        h.SetNear(near);
        double last = 1;
        for (int d = 0; d <= 40; ++d) {
            const double s = h.Strength(d);
            EXPECT_TRUE(s <= last && s >= 0 && (d > h.near || s == 1)) << near << " " << d;
            EXPECT_TRUE(s == 0 || d < h.far || (d == h.far && h.near == h.far)) << near << " " << d;
            last = s;
        }
    }
}

class LightingTest : public ::testing::Test {
protected:
    LightingTest() {
        ActivePixelLayout() = PixelLayout::ThreeD();
        v.cameraNormal = Vector3(0, 0, -1);
        halo.SetColor(1, 2, 0.5);
    }
    ~LightingTest() override { ActivePixelLayout() = PixelLayout::ThreeD(); }
    LightSet set;
    Vertex v;  // at the camera-space origin, base colour 127 per channel
    Halo halo;
};

TEST_F(LightingTest, HaloLightFallsWithDistanceAlsoForFaces) {
    set.halos[set.haloCount++] = &halo;
    for (int d = 0; d <= 40; ++d) {
        halo.cx = d;
        v.Light(&set, 1);
        EXPECT_TRUE(d > 15 || (v.lr == 127 && v.lg == 254 && v.lb == 63)) << d;  // 127 x colour
        EXPECT_TRUE(d < 30 || v.packed == 0) << d;
    }

    // A face takes the integer average of its corners' distances: 10, 20, 40 -> 23.
    Vertex a, b, c, mid;
    a.cx = -10, b.cx = -20, c.cx = -40, mid.cx = -23;
    halo.cx = 0;
    Face f(&a, &b, &c);
    f.cameraNormal = mid.cameraNormal = v.cameraNormal;
    EXPECT_EQ(f.Light(&set, 1), mid.Light(&set, 1));
    EXPECT_GT(mid.lr, 0);
}

TEST_F(LightingTest, OmniFacingAwayDependsOnWindingAndSumsSaturate) {
    Omni o;
    o.SetColor(1, 1, 1);
    o.cameraDirection = Vector3(0, 0, 1);  // against the normal
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
    EXPECT_EQ(v.packed, 0xFFFFFF);

    // A 16-bit 2D layout clamps and packs with its own maxima.
    ActivePixelLayout() = PixelLayout{11, 5, 0, 0xF800, 0x7E0, 0x1F, 31, 31, 31};
    Vertex small;
    small.cameraNormal = Vector3(0, 0, -1);
    small.Light(&set, 1);
    EXPECT_EQ(small.lr, 31);
    EXPECT_EQ(small.packed, (31 << 11) + (31 << 5) + 31);
}

}  // namespace
