// The show as a capture plays it, on the real soundtrack: the scenes come in their order, and
// every phase that waits for the music gets its cue after it has shown what it must and at
// most eight seconds later.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kLatestCuePasses = 8 * 30;
const std::vector<std::string> kScenes = {
    "TitleScene",       "PlanetScene",       "CockpitTunnelScene", "MothershipRingScene", "SpaceBattleScene",
    "FleetLaunchScene", "FountainScene",     "MountainPassScene",  "ForestFlightScene",   "MissileScene",
    "LighthouseEffect", "LakeScene",         "CharacterScene",     "LogoScene",          "MotorbikeScene"};

TEST(Show, ScenesComeInOrderAndEachCueFollowsItsPhaseWithinEightSeconds) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("solmire_show_" + std::to_string(getpid()));
    fs::remove_all(dir);
    // One picture in the whole run: the trace is what is checked.
    const std::string command = std::string(SOLMIRE_SHOW) + " --capture " + dir.string() +
                                " --trace --every 1000000 2>" + (dir.string() + ".trace");
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::ifstream trace(dir.string() + ".trace");
    const std::regex sceneLine(R"(scene (\w+) passes (\d+) frames (\d+))");
    const std::regex cueLine(R"(cue (\w+) (\S+) at pass (-?\d+) ready (-?\d+))");
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
        }
    }
    ASSERT_GE(scenes.size(), kScenes.size()) << "the capture ended early";
    EXPECT_EQ(std::vector<std::string>(scenes.begin(), scenes.begin() + kScenes.size()), kScenes);
    EXPECT_GT(cues, 0);
    fs::remove_all(dir);
    fs::remove(dir.string() + ".trace");
}

}  // namespace
