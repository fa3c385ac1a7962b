// The benchmark's arithmetic and lines, on a clock the test moves by hand.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/Benchmark.h"

namespace {

class BenchmarkTest : public ::testing::Test {
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
    // `count` passes of `ms` milliseconds each, of which this process had `share` of the processor.
    void Passes(Benchmark& b, int count, double ms, double share = 1) {
        for (int i = 0; i < count; ++i) {
            t += ms / 1000;
            cpu += share * ms / 1000;
            b.EndOfPass();
        }
    }

    std::FILE* out = nullptr;
    double t = 100;
    double cpu = 3;
    long kib = 5000;
};

TEST_F(BenchmarkTest, PassesAddUpBySceneNameWithMeanAndWorst) {
    Benchmark b(out, [this] { return t; }, [this] { return cpu; }, [this] { return kib; });
    b.SceneBegins("Alpha");
    Passes(b, 3, 2);
    Passes(b, 1, 10);
    b.SceneBegins("Beta");
    Passes(b, 5, 4);
    b.SceneEnds();
    b.SceneBegins("Alpha");  // a second run of a scene adds to its row
    Passes(b, 2, 1);
    b.SceneBegins("Gamma");  // an effect inside a scene...
    Passes(b, 2, 3);
    b.SceneEnds();           // ...hands the passes after it back to that scene
    Passes(b, 2, 1);
    ASSERT_EQ(b.Rows().size(), 4u);  // StartUp, Alpha, Beta, Gamma
    EXPECT_EQ(b.Rows()[1].passes, 8);
    EXPECT_NEAR(b.Rows()[1].total, 0.020, 1e-9);
    EXPECT_NEAR(b.Rows()[1].worst, 0.010, 1e-9);
    EXPECT_EQ(b.Rows()[2].passes, 5);
    b.Finish();
    const std::string text = Printed();
    // StartUp had no pass: no line for it.
    EXPECT_EQ(text,
              "scene Alpha passes 8 mean 2.500 ms worst 10.000 ms\n"
              "scene Beta passes 5 mean 4.000 ms worst 4.000 ms\n"
              "scene Gamma passes 2 mean 3.000 ms worst 3.000 ms\n"
              "total passes 15 seconds 0.05 fps 326.1 realtime 10.87x\n");
}

TEST_F(BenchmarkTest, FinalLoopReportsMemoryAndPaceAfterAMinuteAndAtTheEnd) {
    Benchmark b(out, [this] { return t; }, [this] { return cpu; }, [this] { return kib; });
    b.SceneBegins("Last");
    Passes(b, 10, 50);  // slow passes before the loop do not count in its pace
    b.FinalLoopBegins();
    // First minute: 500 passes per second of the processor, on a machine busy with other work.
    Passes(b, Benchmark::kSoakWindowPasses / 2, 4, 0.5);
    Passes(b, Benchmark::kSoakWindowPasses / 2, 2);
    EXPECT_NE(Printed().find("soak first minute at 60 s: resident 5000 KiB, 500.0 passes per cpu second\n"), std::string::npos)
        << Printed();
    kib = 5200;
    Passes(b, Benchmark::kSoakWindowPasses, 2);
    // The last minute only: passes that came before it do not soften a slowdown.
    Passes(b, Benchmark::kSoakWindowPasses / 2, 2);
    Passes(b, Benchmark::kSoakWindowPasses / 2, 8);
    b.Finish();
    const std::string text = Printed();
    EXPECT_NE(text.find("soak end at 180 s: resident 5200 KiB, 200.0 passes per cpu second\n"), std::string::npos) << text;
    EXPECT_NE(text.find("scene final loop passes 5400 "), std::string::npos) << text;
    EXPECT_EQ(text.find("soak first minute"), text.rfind("soak first minute"));  // said once
}

TEST_F(BenchmarkTest, ShortFinalLoopReportsOverAllOfIt) {
    Benchmark b(out, [this] { return t; }, [this] { return cpu; }, [] { return -1L; });
    b.FinalLoopBegins();
    Passes(b, 90, 4);
    b.Finish();
    const std::string text = Printed();
    EXPECT_EQ(text.find("soak first minute"), std::string::npos);
    EXPECT_NE(text.find("soak end at 3 s: resident -1 KiB, 250.0 passes per cpu second\n"), std::string::npos) << text;
}

TEST(BenchmarkResident, ReadsThisProcessAndGrowsWithTouchedMemory) {
    const long before = Benchmark::ResidentKiB();
    ASSERT_GT(before, 0);
    std::string block(64 << 20, 'x');  // 64 MiB, every page written
    const long after = Benchmark::ResidentKiB();
    EXPECT_GT(after - before, 32 << 10) << before << " " << after << " " << block[12345];
}

}  // namespace
