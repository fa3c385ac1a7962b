// Starting at a later scene: it begins at the moment a whole run reaches it, with the same
// picture (world, lights, camera) and its music cues at the same passes, before the module
// change and after it. Also the list of scenes and the options that go with them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/Show.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Outcome {
    int code;
    std::string out, err;
};

Outcome Solmire(const std::string& arguments) {
    const std::string out = ::testing::TempDir() + "solmire_jump_out" + std::to_string(getpid());
    const std::string err = out + ".err";
    const int status = std::system((std::string(SOLMIRE_SHOW) + " " + arguments + " >" + out + " 2>" + err).c_str());
    Outcome o{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
    fs::remove(out);
    fs::remove(err);
    return o;
}

// The trace's scene beginnings ("NAME MS"), lengths in passes, and cues ("SCENE PHASE P R").
struct Trace {
    std::vector<std::pair<std::string, long>> begins;
    std::vector<std::pair<std::string, long>> lengths;
    std::vector<std::string> cues;
    explicit Trace(const std::string& text) {
        const std::regex begin(R"(scene (\w+) begins at (\d+) ms)"), end(R"(scene (\w+) passes (\d+) frames \d+)"),
            cue(R"(cue (\w+ \S+) at pass (-?\d+) ready (-?\d+))");
        std::istringstream in(text);
        std::smatch m;
        for (std::string line; std::getline(in, line);) {
            if (std::regex_match(line, m, begin)) begins.emplace_back(m[1], std::stol(m[2]));
            if (std::regex_match(line, m, end)) lengths.emplace_back(m[1], std::stol(m[2]));
            if (std::regex_match(line, m, cue)) cues.push_back(m[1].str() + " " + m[2].str() + " " + m[3].str());
        }
    }
    static long Of(const std::vector<std::pair<std::string, long>>& list, const std::string& scene) {
        for (const auto& [name, value] : list)
            if (name == scene) return value;
        return -1;
    }
    std::vector<std::string> CuesOf(const std::string& a, const std::string& b = "-") const {
        std::vector<std::string> out;
        for (const std::string& c : cues)
            if (c.rfind(a + " ", 0) == 0 || c.rfind(b + " ", 0) == 0) out.push_back(c);
        return out;
    }
};

// The whole show once, drawn as a capture draws it, for every case to compare with.
class SceneJump : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const Outcome run = Solmire("--benchmark --trace --tail 0");
        ASSERT_EQ(run.code, 0) << run.err;
        whole = new Trace(run.err);
    }
    static void TearDownTestSuite() { delete whole; }
    static inline Trace* whole = nullptr;
};

TEST_F(SceneJump, TheListGivesEverySceneInOrderAtTheMomentTheWholeShowReachesIt) {
    ASSERT_NE(whole, nullptr);
    // The scenes of the whole run, less the fade that closes the missiles and the greetings' roll.
    std::vector<long> begins;
    for (const auto& [name, ms] : whole->begins)
        if (name != "FadeToPicture" && name != "GreetingRoll") begins.push_back(ms);
    const Outcome run = Solmire("--list-scenes");
    ASSERT_EQ(run.code, 0) << run.err;
    std::istringstream lines(run.out);
    const std::regex format(R"((\S+) +(\d+):(\d\d)  solmire\.xm order (\d+) row \d+)");
    std::smatch m;
    std::size_t i = 0;
    long order = 0;
    for (std::string line; std::getline(lines, line); ++i) {
        ASSERT_TRUE(std::regex_match(line, m, format)) << line;
        ASSERT_LT(i, ShowSteps().size());
        EXPECT_EQ(m[1], ShowSteps()[i].name);
        EXPECT_EQ(std::stol(m[2]) * 60 + std::stol(m[3]), begins.at(i) / 1000) << line;
        EXPECT_GE(std::stol(m[4]), order) << line;
        order = std::stol(m[4]);
    }
    EXPECT_EQ(i, 16u);
    EXPECT_EQ(begins.size(), 16u);
}

// Before the module change: the fleet's launch, under the axis lights that the planet added, the
// ring took away and the battle gave back.
TEST_F(SceneJump, ASceneBeforeTheModuleChangeStartsWithTheWholeShowsPictureAndCues) {
    const long beginMs = Trace::Of(whole->begins, "FleetLaunchScene");
    const long length = Trace::Of(whole->lengths, "FleetLaunchScene");
    ASSERT_GT(beginMs, 0);
    const long pass = (beginMs * 30 + 999) / 1000;  // the clock's milliseconds are truncated
    const fs::path root = fs::path(::testing::TempDir()) / ("solmire_jump_" + std::to_string(getpid()));
    fs::remove_all(root);
    ASSERT_EQ(Solmire("--capture " + (root / "whole").string() + " --every " + std::to_string(pass) + " --frames " +
                      std::to_string(pass + 1)).code, 0);
    // To the pass after its last, which says its cue.
    const Outcome jumped = Solmire("--scene fleet-launch --trace --capture " + (root / "jump").string() + " --every 1000 --frames " +
                                   std::to_string(length + 1));
    ASSERT_EQ(jumped.code, 0) << jumped.err;

    char name[32];
    std::snprintf(name, sizeof name, "frame-%06ld.png", pass);
    const std::string expected = ReadAll(root / "whole" / name);
    ASSERT_GT(expected.size(), 1000u);
    EXPECT_TRUE(ReadAll(root / "jump" / "frame-000000.png") == expected) << "not the whole show's first picture";
    const Trace trace(jumped.err);
    ASSERT_FALSE(trace.begins.empty());
    EXPECT_EQ(trace.begins.front(), std::make_pair(std::string("FleetLaunchScene"), beginMs));
    EXPECT_FALSE(trace.CuesOf("FleetLaunchScene").empty());
    EXPECT_EQ(trace.CuesOf("FleetLaunchScene"), whole->CuesOf("FleetLaunchScene"));
    fs::remove_all(root);
}

// After it: the greetings fade the first module out and play theirs, whose cues lead the roll.
TEST_F(SceneJump, TheGreetingsGetTheirOwnModuleWithItsCuesOnTime) {
    const Outcome run = Solmire("--scene greetings --benchmark --trace --tail 0");
    ASSERT_EQ(run.code, 0) << run.err;
    const Trace trace(run.err);
    ASSERT_FALSE(trace.begins.empty());
    EXPECT_EQ(trace.begins.front(), std::make_pair(std::string("GreetingsScene"), Trace::Of(whole->begins, "GreetingsScene")));
    EXPECT_GE(trace.CuesOf("GreetingsScene", "GreetingRoll").size(), 3u);
    EXPECT_EQ(trace.CuesOf("GreetingsScene", "GreetingRoll"), whole->CuesOf("GreetingsScene", "GreetingRoll"));
    // The benchmark times the greetings only.
    EXPECT_EQ(run.out.find("scene TitleScene"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("scene GreetingsScene"), std::string::npos) << run.out;
}

TEST(PlayerOptions, VersionNamesAndUsageMistakes) {
    const Outcome version = Solmire("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, std::string("solmire ") + SOLMIRE_VERSION + "\n");
    const Outcome unknown = Solmire("--scene Lake");
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n')), "solmire: --scene is " + ShowStepNames());
    for (const char* mistake : {"--scene", "--scene ''", "--scene lake --list-scenes", "--list-scenes --benchmark",
                                "--list-scenes --capture x", "--scene title --frames 3", "--scene lake --tail 2"})
        EXPECT_EQ(Solmire(mistake).code, 2) << mistake;
    EXPECT_EQ(FindShowStep("greetings"), 15);
    EXPECT_EQ(FindShowStep("title "), -1);
}

}  // namespace
