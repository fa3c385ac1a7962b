#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "app/Paths.h"
#include "engine/world/Object3D.h"

namespace {

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (Path& p : PathTable) p = Path{};
        // Per process: ctest runs the cases side by side.
        file = ::testing::TempDir() + "paths_test_" + std::to_string(getpid()) + ".txt";
    }
    void TearDown() override { std::remove(file.c_str()); }
    void Write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

    std::string file;
};

TEST_F(PathsTest, ReadsLabelsCountsKeysWithAnySeparatorsAndBlanks) {
    Write("camera:2\n1,2,3,0.1,0.2,0.3,40;\n-4.5,5e1,6,7,8,9,12;\n");
    LoadPaths(file.c_str(), 1);
    const Path& p = PathTable[0];
    EXPECT_STREQ(p.label, "camera");
    ASSERT_EQ(p.keyCount, 2);
    EXPECT_EQ(p.keys[0].x, 1);
    EXPECT_EQ(p.keys[0].rz, 0.3);
    EXPECT_EQ(p.keys[0].frames, 40);
    EXPECT_EQ(p.keys[1].x, -4.5);
    EXPECT_EQ(p.keys[1].y, 50);
    EXPECT_EQ(p.keys[1].frames, 12);

    // Blanks and line breaks around numbers and separators change nothing; the second label
    // starts with the line break that ended the first path.
    Write("a:1\n  1 ,\t2 ;3, 4,5 ,6 , 7 ;\nb: 1 10,20,30,40,50,60,70;");
    LoadPaths(file.c_str(), 2);
    EXPECT_EQ(PathTable[0].keys[0].y, 2);
    EXPECT_EQ(PathTable[0].keys[0].frames, 7);
    EXPECT_STREQ(PathTable[1].label, "\nb");
    EXPECT_EQ(PathTable[1].keys[0].rz, 60);
}

TEST_F(PathsTest, FailuresKeepWhatWasThere) {
    Write("p:1 1,1,1,1,1,1,1;\nq:1 2,2,2,2,2,2,2;\n");
    LoadPaths(file.c_str(), 2);

    // Missing file: nothing changes.
    LoadPaths((file + ".missing").c_str(), 2);
    EXPECT_EQ(PathTable[1].keys[0].x, 2);

    // Fewer paths: higher records stay from the earlier file.
    Write("r:1 3,3,3,3,3,3,3;");
    LoadPaths(file.c_str(), 1);
    EXPECT_EQ(PathTable[0].keys[0].x, 3);
    EXPECT_EQ(PathTable[1].keys[0].x, 2);

    // A malformed number stops the reading: it and everything after keep their old values.
    Write("s:1 9,9,oops,9,9,9,9;\nt:1 8,8,8,8,8,8,8;");
    LoadPaths(file.c_str(), 2);
    EXPECT_EQ(PathTable[0].keys[0].y, 9);
    EXPECT_EQ(PathTable[0].keys[0].z, 3);
    EXPECT_EQ(PathTable[0].keys[0].rz, 3);
    EXPECT_EQ(PathTable[1].keys[0].x, 2);

    // An early end of file likewise.
    Write("u:3 5,5,5");
    LoadPaths(file.c_str(), 1);
    EXPECT_EQ(PathTable[0].keyCount, 3);
    EXPECT_EQ(PathTable[0].keys[0].z, 5);
    EXPECT_EQ(PathTable[0].keys[1].x, 0);
}

TEST_F(PathsTest, OversizedInputIsDroppedNotWrittenPastTheTable) {
    std::string text = std::string(40, 'L') + ":25\n";
    for (int k = 0; k < 25; ++k) text += std::to_string(k) + ",0,0,0,0,0,0;\n";
    for (int i = 0; i < 22; ++i) text += "x:1 " + std::to_string(100 + i) + ",0,0,0,0,0,0;\n";
    Write(text);
    LoadPaths(file.c_str(), 23);
    EXPECT_EQ(std::string(PathTable[0].label), std::string(19, 'L'));
    EXPECT_EQ(PathTable[0].keyCount, Path::kMaxKeys);
    EXPECT_EQ(PathTable[0].keys[19].x, 19);
    // The path after the long one was still found: the 5 extra keys were read and dropped.
    EXPECT_EQ(PathTable[1].keys[0].x, 100);
    EXPECT_EQ(PathTable[19].keys[0].x, 118);

    Write("n:-4 1,1,1,1,1,1,1;");
    LoadPaths(file.c_str(), 1);
    EXPECT_EQ(PathTable[0].keyCount, 0);
}

TEST_F(PathsTest, PlacementAndInterpolation) {
    Write("w:0 ");
    LoadPaths(file.c_str(), 1);
    PathTable[0].keys[0] = PathKey{1, 2, 3, 0.1, 0.2, 0.3, 0};
    Object3D o;
    o.visible = 0;
    PlaceOnPath(&o, 0);  // key 0 even with keyCount 0
    EXPECT_EQ(o.visible, 1);
    EXPECT_EQ(o.position[2], 3);
    EXPECT_EQ(o.angles[1], 0.2);
    PlaceOnPath(&o, kMaxPaths);  // outside the table: nothing
    EXPECT_EQ(o.position[0], 1);

    o.visible = 0;
    SetPose(&o, 4, 5, 6, 0.4, 0.5, 0.6);
    EXPECT_EQ(o.visible, 0);
    EXPECT_EQ(o.angles[2], 0.6);

    EXPECT_EQ(Lerp(2, 4, 0.25), 2.5);
    EXPECT_EQ(Bezier2(0, 500, 0, 0.5), 250);
    EXPECT_EQ(Bezier2(7, 500, -3, 0), 7);
    EXPECT_EQ(Bezier2(7, 500, -3, 1), -3);
}

}  // namespace
