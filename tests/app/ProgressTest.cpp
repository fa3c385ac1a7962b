// The capture's progress line and how often it is redrawn, on a clock moved by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

#include "app/Progress.h"

namespace {

TEST(ProgressLine, SaysSceneShareSpeedAndTimeLeftInFieldsOfFixedWidth) {
    const std::string line = ProgressLine("PlanetScene", 250, 1000, 50);
    EXPECT_EQ(line, "PlanetScene           25% [#####...............]   50 fps  0:15 left");
    // A redrawn line covers the one before: the length never changes, whatever the values.
    for (const std::string& other :
         {ProgressLine("", 0, 1000, 0), ProgressLine("AVeryLongSceneNameIndeedThatGoesOn", 1000, 1000, 1234.6),
          ProgressLine("LakeScene", 999, 1000, 0.5), ProgressLine("LakeScene", 7, 12434, 350)})
        EXPECT_EQ(other.size(), line.size()) << other;
    const std::regex shape(R"([ -~]{20} +\d{1,3}% \[[#.]{20}\] +\d+ fps +(\d+:\d\d|-:--) left)");
    EXPECT_TRUE(std::regex_match(ProgressLine("GreetingsScene", 12000, 12434, 118.4), shape));
}

TEST(ProgressLine, TimeLeftAndShareAtTheEdges) {
    // Nothing measured yet: no time can be told.
    EXPECT_NE(ProgressLine("A", 0, 100, 0).find("-:-- left"), std::string::npos);
    // 3600 passes left at 30 per second: two minutes; a part of a second counts as a whole one.
    EXPECT_NE(ProgressLine("A", 400, 4000, 30).find("2:00 left"), std::string::npos);
    EXPECT_NE(ProgressLine("A", 399, 4000, 30).find("2:01 left"), std::string::npos);
    // Over an hour the minutes go on counting.
    EXPECT_NE(ProgressLine("A", 0, 200000, 30).find("111:07 left"), std::string::npos);
    // Done, or past the count (a capture can run a pass beyond it): full, nothing left.
    const std::string done = ProgressLine("A", 120, 100, 40);
    EXPECT_NE(done.find("100% [####################]"), std::string::npos);
    EXPECT_NE(done.find("0:00 left"), std::string::npos);
    EXPECT_NE(ProgressLine("A", 5, 0, 40).find("100%"), std::string::npos);
    // 99.9% is not rounded up to a full bar.
    EXPECT_NE(ProgressLine("A", 999, 1000, 40).find(" 99% [###################.]"), std::string::npos);
}

class ProgressTest : public ::testing::Test {
protected:
    void SetUp() override { out = std::tmpfile(); }
    void TearDown() override { std::fclose(out); }
    std::string Printed() {
        std::fflush(out);
        std::rewind(out);
        std::string text;
        for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
        return text;
    }
    std::FILE* out = nullptr;
};

TEST_F(ProgressTest, RedrawsInPlaceAFewTimesASecondAndEndsWithOneNewline) {
    Progress progress(out, 300, 10.0);
    progress.SceneBegins("TitleScene");
    // 300 passes over 3 seconds: drawn at once, then once per quarter second at most.
    for (int pass = 1; pass <= 300; ++pass) progress.Pass(pass, 10.0 + pass / 100.0);
    EXPECT_GE(progress.Drawn(), 12);
    EXPECT_LE(progress.Drawn(), 13);
    progress.Finish();
    progress.Finish();
    const std::string text = Printed();
    EXPECT_EQ(text.front(), '\r');
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "one newline, at the end";
    // The last drawing is the end: the whole count at 100 passes per second.
    const std::string last = text.substr(text.rfind('\r') + 1);
    EXPECT_EQ(last, ProgressLine("TitleScene", 300, 300, 100) + "\n");
}

TEST_F(ProgressTest, NamesTheInnermostSceneAndGoesBackToTheOuterOne) {
    Progress progress(out, 1000, 0.0);
    progress.SceneBegins("LakeScene");
    progress.Pass(1, 1.0);
    progress.SceneBegins("FadeToPicture");
    progress.Pass(2, 2.0);
    progress.SceneEnds();
    progress.Pass(3, 3.0);
    progress.SceneEnds();
    progress.SceneEnds();  // one end too many is harmless
    progress.Pass(4, 4.0);
    const std::string text = Printed();
    std::vector<std::string> names;
    for (std::size_t at = 0; (at = text.find('\r', at)) != std::string::npos; ++at)
        names.push_back(text.substr(at + 1, text.find(' ', at) - at - 1));
    EXPECT_EQ(names, (std::vector<std::string>{"LakeScene", "FadeToPicture", "LakeScene", ""}));
}

TEST(Progress, WithoutATerminalNothingIsDrawnAndNothingEnds) {
    Progress progress(nullptr, 100, 0.0);
    progress.Pass(1, 0.5);
    progress.Finish();  // must not write anywhere
    // A bar that never drew has no line to end.
    std::FILE* out = std::tmpfile();
    Progress silent(out, 100, 0.0);
    silent.Finish();
    EXPECT_EQ(std::ftell(out), 0);
    std::fclose(out);
}

TEST(Progress, CountsToTheShowAndItsTailOrToTheFramesAsked) {
    EXPECT_EQ(CapturePasses(-1, 10), kShowPasses + 300);
    EXPECT_EQ(CapturePasses(-1, 0), kShowPasses);
    EXPECT_EQ(CapturePasses(90, 10), 90);
    EXPECT_EQ(CapturePasses(kShowPasses + 1000, 1), kShowPasses + 30);
}

}  // namespace
