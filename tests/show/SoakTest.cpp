// The show's endless last loop left on for a long time (an hour of show time in the normal
// build): its memory stops growing after the first minute and its passes keep their pace. The
// benchmark's own lines are read back, so their format is checked on the way.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

namespace {

// Resident memory may move by allocator noise, never by a leak of any size: an hour of passes
// leaking a mere 100 bytes each would add 10 MiB.
constexpr long kGrowthKiB = SOLMIRE_SOAK_GROWTH_KIB;
// Pace is taken on the process's processor time, so the machine's other work does not count;
// still, only a collapse is a fault.
constexpr double kSlowestRatio = 0.5;

struct Soak {
    double seconds = -1;
    long kib = -1;
    double rate = -1;
};

TEST(Soak, LastLoopKeepsItsMemoryAndPaceForItsWholeRun) {
    const std::string command = std::string(SOLMIRE_SHOW) + " --benchmark --tail " + std::to_string(SOLMIRE_SOAK_SECONDS);
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) text += buffer;
    const int status = pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;

    const std::regex soakLine(R"(soak (first minute|end) at (\d+) s: resident (\d+) KiB, ([\d.]+) passes per cpu second)");
    const std::regex sceneLine(R"(scene ([\w ]+) passes (\d+) mean ([\d.]+) ms worst ([\d.]+) ms)");
    const std::regex totalLine(R"(total passes (\d+) seconds ([\d.]+) fps ([\d.]+) realtime ([\d.]+)x)");
    Soak first, end;
    long scenePasses = 0, totalPasses = -1, finalPasses = -1;
    int scenes = 0;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
        const std::string line = text.substr(start, nl - start);
        std::smatch m;
        if (std::regex_match(line, m, soakLine)) {
            Soak& s = m[1] == "end" ? end : first;
            EXPECT_EQ(s.seconds, -1) << "said twice: " << line;
            s = {std::stod(m[2]), std::stol(m[3]), std::stod(m[4])};
        } else if (std::regex_match(line, m, sceneLine)) {
            ++scenes;
            scenePasses += std::stol(m[2]);
            EXPECT_LE(std::stod(m[3]), std::stod(m[4])) << "mean above worst: " << line;
            if (m[1] == "final loop") finalPasses = std::stol(m[2]);
        } else if (std::regex_match(line, m, totalLine)) {
            totalPasses = std::stol(m[1]);
        } else if (line.rfind("Music:", 0) != 0) {
            ADD_FAILURE() << "unexpected line: " << line;
        }
    }
    EXPECT_GE(scenes, 16) << text;
    EXPECT_EQ(scenePasses, totalPasses) << "every pass belongs to one scene";
    EXPECT_EQ(finalPasses, SOLMIRE_SOAK_SECONDS * 30L) << text;
    EXPECT_EQ(first.seconds, 60) << text;
    EXPECT_EQ(end.seconds, SOLMIRE_SOAK_SECONDS) << text;
    ASSERT_GT(first.kib, 0) << text;
    EXPECT_LE(end.kib - first.kib, kGrowthKiB) << text;
    EXPECT_GE(end.rate, kSlowestRatio * first.rate) << text;
    // For the record of a run: the figures this test judged.
    std::printf("resident %ld KiB at one minute, %ld KiB at %d s; %.1f passes per cpu second then, %.1f at the end\n",
                first.kib, end.kib, SOLMIRE_SOAK_SECONDS, first.rate, end.rate);
}

}  // namespace
