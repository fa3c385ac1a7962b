// Which captures ask for a video file, where ffmpeg is found, and which encoders are chosen.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/VideoFile.h"
#include "platform/os/ImageFile.h"

namespace {

namespace fs = std::filesystem;

TEST(VideoFile, NamesThatAskForAVideoAndTheirFallbackFolders) {
    for (const char* name : {"show.mp4", "/tmp/a.b/show.MKV", "x.WebM", "dir.mp4/clip.webm"}) EXPECT_TRUE(IsVideoFileName(name)) << name;
    for (const char* name : {"show", "show.mp4/", "show.avi", "mp4", "/tmp/x.mp4.d", ".mp4x", ""})
        EXPECT_FALSE(IsVideoFileName(name)) << name;
    EXPECT_EQ(FallbackFolder("/home/me/show.mp4"), "/home/me/show");
    EXPECT_EQ(FallbackFolder("/home/me.v2/show.take.webm"), "/home/me.v2/show.take");
}

TEST(VideoFile, FindsTheFirstExecutableProgramAlongThePath) {
    const fs::path root = fs::path(::testing::TempDir()) / ("solmire_path_" + std::to_string(getpid()));
    fs::remove_all(root);
    for (const char* dir : {"a", "b", "c", "d"}) fs::create_directories(root / dir);
    std::ofstream(root / "a" / "ffmpeg") << "not executable";
    fs::create_directories(root / "b" / "ffmpeg");  // a folder by that name is not a program
    for (const char* dir : {"c", "d"}) {
        std::ofstream(root / dir / "ffmpeg") << "#!/bin/sh\n";
        chmod((root / dir / "ffmpeg").c_str(), 0755);
    }
    const std::string a = (root / "a").string(), b = (root / "b").string(), c = (root / "c").string(),
                      d = (root / "d").string();
    EXPECT_EQ(FindProgram("ffmpeg", a + ":" + b + "::" + c + ":" + d), c + "/ffmpeg");
    EXPECT_EQ(FindProgram("ffmpeg", d + ":" + c), d + "/ffmpeg");
    EXPECT_EQ(FindProgram("ffmpeg", a + ":" + b), "");
    EXPECT_EQ(FindProgram("ffprobe", c), "");
    fs::remove_all(root);
}

// The list as ffmpeg prints it: a legend, then one encoder per line after its flags.
const char* kEncoders =
    "Encoders:\n"
    " V..... = Video\n"
    " ------\n"
    " V....D libx264              libx264 H.264 / AVC\n"
    " V....D libvpx               libvpx VP8 (codec vp8)\n"
    " V....D libvpx-vp9           libvpx VP9 (codec vp9)\n"
    " A..... aac                  AAC (Advanced Audio Coding)\n"
    " A....D libvorbis            libvorbis (codec vorbis)\n";

TEST(VideoFile, ChoosesEncodersByContainerAndSaysWhichAreMissing) {
    VideoFormat format;
    std::string missing;
    ASSERT_TRUE(ChooseVideoFormat("show.mp4", kEncoders, format, missing));
    EXPECT_EQ(format.videoEncoder, "libx264");
    EXPECT_EQ(format.audioEncoder, "aac");
    EXPECT_EQ(format.muxOptions, (std::vector<std::string>{"-movflags", "+faststart"}));
    ASSERT_TRUE(ChooseVideoFormat("show.MKV", kEncoders, format, missing));
    EXPECT_EQ(format.videoEncoder, "libx264");
    EXPECT_TRUE(format.muxOptions.empty());
    // webm: VP9 before VP8, Opus when there is one, else Vorbis.
    ASSERT_TRUE(ChooseVideoFormat("show.webm", kEncoders, format, missing));
    EXPECT_EQ(format.videoEncoder, "libvpx-vp9");
    EXPECT_EQ(format.audioEncoder, "libvorbis");
    ASSERT_TRUE(ChooseVideoFormat("show.webm", std::string(kEncoders) + " A....D libopus   libopus Opus\n", format, missing));
    EXPECT_EQ(format.audioEncoder, "libopus");
    const std::string vp8Only = " V....D libvpx  VP8\n A....D libvorbis vorbis\n";
    ASSERT_TRUE(ChooseVideoFormat("show.webm", vp8Only, format, missing));
    EXPECT_EQ(format.videoEncoder, "libvpx");
    // A name in a description is not an encoder: only the second word counts.
    EXPECT_FALSE(ChooseVideoFormat("show.mp4", " V..... h264_v4l2m2m  uses libx264 style\n A..... aac  AAC\n", format, missing));
    EXPECT_EQ(missing, "libx264 or libopenh264");
    EXPECT_FALSE(ChooseVideoFormat("show.mp4", " V....D libx264 H.264\n", format, missing));
    EXPECT_EQ(missing, "aac");
}

TEST(VideoFile, ColoursExpandToFullScaleWithEachChannelInItsPlace) {
    const std::uint16_t pixels[] = {0xFFFF, 0x0000, 0xF800, 0x07E0, 0x001F, 0x8410};
    std::uint8_t rgb[3 * 6 + 1];
    rgb[18] = 0x5A;  // just past the end: left alone
    os::Rgb565ToRgb24(pixels, 6, rgb);
    const std::uint8_t expected[] = {255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 132, 130, 132, 0x5A};
    EXPECT_EQ(std::vector<std::uint8_t>(rgb, rgb + 19), std::vector<std::uint8_t>(expected, expected + 19));
}

TEST(VideoFile, RunForOutputGivesTheOutputAndTheExitCode) {
    std::string out;
    EXPECT_EQ(RunForOutput({"/bin/sh", "-c", "printf 'one\\ntwo'; exit 3"}, out), 3);
    EXPECT_EQ(out, "one\ntwo");
    EXPECT_EQ(RunForOutput({"/nonexistent/solmire-ffmpeg"}, out), -1);
    EXPECT_EQ(out, "");
}

}  // namespace
