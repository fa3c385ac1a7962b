// The show as a capture plays it, on the real soundtrack, from the first frame into its last
// loop: the scenes come in their order, every phase that waits for the music gets its cue
// after it has shown what it must and at most eight seconds later, and the whole lasts
// between four and seven minutes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/Progress.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPassesPerSecond = 30;
constexpr int kLatestCuePasses = 8 * kPassesPerSecond;
constexpr int kShortestShow = 4 * 60 * kPassesPerSecond;
constexpr int kLongestShow = 7 * 60 * kPassesPerSecond;
const std::vector<std::string> kScenes = {
    "TitleScene",       "PlanetScene",       "CockpitTunnelScene", "MothershipRingScene", "SpaceBattleScene",
    "FleetLaunchScene", "FountainScene",     "MountainPassScene",  "ForestFlightScene",   "MissileScene",
    "LighthouseEffect", "LakeScene",         "CharacterScene",     "LogoScene",           "MotorbikeScene",
    "GreetingsScene"};

TEST(Show, ScenesComeInOrderOnTheirCuesIntoTheLastLoopWithinSevenMinutes) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("solmire_show_" + std::to_string(getpid()));
    fs::remove_all(dir);
    // One picture in the whole run: the trace is what is checked.
    const std::string command = std::string(SOLMIRE_SHOW) + " --capture " + dir.string() +
                                " --trace --every 1000000 --tail 1 2>" + (dir.string() + ".trace");
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::ifstream trace(dir.string() + ".trace");
    const std::regex sceneLine(R"(scene (\w+) passes (\d+) frames (\d+))");
    const std::regex cueLine(R"(cue (\w+) (\S+) at pass (-?\d+) ready (-?\d+))");
    const std::regex finalLine(R"(final loop at pass (\d+))");
    long finalPass = -1;
    std::vector<std::string> scenes;
    int cues = 0;
    for (std::string line; std::getline(trace, line);) {
        std::smatch m;
        if (std::regex_match(line, m, sceneLine)) {
            EXPECT_GT(std::stol(m[2]), 0) << line;
            // Fades run inside the scenes that call them.
            if (m[1] != "FadeToPicture") scenes.push_back(m[1]);
        } else if (std::regex_match(line, m, cueLine)) {
            const long wait = std::stol(m[3]) - std::stol(m[4]);
            EXPECT_GE(wait, 0) << line;
            EXPECT_LE(wait, kLatestCuePasses) << line;
            ++cues;
        } else if (std::regex_match(line, m, finalLine)) {
            EXPECT_EQ(finalPass, -1) << "the last loop is entered once";
            finalPass = std::stol(m[1]);
        }
    }
    // The roll of names never ends, so the greetings' scene is the last to say its passes.
    EXPECT_EQ(scenes, kScenes);
    EXPECT_GT(cues, 0);
    EXPECT_GE(finalPass, kShortestShow) << "the last loop was not reached, or too soon";
    EXPECT_LE(finalPass, kLongestShow);
    // The capture's progress bar counts to this: it must be the show's own length.
    EXPECT_EQ(finalPass, kShowPasses) << "update kShowPasses in app/Progress.h";
    fs::remove_all(dir);
    fs::remove(dir.string() + ".trace");
}

}  // namespace
