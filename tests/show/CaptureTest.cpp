// The program's capture mode: two runs give the same files, frames and audio keep in step
// (also through waits that draw nothing), and command-line mistakes are refused.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/Show.h"
#include "platform/sound/Sample.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int RunShow(const std::string& arguments) {
    const int status = std::system((std::string(SOLMIRE_SHOW) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path Folder(const char* name) {
    const fs::path dir = fs::path(::testing::TempDir()) / (name + std::to_string(getpid()));
    fs::remove_all(dir);
    return dir;
}

// Stereo frames of the capture's audio, read back as the engine reads WAV files.
std::size_t AudioFrames(const fs::path& dir) {
    std::string error;
    const auto wav = sound::Sample::LoadWav((dir / "audio.wav").string(), error);
    EXPECT_TRUE(wav) << error;
    return wav ? wav->Frames() : 0;
}

TEST(Capture, TwoRunsGiveIdenticalFilesWithOnePictureAndOnePassOfAudioPerPass) {
    const fs::path root = Folder("solmire_capture_");
    ASSERT_EQ(RunShow("--capture " + (root / "a").string() + " --frames 12"), 0);
    ASSERT_EQ(RunShow("--capture " + (root / "b").string() + " --frames 12"), 0);
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(root / "a")) {
        const fs::path name = entry.path().filename();
        EXPECT_EQ(ReadAll(entry.path()), ReadAll(root / "b" / name)) << name;
        frames += name.string().rfind("frame-", 0) == 0;
    }
    EXPECT_EQ(frames, 12);
    EXPECT_EQ(AudioFrames(root / "a"), 12u * Capture::kFramesPerPass);
    // The tunnel scene is drawn and moves: the last picture is not the first.
    EXPECT_NE(ReadAll(root / "a" / "frame-000000.png"), ReadAll(root / "a" / "frame-000011.png"));
    fs::remove_all(root);
}

TEST(Capture, WaitsRepeatTheLastPictureAndKeepTheAudioInStep) {
    const fs::path dir = Folder("solmire_capture_repeat_");
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
    EXPECT_EQ(AudioFrames(dir), 2u * Capture::kFramesPerPass);
    fs::remove_all(dir);
}

// Pictures compressed on worker threads are the bytes written one by one on the caller's
// thread, under the same names, whatever order the workers finish in.
TEST(Capture, PicturesWrittenOnWorkersAreTheSameFilesAsWrittenInLine) {
    const fs::path root = Folder("solmire_capture_workers_");
    std::vector<std::uint16_t> picture(64 * 48);
    for (unsigned workers : {0u, 3u}) {
        Capture capture;
        capture.SetPngWorkers(workers);
        ASSERT_TRUE(capture.Open((root / std::to_string(workers)).string(), 2));
        for (int pass = 0; pass < 25; ++pass) {
            for (std::size_t i = 0; i < picture.size(); ++i)
                picture[i] = static_cast<std::uint16_t>(i * 7919u + static_cast<unsigned>(pass) * 104729u);
            // Two passes in eight are a wait showing the last picture again.
            if (pass % 8 == 5 || pass % 8 == 6) capture.RepeatLastFrame();
            else ASSERT_TRUE(capture.WriteFrame(picture.data(), 64, 48));
            capture.EndOfPass();
        }
        ASSERT_TRUE(capture.Close());
        EXPECT_EQ(capture.FramesWritten(), 25);
    }
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(root / "0")) {
        EXPECT_EQ(ReadAll(entry.path()), ReadAll(root / "3" / entry.path().filename())) << entry.path();
        ++compared;
    }
    EXPECT_EQ(compared, 13 + 1);  // every second picture of 25, and the audio
    EXPECT_EQ(ReadAll(root / "3" / "frame-000004.png"), ReadAll(root / "3" / "frame-000006.png"));
    EXPECT_NE(ReadAll(root / "3" / "frame-000006.png"), ReadAll(root / "3" / "frame-000008.png"));
    fs::remove_all(root);
}

TEST(Capture, CommandLineMistakesAreRefused) {
    for (const char* mistake : {"--frames 3", "--every 2", "--capture x --every 0", "--capture", "--capture x --frames -1",
                                "--bogus", "--data /nonexistent/solmire --capture x", "--keymap qwerty", "--keymap",
                                "--renderer", "--renderer opengl", "--renderer D3D",
                                "--benchmark --capture x", "--tail 5", "--benchmark --tail -1", "--benchmark --tail nan",
                                "--benchmark --tail 1e9", "--benchmark --frames 3", "--capture x.mp4 --every 2"})
        EXPECT_EQ(RunShow(mistake), 2) << mistake;
    EXPECT_EQ(RunShow("--help"), 0);
}

}  // namespace

TEST(Capture, EachRendererRendersTheOpeningAndABadOneIsNamed) {
    const fs::path root = Folder("solmire_capture_renderers_");
    std::vector<std::string> pictures;
    for (const char* renderer : {"glide", "d3d", "d3dsoft"}) {
        const fs::path dir = root / renderer;
        ASSERT_EQ(RunShow(std::string("--renderer ") + renderer + " --capture " + dir.string() + " --frames 3"), 0);
        pictures.push_back(ReadAll(dir / "frame-000002.png"));
        EXPECT_GT(pictures.back().size(), 10000u) << renderer;   // a drawn picture, not a flat one
    }
    // The renderers draw differently (modulated textures, z-buffer, filtering): each is in use.
    EXPECT_NE(pictures[0], pictures[1]);
    EXPECT_NE(pictures[1], pictures[2]);

    const fs::path log = root / "log.txt";
    const int status = std::system((std::string(SOLMIRE_SHOW) + " --renderer vulkan 2>" + log.string()).c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
    const std::string text = ReadAll(log);
    EXPECT_EQ(text.substr(0, text.find('\n')), "solmire: --renderer is glide, d3d or d3dsoft");
    fs::remove_all(root);

    RendererChoice choice = RendererChoice::D3D;
    EXPECT_TRUE(ParseRendererChoice("glide", choice));
    EXPECT_EQ(choice, RendererChoice::Glide);
    EXPECT_TRUE(ParseRendererChoice("d3dsoft", choice));
    EXPECT_EQ(choice, RendererChoice::D3DSoft);
    EXPECT_TRUE(ParseRendererChoice("d3d", choice));
    EXPECT_EQ(choice, RendererChoice::D3D);
    EXPECT_FALSE(ParseRendererChoice("", choice));
    EXPECT_FALSE(ParseRendererChoice("d3d ", choice));
    EXPECT_EQ(choice, RendererChoice::D3D);   // unchanged by a refused value
}
