// The greetings on the generated content with scripted syncs: the set turns a quarter at each of
// the first three cues and spins from the fourth while its lights ramp up and fade; the names
// roll one after another into the endless last loop; Escape ends the program during the module
// change and in the last loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/Show.h"
#include "app/scenes/Scenes.h"
#include "content/GreetedGroups.h"
#include "engine/world/Object3D.h"
#include "support/PushKey.h"
#include "show/SceneFixture.h"

namespace {

constexpr double kQuarter = 1.5707963;
constexpr int kNames = 17;  // the sixteen groups and "bye", objects 1 to 17 of the roll

struct StopShow {};  // thrown from a stage hook: the show's last loop never returns

class GreetingsTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        soundtrack.SetFadeClock({[this] { return fadeSeconds; }, [this](double s) { fadeSeconds += s; }});
    }
    void TearDown() override {
        for (Omni& o : greetLights) world.RemoveOmni(&o);
        soundtrack.SetFadeClock({});
        SceneTest::TearDown();
    }
    double fadeSeconds = 0;
};

struct SetPass {
    double ry;
    bool shared;  // the panels at the pillar's angle
    double light[2][3];
    double rings[2];
    double lift;
};

TEST_F(GreetingsTest, TheSetTurnsAQuarterAtEachCueSpinsFromTheFourthAndItsLightsRampAndFade) {
    const int cueAt[4] = {40, 100, 160, 220};  // set passes after which the counter moves
    int idles = 0;
    TheStage().idle = [&] {
        if (++idles == 3) ++syncs;  // the new tune's first cue, while nothing is drawn
    };
    std::vector<SetPass> run;
    double fadedBeforeFirstPass = -1;
    TheStage().endOfPass = [&] {
        if (world.GetObjectCount() != 8) throw StopShow{};  // the roll has begun
        if (run.empty()) fadedBeforeFirstPass = fadeSeconds;
        SetPass p{world.GetObject(0)->angles[1], true, {}, {}, world.GetObject(7)->position[1]};
        for (int i = 1; i <= 4; ++i) p.shared = p.shared && world.GetObject(i)->angles[1] == p.ry;
        for (int i = 0; i < 2; ++i) {
            p.light[i][0] = greetLights[i].red, p.light[i][1] = greetLights[i].green;
            p.light[i][2] = greetLights[i].blue;
            p.rings[i] = world.GetObject(5 + i)->position[1];
        }
        run.push_back(p);
        if (std::find(cueAt, cueAt + 4, static_cast<int>(run.size())) != cueAt + 4) ++syncs;
    };
    EXPECT_THROW(GreetingsScene(), StopShow);
    EXPECT_EQ(idles, 3) << "the wait after the module change ends on its cue";
    EXPECT_NEAR(fadedBeforeFirstPass, 2 * music::kFadeSeconds, 1e-9) << "both fades before the first pass";
    ASSERT_GT(run.size(), 400u);
    EXPECT_EQ(flips, static_cast<int>(run.size()) + 1) << "every pass drawn, and the roll's first";

    // Each quarter turn takes the 32 passes after its cue and ends exactly on its quarter.
    double quarter = 0;
    for (int t = 0; t < 3; ++t) {
        SCOPED_TRACE(t);
        for (int p = cueAt[t]; p < cueAt[t + 1]; ++p) EXPECT_EQ(run[p].ry != run[p - 1].ry, p < cueAt[t] + 32) << p;
        quarter += kQuarter;
        EXPECT_EQ(run[cueAt[t] + 31].ry, quarter);
    }
    // The spin, rings sliding and wrapping, the lift going by; then dark, turning slowly.
    std::size_t p = cueAt[3];
    for (; run[p - 1].ry <= 15.707963; ++p) {
        EXPECT_NEAR(run[p].ry - run[p - 1].ry, 0.04, 1e-12);
        EXPECT_EQ(run[p].lift - run[p - 1].lift, -4);
        for (int i = 0; i < 2; ++i) {
            const double fell = run[p - 1].rings[i] - 20;
            EXPECT_EQ(run[p].rings[i], fell < -500 ? 500 : fell) << p;
        }
    }
    EXPECT_GT(p, cueAt[3] + 250u);
    for (; p < run.size(); ++p) {
        EXPECT_NEAR(run[p].ry - run[p - 1].ry, 0.02, 1e-12);
        EXPECT_EQ(run[p].lift - run[p - 1].lift, -2);
        for (int i = 0; i < 2; ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(run[p].light[i][k], std::max(0.0, run[p - 1].light[i][k] - 0.04), 1e-9);
    }
    EXPECT_EQ(run.back().light[1][2], 0) << "the scene ends when its lights are out";
    EXPECT_GT(run[run.size() - 2].light[1][2], 0);

    // The lights rise from black by 0.01 a pass to their colours and hold them.
    const double top[2][3] = {{1, 0, 1}, {0, 0, 2}};
    for (std::size_t q = 0; q < static_cast<std::size_t>(cueAt[3]); ++q)
        for (int i = 0; i < 2; ++i)
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(run[q].light[i][k], std::min(top[i][k], 0.01 * (q + 1)), 1e-9);
    EXPECT_TRUE(std::all_of(run.begin(), run.end(), [](const SetPass& s) { return s.shared; }));
}

struct RollPass {
    int shown = -1;  // the one name object visible (0 for none, -1 for more than one)
    bool heading = false;
    bool ball = false;
    double ballTurn = 0;
};

TEST_F(GreetingsTest, TheNamesRollOneAfterAnotherOverTheBallIntoTheLastLoop) {
    int idles = 0;
    TheStage().idle = [&] {
        if (++idles == 10) ++syncs;
    };
    std::vector<RollPass> run;
    int finalFrom = 0;
    double byeTurn = 0;
    int additive = 0;
    std::vector<std::string> names;
    TheStage().finalLoop = [&] {
        finalFrom = static_cast<int>(run.size());
        additive = world.additiveCount;
        for (int i = 1; i <= kNames; ++i) names.push_back(world.GetObject(i)->name);
    };
    TheStage().endOfPass = [&] {
        RollPass p;
        p.heading = world.GetObject(0)->visible;
        p.ball = world.GetObjectCount() == kNames + 2;
        if (p.ball) p.ballTurn = world.GetObject(kNames + 1)->angles[0];
        for (int i = 1; i <= kNames && i < world.GetObjectCount(); ++i)
            if (world.GetObject(i)->visible) p.shown = p.shown == -1 ? i : 0;
        if (p.shown == -1) p.shown = 0;
        run.push_back(p);
        if (finalFrom > 0) {
            const double ry = world.GetObject(kNames)->angles[1];
            EXPECT_NEAR(ry - byeTurn, 0.05, 1e-12);
            byeTurn = ry;
            if (static_cast<int>(run.size()) == finalFrom + 600) throw StopShow{};
        }
    };
    EXPECT_THROW(GreetingRoll(), StopShow);
    ASSERT_GT(finalFrom, 0);
    EXPECT_EQ(flips, static_cast<int>(run.size())) << "the last loop keeps drawing";

    // The heading alone, then the wait, drawn by nothing; the names start with the ball.
    const auto first = std::find_if(run.begin(), run.end(), [](const RollPass& p) { return p.shown != 0; });
    const int namesFrom = static_cast<int>(first - run.begin());
    EXPECT_EQ(namesFrom, 27) << "the heading moves 20 a pass from -20 until past 500";
    EXPECT_EQ(idles, 10);
    EXPECT_EQ(additive, kNames + 2) << "the heading, the names and the ball";
    std::vector<std::string> expected(std::begin(content::kGreetedGroups), std::end(content::kGreetedGroups));
    expected.push_back("bye");
    EXPECT_EQ(names, expected);

    int shown = 1;
    for (int n = namesFrom; n < static_cast<int>(run.size()); ++n) {
        const RollPass& p = run[n];
        const int rollPass = n - namesFrom + 1;
        ASSERT_TRUE(p.shown == shown || p.shown == shown + 1) << "pass " << rollPass << " shows " << p.shown;
        shown = p.shown;
        EXPECT_EQ(p.heading, rollPass < 15) << rollPass;
        ASSERT_TRUE(p.ball);
        EXPECT_NEAR(p.ballTurn, n >= finalFrom ? run[finalFrom - 1].ballTurn : 0.14 * rollPass - (rollPass >= 15 ? 0.07 : 0),
                    1e-9)
            << rollPass;
    }
    EXPECT_EQ(shown, kNames);
}

using GreetingsDeathTest = GreetingsTest;

void StartTheShell() {
    StartTheShellOnTheDummyDriver();
    os::SetClockSource({});
}

// Escape while the tune changes: the fades' waits hear it; nothing after them may.
void EscapeDuringTheChange() {
    StartTheShell();
    soundtrack.SetFadeClock(RealPlayFadeClock());
    TheStage().idle = [] { std::exit(91); };
    TheStage().endOfPass = [] { std::exit(92); };
    PushKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
    GreetingsScene();
}

// Escape a while into the last loop: it ends within a few passes.
void EscapeInTheLastLoop(int& syncs) {
    StartTheShell();
    TheStage().pump = [] { app.PumpMessages(); };
    TheStage().idle = [&syncs] { ++syncs; };
    static int finalPasses = -1;
    TheStage().finalLoop = [] { finalPasses = 0; };
    TheStage().endOfPass = [] {
        if (finalPasses < 0) return;
        if (++finalPasses == 300) PushKey(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
        if (finalPasses > 310) std::exit(93);
    };
    GreetingRoll();
}

TEST_F(GreetingsDeathTest, EscapeEndsTheProgramWithZeroDuringTheModuleChangeAndInTheLastLoop) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(EscapeDuringTheChange(), testing::ExitedWithCode(0), "music closed");
    EXPECT_EXIT(EscapeInTheLastLoop(syncs), testing::ExitedWithCode(0), "music closed");
}

}  // namespace
