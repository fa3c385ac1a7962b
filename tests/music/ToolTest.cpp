// solmire-music, run as a user runs it: the lines it prints, the WAV it writes, its refusals.

#include "MusicFixtures.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using fixtures::Tool;
using fixtures::ToolRun;

TEST(SolmireMusic, ListsTheSyncsOfOneLoopOrOfTheTimeAskedAndWritesTheAudio) {
    xm::Module m = fixtures::Blank(2, {32}, {0});
    fixtures::Sync(m, 0, 0);
    fixtures::Sync(m, 0, 16, 1);
    const std::string xm = fixtures::WriteModule("tool.xm", m);

    const ToolRun loop = Tool(xm);  // one loop: 32 rows of 10 ms
    EXPECT_EQ(loop.status, 0);
    EXPECT_TRUE(std::regex_match(loop.out, std::regex("sync 1 at 0\\.00[0-9] order 0 row 0\n"
                                                      "sync 2 at 0\\.16[0-9] order 0 row 16\n"
                                                      "total 2\n")))
        << loop.out;

    const std::string wav = fixtures::TempDir() + "/tool.wav";
    const ToolRun twice = Tool(xm + " --seconds 0.64 --wav " + wav);
    EXPECT_EQ(twice.status, 0);
    EXPECT_TRUE(std::regex_search(twice.out, std::regex("sync 3 at 0\\.32[0-9] order 0 row 0\n.*\ntotal 4\n$")))
        << twice.out;
    EXPECT_EQ(std::filesystem::file_size(wav), 44u + 28224u * 4u);  // 0.64 s of 16-bit stereo
}

TEST(SolmireMusic, RefusesBadArgumentsAndUnreadableModules) {
    EXPECT_EQ(Tool("").status, 2);
    EXPECT_EQ(Tool("a.xm b.xm").status, 2);
    EXPECT_EQ(Tool("a.xm --seconds -1").status, 2);
    EXPECT_EQ(Tool("a.xm --seconds lots").status, 2);
    EXPECT_EQ(Tool("a.xm --bogus").status, 2);
    EXPECT_EQ(Tool(fixtures::TempDir() + "/absent.xm").status, 1);
}

}  // namespace
