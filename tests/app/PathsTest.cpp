#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>

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
    void Load(const std::string& text, int paths) {
        std::ofstream(file, std::ios::binary) << text;
        LoadPaths(file.c_str(), paths);
    }
    static double X(int path, int key = 0) { return PathTable[path].keys[key].x; }

    std::string file;
};

// Any one character separates numbers; blanks and line breaks around them change nothing,
// and the line break that ended a path starts the next label. A missing file or a malformed
// number stops the reading: what was not read keeps its earlier value.
TEST_F(PathsTest, ReadsPathsAndFailuresKeepWhatWasThere) {
    Load("cam:2\n  1 ,\t2 ;3, 4,5 ,6 , 7 ;\n-4.5,5e1,6,7,8,9,12;\nb: 1 10,20,30,40,50,60,70;", 2);
    EXPECT_STREQ(PathTable[0].label, "cam");
    ASSERT_EQ(PathTable[0].keyCount, 2);
    EXPECT_EQ(PathTable[0].keys[0].rz, 6);
    EXPECT_EQ(PathTable[0].keys[0].frames, 7);
    EXPECT_EQ(std::make_pair(X(0, 1), PathTable[0].keys[1].y), std::make_pair(-4.5, 50.0));
    EXPECT_STREQ(PathTable[1].label, "\nb");
    EXPECT_EQ(PathTable[1].keys[0].rz, 60);

    LoadPaths((file + ".missing").c_str(), 2);  // changes nothing, as the checks below show
    Load("s:1 9,9,oops,9,9,9,9;\nt:1 8,8,8,8,8,8,8;", 2);
    EXPECT_EQ(std::make_pair(PathTable[0].keys[0].y, PathTable[0].keys[0].z), std::make_pair(9.0, 3.0));
    EXPECT_EQ(X(1), 10);
}

// Long labels are cut, keys and paths past the table read and dropped, counts below zero are
// none, placing on a path outside the table does nothing: nothing is touched outside it.
TEST_F(PathsTest, OversizedInputIsDroppedNotWrittenPastTheTable) {
    std::string text = std::string(40, 'L') + ":25\n";
    for (int k = 0; k < 25; ++k) text += std::to_string(k) + ",0,0,0,0,0,0;\n";
    for (int i = 0; i < 22; ++i) text += "x:1 " + std::to_string(100 + i) + ",0,0,0,0,0,0;\n";
    Load(text, 23);
    EXPECT_EQ(std::string(PathTable[0].label), std::string(Path::kLabelSize - 1, 'L'));
    EXPECT_EQ(PathTable[0].keyCount, Path::kMaxKeys);
    EXPECT_EQ(X(0, Path::kMaxKeys - 1), Path::kMaxKeys - 1);
    EXPECT_EQ(X(1), 100);  // the extra keys were read past
    EXPECT_EQ(X(kMaxPaths - 1), 100 + kMaxPaths - 2);
    Load("n:-4 1,1,1,1,1,1,1;", 1);
    EXPECT_EQ(PathTable[0].keyCount, 0);
    Object3D o;
    o.visible = 0;
    PlaceOnPath(&o, kMaxPaths);
    PlaceOnPath(&o, -1);
    EXPECT_EQ(o.visible, 0);
}

}  // namespace
