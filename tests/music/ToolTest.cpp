// solmire-music, run as a user runs it: the lines it prints, the WAV it writes, its refusals.

#include "MusicFixtures.h"
#include "platform/sound/Sample.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <regex>

namespace {

// The tool's exit code (-1 if it did not exit) and what it printed on stdout.
std::pair<int, std::string> Tool(const std::string& args) {
    std::string out;
    FILE* pipe = popen((std::string(SOLMIRE_MUSIC_TOOL) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) return {-1, out};
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe)) out += buf;
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(SolmireMusic, ListsTheSyncsOfOneLoopOrOfTheTimeAskedWritesTheAudioAndRefusesMistakes) {
    xm::Module m = fixtures::Blank(2, {32}, {0});
    fixtures::Sync(m, 0, 0);
    fixtures::Sync(m, 0, 16, 1);
    const std::string xm = fixtures::WriteModule("tool.xm", m);

    const auto [status, out] = Tool(xm);  // one loop: 32 rows of 10 ms
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::regex_match(out, std::regex("sync 1 at 0\\.00[0-9] order 0 row 0\n"
                                                 "sync 2 at 0\\.16[0-9] order 0 row 16\n"
                                                 "total 2\n")))
        << out;

    // Two loops, and their audio read back: 0.64 s of it.
    const std::string wav = fixtures::TempDir() + "/tool.wav";
    const auto [twiceStatus, twice] = Tool(xm + " --seconds 0.64 --wav " + wav);
    EXPECT_EQ(twiceStatus, 0);
    EXPECT_TRUE(std::regex_search(twice, std::regex("sync 3 at 0\\.32[0-9] order 0 row 0\n.*\ntotal 4\n$"))) << twice;
    std::string error;
    const auto audio = sound::Sample::LoadWav(wav, error);
    ASSERT_TRUE(audio) << error;
    EXPECT_EQ(audio->Frames(), 64u * fixtures::kRowFrames);

    for (const char* usage : {"", "a.xm b.xm", "a.xm --seconds -1", "a.xm --seconds lots", "a.xm --bogus"})
        EXPECT_EQ(Tool(usage).first, 2) << usage;
    EXPECT_EQ(Tool(fixtures::TempDir() + "/absent.xm").first, 1);
}

}  // namespace
