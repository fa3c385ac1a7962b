// Starting the show at a later scene: the scene begins at the moment a whole run reaches it,
// with the same picture (so the same world, lights and camera) and its music cues at the same
// passes, before the module change and after it. Also the list of scenes and the options that
// go with them.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

fs::path Scratch(const std::string& name) {
    return fs::path(::testing::TempDir()) / ("solmire_jump_" + name + "_" + std::to_string(getpid()));
}

struct Outcome {
    int code = -1;
    std::string out, err;
};

Outcome Solmire(const std::string& arguments) {
    const fs::path out = Scratch("out"), err = Scratch("err");
    const int status =
        std::system((std::string(SOLMIRE_SHOW) + " " + arguments + " >" + out.string() + " 2>" + err.string()).c_str());
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(out), ReadAll(err)};
    fs::remove(out);
    fs::remove(err);
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What the trace says of one run: when each scene began, how long each ran, and every cue.
struct Trace {
    std::vector<std::pair<std::string, long>> begins;  // scene, ms, in order
    std::map<std::string, long> passes;                // by scene, the last run of each
    std::vector<std::string> cues;                     // "SCENE PHASE P R"

    explicit Trace(const std::string& text) {
        const std::regex begin(R"(scene (\w+) begins at (\d+) ms)");
        const std::regex end(R"(scene (\w+) passes (\d+) frames \d+)");
        const std::regex cue(R"(cue (\w+) (\S+) at pass (-?\d+) ready (-?\d+))");
        for (const std::string& line : Lines(text)) {
            std::smatch m;
            if (std::regex_match(line, m, begin)) begins.emplace_back(m[1], std::stol(m[2]));
            else if (std::regex_match(line, m, end)) passes[m[1]] = std::stol(m[2]);
            else if (std::regex_match(line, m, cue)) cues.push_back(m[1].str() + " " + m[2].str() + " " + m[3].str() + " " + m[4].str());
        }
    }
    long BeginMs(const std::string& scene) const {
        for (const auto& [name, ms] : begins)
            if (name == scene) return ms;
        return -1;
    }
    std::vector<std::string> CuesOf(const std::vector<std::string>& scenes) const {
        std::vector<std::string> out;
        for (const std::string& c : cues)
            for (const std::string& s : scenes)
                if (c.rfind(s + " ", 0) == 0) out.push_back(c);
        return out;
    }
};

// The pass a scene began at, from its time on the capture's clock (whole passes of 1/30 s,
// the milliseconds truncated).
long PassAt(long ms) { return (ms * 30 + 999) / 1000; }

// The whole show once, drawn as a capture draws it, for every case to compare with.
class SceneJump : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const Outcome run = Solmire("--benchmark --trace --tail 0");
        ASSERT_EQ(run.code, 0) << run.err;
        whole = new Trace(run.err);
    }
    static void TearDownTestSuite() {
        delete whole;
        whole = nullptr;
    }
    static Trace* whole;
};
Trace* SceneJump::whole = nullptr;

TEST_F(SceneJump, TheListGivesEverySceneInOrderAtTheMomentTheWholeShowReachesIt) {
    ASSERT_NE(whole, nullptr);
    const Outcome run = Solmire("--list-scenes");
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 16u) << run.out;
    ASSERT_EQ(ShowSteps().size(), 16u);

    // The scenes of the whole run, less the fade that closes the missiles and the roll that the
    // greetings run inside themselves.
    std::vector<long> begins;
    for (const auto& [name, ms] : whole->begins)
        if (name != "FadeToPicture" && name != "GreetingRoll") begins.push_back(ms);
    ASSERT_EQ(begins.size(), 16u);

    const std::regex line(R"((\S+) +(\d+):(\d\d)  (\S+) order (\d+) row (\d+))");
    long lastOrder = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, line)) << lines[i];
        EXPECT_EQ(m[1], ShowSteps()[i].name);
        EXPECT_EQ(FindShowStep(m[1]), static_cast<int>(i));
        EXPECT_EQ(std::stol(m[2]) * 60 + std::stol(m[3]), begins[i] / 1000) << lines[i];
        // One module from the title to the greetings, which change it themselves, played on.
        EXPECT_EQ(m[4], "solmire.xm") << lines[i];
        EXPECT_GE(std::stol(m[5]), lastOrder) << lines[i];
        lastOrder = std::stol(m[5]);
    }
    EXPECT_GT(lastOrder, 0);
}

// Before the module change: the fleet's launch, with the axis lights that the planet added, the
// ring took away and the battle gave back.
TEST_F(SceneJump, ASceneBeforeTheModuleChangeStartsWithTheWholeShowsPictureAndCues) {
    ASSERT_NE(whole, nullptr);
    const std::string scene = "FleetLaunchScene";
    const long beginMs = whole->BeginMs(scene);
    ASSERT_GT(beginMs, 0);
    const long pass = PassAt(beginMs);
    ASSERT_GT(whole->passes.count(scene), 0u);
    const long length = whole->passes.at(scene);

    const fs::path root = Scratch("fleet");
    fs::remove_all(root);
    // The whole show's picture of that pass: only every pass-th picture is written.
    const std::string from = std::to_string(pass);
    ASSERT_EQ(Solmire("--capture " + (root / "whole").string() + " --every " + from + " --frames " +
                      std::to_string(pass + 1))
                  .code,
              0);
    // To the pass after its last, which says its cue.
    const Outcome jumped = Solmire("--scene fleet-launch --trace --capture " + (root / "jump").string() + " --frames " +
                                   std::to_string(length + 1) + " --every " + std::to_string(length + 1));
    ASSERT_EQ(jumped.code, 0) << jumped.err;

    char name[32];
    std::snprintf(name, sizeof name, "frame-%06ld.png", pass);
    const std::string expected = ReadAll(root / "whole" / name);
    ASSERT_GT(expected.size(), 1000u);
    EXPECT_TRUE(ReadAll(root / "jump" / "frame-000000.png") == expected) << "the first picture differs from the whole show's";

    const Trace trace(jumped.err);
    ASSERT_FALSE(trace.begins.empty());
    EXPECT_EQ(trace.begins.front(), std::make_pair(scene, beginMs)) << "scenes before it were traced, or it came late";
    const std::vector<std::string> cues = trace.CuesOf({scene});
    EXPECT_FALSE(cues.empty());
    EXPECT_EQ(cues, whole->CuesOf({scene}));
    fs::remove_all(root);
}

// After it: the greetings fade the first module out and play theirs, whose cues then lead the
// roll of names to the last loop.
TEST_F(SceneJump, TheGreetingsGetTheirOwnModuleWithItsCuesOnTime) {
    ASSERT_NE(whole, nullptr);
    const Outcome run = Solmire("--scene greetings --benchmark --trace --tail 0");
    ASSERT_EQ(run.code, 0) << run.err;
    const Trace trace(run.err);
    ASSERT_FALSE(trace.begins.empty());
    EXPECT_EQ(trace.begins.front().first, "GreetingsScene");
    EXPECT_EQ(trace.begins.front().second, whole->BeginMs("GreetingsScene"));
    const std::vector<std::string> cues = trace.CuesOf({"GreetingsScene", "GreetingRoll"});
    EXPECT_GE(cues.size(), 3u);
    EXPECT_EQ(cues, whole->CuesOf({"GreetingsScene", "GreetingRoll"}));
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
    EXPECT_EQ(Lines(unknown.err).at(0), "solmire: --scene is " + ShowStepNames());
    for (const ShowStep& step : ShowSteps()) EXPECT_NE(Lines(unknown.err).at(0).find(step.name), std::string::npos);

    for (const char* mistake : {"--scene", "--scene ''", "--scene lake --list-scenes", "--list-scenes --benchmark",
                                "--list-scenes --capture x", "--scene title --frames 3", "--scene lake --tail 2",
                                "--list-scenes --scene"})
        EXPECT_EQ(Solmire(mistake).code, 2) << mistake;

    EXPECT_EQ(FindShowStep("greetings"), static_cast<int>(ShowSteps().size()) - 1);
    EXPECT_EQ(FindShowStep(""), -1);
    EXPECT_EQ(FindShowStep("title "), -1);
}

}  // namespace
