#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Capture.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int RunShow(const std::string& arguments) {
    const std::string command = std::string(SOLMIRE_SHOW) + " " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Capture, TwoRunsGiveIdenticalFiles) {
    const fs::path root = fs::path(::testing::TempDir()) / ("solmire_capture_" + std::to_string(getpid()));
    fs::remove_all(root);
    const fs::path a = root / "a", b = root / "b";
    ASSERT_EQ(RunShow("--capture " + a.string() + " --frames 12"), 0);
    ASSERT_EQ(RunShow("--capture " + b.string() + " --frames 12"), 0);

    int frames = 0;
    for (const auto& entry : fs::directory_iterator(a)) {
        const fs::path name = entry.path().filename();
        EXPECT_EQ(ReadAll(entry.path()), ReadAll(b / name)) << name;
        if (name.string().rfind("frame-", 0) == 0) ++frames;
    }
    EXPECT_EQ(frames, 12);  // one picture per pass
    // 12 passes of 1470 stereo 16-bit frames after a 44-byte header.
    EXPECT_EQ(fs::file_size(a / "audio.wav"), 44u + 12u * 1470u * 4u);
    // The first frame is not blank: the tunnel scene is drawn.
    EXPECT_GT(fs::file_size(a / "frame-000000.png"), 2000u);
    fs::remove_all(root);
}

TEST(Capture, WaitsRepeatTheLastPictureAndKeepTheAudioInStep) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("solmire_capture_repeat_" + std::to_string(getpid()));
    fs::remove_all(dir);
    Capture capture;
    ASSERT_TRUE(capture.Open(dir.string()));
    capture.RepeatLastFrame();  // nothing shown yet: nothing to repeat
    EXPECT_EQ(capture.FramesWritten(), 0);
    std::vector<std::uint16_t> picture(8 * 4);
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<std::uint16_t>(i * 2021);
    ASSERT_TRUE(capture.WriteFrame(picture.data(), 8, 4));
    capture.EndOfPass();
    picture.assign(picture.size(), 0);  // the caller's buffer changes; the repeat must not
    capture.RepeatLastFrame();
    capture.EndOfPass();
    EXPECT_EQ(capture.ClockMs(), 66);  // two passes of 1/30 s, truncated
    ASSERT_TRUE(capture.Close());
    EXPECT_EQ(ReadAll(dir / "frame-000000.png"), ReadAll(dir / "frame-000001.png"));
    EXPECT_EQ(fs::file_size(dir / "audio.wav"), 44u + 2u * 1470u * 4u);
    fs::remove_all(dir);
}

TEST(Capture, CommandLineMistakesAreRefused) {
    EXPECT_EQ(RunShow("--frames 3"), 2);          // --frames without --capture
    EXPECT_EQ(RunShow("--capture"), 2);           // missing value
    EXPECT_EQ(RunShow("--capture x --frames -1"), 2);
    EXPECT_EQ(RunShow("--bogus"), 2);
    EXPECT_EQ(RunShow("--data /nonexistent/solmire --capture x"), 2);
    EXPECT_EQ(RunShow("--help"), 0);
}

}  // namespace
