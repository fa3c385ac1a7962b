#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/BmpFiles.h"
#include "support/Headless.h"

using bmp::Rgb;

namespace {

Rgb Gradient(int x, int y) {
    return Rgb{static_cast<std::uint8_t>(x * 7 + y), static_cast<std::uint8_t>(y * 5 + 3 * x),
               static_cast<std::uint8_t>(255 - x - 2 * y)};
}

enum Call { kBmp8, kSize, kPicture, kPictureNoSurface };

// One loader call on a fresh display, inside a death test's child.
void Refuse(Call call, const std::string& path) {
    Video video;
    StartHeadlessDisplay(video);
    static std::vector<std::uint8_t> out(640 * 480);
    int w, h;
    switch (call) {
        case kBmp8: video.LoadBmp8(out.data(), path.c_str()); break;
        case kSize: video.GetBmpSize(path.c_str(), &w, &h); break;
        case kPicture: video.LoadPicture(video.screen1, path.c_str()); break;
        case kPictureNoSurface: video.LoadPicture(nullptr, path.c_str()); break;
    }
}

}  // namespace

// Pictures of either depth fill the surface, scaled by whole factors (nearest pixel).
TEST(LoadPicture, FillsTheSurfaceScaled) {
    Video video;
    StartHeadlessDisplay(video);
    std::vector<Rgb> pal(256);
    for (int i = 0; i < 256; ++i) pal[i] = Gradient(i, 255 - i);
    auto index = [](int x, int y) { return static_cast<std::uint8_t>((x / 3 + y * 5) % 256); };
    const struct {
        std::string path;
        Surface* surface;
        std::function<Rgb(int x, int y)> source;
    } cases[] = {{bmp::Write("p24.bmp", bmp::Bmp24(320, 240, Gradient)), video.screen1, Gradient},
                 {bmp::Write("p8.bmp", bmp::Bmp8(31, 17, pal, index)), video.CreateSurface(62, 34, nullptr),
                  [&](int x, int y) { return pal[index(x, y)]; }}};
    for (const auto& c : cases) {
        video.LoadPicture(c.surface, c.path.c_str());
        const int w = c.surface->Width();
        int wrong = 0;
        for (int y = 0; y < c.surface->Height(); ++y)
            for (int x = 0; x < w; ++x) wrong += c.surface->Pixels()[y * w + x] != bmp::Pack565(c.source(x / 2, y / 2));
        EXPECT_EQ(wrong, 0) << c.path;
    }
}

// Rows come top first; a width of 5 pads each stored row by three bytes, which must not shear
// the picture, and exactly width * height bytes are written. A picture as wide as the screen
// is taken.
TEST(LoadBmp8, RowsComeTopFirstWithPaddingRespected) {
    Video video;
    StartHeadlessDisplay(video);
    for (int w : {5, 640}) {
        auto index = [](int x, int y) { return static_cast<std::uint8_t>(10 * y + x); };
        const std::string path = bmp::Write("idx.bmp", bmp::Bmp8(w, 3, {}, index));
        std::vector<std::uint8_t> out(w * 3 + 1, 0xEE);
        video.LoadBmp8(out.data(), path.c_str());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(out[y * w + x], index(x, y)) << x << "," << y;
        EXPECT_EQ(out.back(), 0xEE);
        int width = 0, height = 0;
        video.GetBmpSize(path.c_str(), &width, &height);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(w, 3));
    }
}

// Each loader's refusals, in the order its checks run: message on stderr and the site's exit code.
TEST(PictureDeathTest, RefusalsReportAndExitWithTheirCodes) {
    const std::vector<Rgb> pal;
    auto zero = [](int, int) { return std::uint8_t{0}; };
    std::vector<std::uint8_t> cut = bmp::Bmp8(64, 64, pal, zero);
    cut.erase(cut.end() - 100, cut.end());  // the header still claims the full size
    std::vector<std::uint8_t> liar = bmp::Bmp8(64, 64, pal, zero);
    bmp::Put32(liar, 2, 1100);  // claims too few bytes to hold the pixels
    std::vector<std::uint8_t> tiny = liar;
    bmp::Put32(tiny, 2, 20);  // not even a header
    const std::string notBmp = bmp::Write("notbmp.bmp", {'P', 'K', 3, 4, 0, 0, 0, 0});
    const std::string garbage = bmp::Write("garbage.bmp", {'B', 'M', 1, 2, 3});
    const std::string small24 = bmp::Write("small24.bmp", bmp::Bmp24(16, 16, Gradient));
    using ::testing::ContainsRegex;
    const auto noError = ::testing::Not(::testing::HasSubstr("Error"));
    const auto noFile = [](const std::string& name) { return ContainsRegex("Cannot get image file : .*" + name); };
    const struct {
        Call call;
        std::string path;
        int code;
        ::testing::Matcher<const std::string&> message;
    } cases[] = {
        {kBmp8, "no_such_file.bmp", 6, ContainsRegex("VVideo Error: Cannot get image file : no_such_file.bmp")},
        {kBmp8, std::string(400, 'x'), 6, ContainsRegex("Cannot get image file : x{400}\n")},  // no fixed buffer
        {kBmp8, notBmp, 7, noError},
        {kBmp8, bmp::Write("wide.bmp", bmp::Bmp8(641, 2, pal, zero)), 23, ContainsRegex("VVideo Error: Too big picture")},
        {kBmp8, bmp::Write("big24.bmp", bmp::Bmp24(700, 10, Gradient)), 23, ContainsRegex("Too big picture")},
        {kBmp8, small24, 23, ContainsRegex("VVideo Error: Picture is not a 8bit BMP")},
        {kBmp8, bmp::Write("cut.bmp", cut), 6, noFile("cut.bmp")},
        {kBmp8, bmp::Write("liar.bmp", liar), 6, noFile("liar.bmp")},
        {kBmp8, bmp::Write("tiny.bmp", tiny), 6, noFile("tiny.bmp")},
        {kBmp8, bmp::Write("stub.bmp", {'B', 'M', 0x36}), 6, noFile("stub.bmp")},
        {kSize, "no_such_file.bmp", 6, noFile("no_such_file.bmp")},
        {kSize, notBmp, 7, noError},
        {kPicture, "missing.bmp", 15, ContainsRegex("VVideo Error: Cannot get image file : missing.bmp")},
        {kPicture, garbage, 15, noFile("garbage.bmp")},
        {kPictureNoSurface, garbage, 13, ContainsRegex("Cannot get surface description")},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(Refuse(c.call, c.path), ::testing::ExitedWithCode(c.code), c.message) << c.call << " " << c.path;
}
