// The player's options through the program itself: the scale, the dither switch and the
// rasteriser's threads, and their mistakes.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

int RunShow(const std::string& arguments, const fs::path& log = "/dev/null") {
    const int status =
        std::system((std::string(SOLMIRE_SHOW) + " " + arguments + " >/dev/null 2>" + log.string()).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path Folder(const std::string& name) {
    const fs::path dir = fs::path(::testing::TempDir()) / (name + std::to_string(getpid()));
    fs::remove_all(dir);
    return dir;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Picture {
    int width = 0, height = 0;
    std::vector<png_byte> rgb;
    int At(int x, int y, int channel) const { return rgb[(std::size_t(y) * width + x) * 3 + channel]; }
};

Picture ReadPng(const fs::path& path) {
    Picture p;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
    image.format = PNG_FORMAT_RGB;
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) return {};
    p.width = static_cast<int>(image.width), p.height = static_cast<int>(image.height);
    return p;
}

// Captures passes [0, frames) with the given options; returns the folder.
fs::path Capture(const std::string& name, const std::string& options, int frames) {
    const fs::path dir = Folder(name);
    EXPECT_EQ(RunShow("--capture " + dir.string() + " --frames " + std::to_string(frames) + " " + options), 0) << options;
    return dir;
}

std::string FrameName(int pass) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06d.png", pass);
    return name;
}

}  // namespace

TEST(PlayerOptions, BadValuesNameTheOptionAndItsValuesAndExitWithTwo) {
    const fs::path log = Folder("options-log");
    const struct {
        const char* arguments;
        const char* says;
    } mistakes[] = {
        {"--scale 0", "--scale is 1, 2, 3 or 4"},  {"--scale 5", "--scale is 1, 2, 3 or 4"},
        {"--scale 2x", "--scale is 1, 2, 3 or 4"}, {"--scale", "--scale needs a value"},
        {"--dither yes", "--dither is on or off"}, {"--dither", "--dither needs a value"},
        {"--threads 0", "--threads is a whole number from 1 to 64"},
        {"--threads 65", "--threads is a whole number from 1 to 64"},
        {"--threads -2", "--threads is a whole number from 1 to 64"},
        {"--threads two", "--threads is a whole number from 1 to 64"},
    };
    for (const auto& m : mistakes) {
        EXPECT_EQ(RunShow(m.arguments, log), 2) << m.arguments;
        const std::string said = ReadAll(log);
        EXPECT_EQ(said.substr(0, said.find('\n')), std::string("solmire: ") + m.says) << m.arguments;
    }
    fs::remove(log);
    // Good values are taken.
    const fs::path dir = Capture("options-good", "--scale 4 --dither off --threads 3", 1);
    EXPECT_EQ(ReadPng(dir / FrameName(0)).width, 2560);
    fs::remove_all(dir);
}

TEST(PlayerOptions, DitherOnIsTheDefaultAndOffChangesThePixels) {
    constexpr int kFrames = 90;
    const fs::path plain = Capture("dither-default", "", kFrames);
    const fs::path on = Capture("dither-on", "--dither on", kFrames);
    const fs::path off = Capture("dither-off", "--dither off", kFrames);
    const std::string last = FrameName(kFrames - 1);
    EXPECT_EQ(ReadAll(plain / last), ReadAll(on / last));
    const Picture a = ReadPng(on / last), b = ReadPng(off / last);
    ASSERT_EQ(a.rgb.size(), b.rgb.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.rgb.size(); ++i) differing += a.rgb[i] != b.rgb[i];
    EXPECT_GT(differing, a.rgb.size() / 100);
    for (const auto& dir : {plain, on, off}) fs::remove_all(dir);
}

// A 3D frame drawn at twice the size and averaged back over 2x2 blocks is the scale 1 frame,
// up to what the unrounded corners move: every channel within 24 of 255 on 96.7% of the pixels
// and within 3.0 on average. The whole-pixel corners of scale 1 are truncated towards the
// centre, so the two differ along every edge (this frame: 97.7% and 2.49); the 3D drawn one
// screen pixel off gives 95.7% and 3.51.
TEST(PlayerOptions, TheScaleTwoFrameAveragedDownMatchesTheScaleOneFrame) {
    // Pass 600: the opening's big emblem and rocks over the picture of the sky.
    constexpr int kPass = 600;
    const std::string only = "--every " + std::to_string(kPass);
    const fs::path one = Capture("scale-one", only, kPass + 1), two = Capture("scale-two", only + " --scale 2", kPass + 1);
    const Picture a = ReadPng(one / FrameName(kPass)), b = ReadPng(two / FrameName(kPass));
    ASSERT_EQ(a.width, 640);
    ASSERT_EQ(b.width, 1280);
    ASSERT_EQ(b.height, 960);
    std::size_t close = 0, total = 0;
    double sum = 0;
    bool lit = false;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) {
                const int mean = (b.At(2 * x, 2 * y, c) + b.At(2 * x + 1, 2 * y, c) + b.At(2 * x, 2 * y + 1, c) +
                                  b.At(2 * x + 1, 2 * y + 1, c) + 2) / 4;
                const int d = std::abs(mean - a.At(x, y, c));
                worst = std::max(worst, d);
                sum += d;
                lit = lit || a.At(x, y, c) > 32;
            }
            close += worst <= 24;
            ++total;
        }
    EXPECT_TRUE(lit) << "the compared frame should show something";
    EXPECT_GE(close, total * 967 / 1000) << close << " of " << total;
    EXPECT_LE(sum / (3.0 * total), 3.0);
    fs::remove_all(one);
    fs::remove_all(two);
}

TEST(PlayerOptions, OneTwoOrThreeThreadsCaptureTheSameFiles) {
    constexpr int kFrames = 90;
    const fs::path t1 = Capture("threads-1", "--threads 1 --scale 2", kFrames);
    const fs::path t2 = Capture("threads-2", "--threads 2 --scale 2", kFrames);
    const fs::path t3 = Capture("threads-3", "--threads 3 --scale 2", kFrames);
    for (int pass : {0, kFrames / 2, kFrames - 1}) {
        const std::string name = FrameName(pass);
        const std::string first = ReadAll(t1 / name);
        ASSERT_FALSE(first.empty()) << name;
        EXPECT_EQ(first, ReadAll(t2 / name)) << name;
        EXPECT_EQ(first, ReadAll(t3 / name)) << name;
    }
    for (const auto& dir : {t1, t2, t3}) fs::remove_all(dir);
}
