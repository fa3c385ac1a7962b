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

std::vector<Rgb> TestPalette(int n) {
    std::vector<Rgb> p;
    for (int i = 0; i < n; ++i)
        p.push_back(Rgb{static_cast<std::uint8_t>(i * 37), static_cast<std::uint8_t>(255 - i * 11),
                        static_cast<std::uint8_t>(i * 91)});
    return p;
}

// Loads a file onto a new surface and checks it holds the picture scaled by an integer factor.
void ExpectLoadedScaled(Video& video, const std::string& path, int w, int h, int factor,
                        const std::function<Rgb(int x, int y)>& source) {
    Surface* s = w ? video.CreateSurface(w, h, nullptr) : video.screen1;
    video.LoadPicture(s, path.c_str());
    int wrong = 0;
    for (int y = 0; y < s->Height(); ++y)
        for (int x = 0; x < s->Width(); ++x)
            if (s->Pixels()[y * s->Width() + x] != bmp::Pack565(source(x / factor, y / factor)) && wrong++ < 5)
                ADD_FAILURE() << path << " pixel " << x << "," << y;
    EXPECT_EQ(wrong, 0);
}

enum Call { kBmp8, kSize, kPalette, kPicture, kPictureNoSurface };

// One loader call on a fresh display, inside a death test's child.
void Refuse(Call call, const std::string& path) {
    Video video;
    StartHeadlessDisplay(video);
    static std::vector<std::uint8_t> out(640 * 480);
    std::uint32_t table[256];
    int w, h;
    switch (call) {
        case kBmp8: video.LoadBmp8(out.data(), path.c_str()); break;
        case kSize: video.GetBmpSize(path.c_str(), &w, &h); break;
        case kPalette: video.LoadBmp8Palette(table, path.c_str()); break;
        case kPicture: video.LoadPicture(video.screen1, path.c_str()); break;
        case kPictureNoSurface: video.LoadPicture(nullptr, path.c_str()); break;
    }
}

}  // namespace

TEST(LoadPicture, DecodesEveryDepthAndScalesToTheSurface) {
    Video video;
    StartHeadlessDisplay(video);
    // 320x240 onto the 640x480 Screen1: the whole screen, each source pixel twice each way.
    ExpectLoadedScaled(video, bmp::Write("p24.bmp", bmp::Bmp24(320, 240, Gradient)), 0, 0, 2, Gradient);
    ExpectLoadedScaled(video, bmp::Write("top.bmp", bmp::Bmp24(13, 9, Gradient, /*topDown=*/true)), 13, 9, 1,
                       Gradient);

    const auto pal = TestPalette(256);
    auto index8 = [](int x, int y) { return static_cast<std::uint8_t>((x / 3 + y * 5) % 256); };
    ExpectLoadedScaled(video, bmp::Write("p8.bmp", bmp::Bmp8(31, 17, pal, index8)), 62, 34, 2,
                       [&](int x, int y) { return pal[index8(x, y)]; });
    auto index4 = [](int x, int y) { return static_cast<std::uint8_t>((x + 3 * y) % 16); };
    ExpectLoadedScaled(video, bmp::Write("p4.bmp", bmp::Indexed(4, 9, 5, pal, index4)), 9, 5, 1,
                       [&](int x, int y) { return pal[index4(x, y)]; });
    auto indexRle = [](int x, int y) { return static_cast<std::uint8_t>(x < 10 ? 3 : (y % 2 ? 200 : 7)); };
    ExpectLoadedScaled(video, bmp::Write("rle.bmp", bmp::Bmp8Rle(40, 6, pal, indexRle)), 40, 6, 1,
                       [&](int x, int y) { return pal[indexRle(x, y)]; });
}

TEST(LoadBmp8, RowsComeTopFirstWithPaddingRespected) {
    Video video;
    StartHeadlessDisplay(video);
    // Width 5: each stored row carries three bytes of padding, which must not shear the picture.
    auto index = [](int x, int y) { return static_cast<std::uint8_t>(10 * y + x); };
    const std::string path = bmp::Write("idx.bmp", bmp::Bmp8(5, 3, TestPalette(4), index));
    std::vector<std::uint8_t> out(5 * 3 + 1, 0xEE);
    video.LoadBmp8(out.data(), path.c_str());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(out[y * 5 + x], index(x, y)) << x << "," << y;
    EXPECT_EQ(out[15], 0xEE);  // exactly width * height bytes written
    int w = 0, h = 0;
    video.GetBmpSize(path.c_str(), &w, &h);
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);

    // As large as the screen is allowed.
    const std::string full =
        bmp::Write("full.bmp", bmp::Bmp8(640, 480, TestPalette(2), [](int x, int) { return std::uint8_t(x & 1); }));
    std::vector<std::uint8_t> screen(640 * 480);
    video.LoadBmp8(screen.data(), full.c_str());
    EXPECT_EQ(screen[639], 1);
    EXPECT_EQ(screen[479 * 640 + 638], 0);
}

TEST(LoadBmp8Palette, PacksToTheDisplayFormat) {
    std::vector<Rgb> pal(4);
    pal[1] = Rgb{255, 0, 255};
    pal[2] = Rgb{0, 255, 0};
    pal[3] = Rgb{0x10, 0x20, 0x47};
    const std::string path = bmp::Write("pal.bmp", bmp::Bmp8(4, 4, pal, [](int, int) { return std::uint8_t{0}; }));
    std::uint32_t table[256] = {};
    Video rgb555;
    rgb555.UseDisplayMasks(0x7C00, 0x03E0, 0x001F);
    StartHeadlessDisplay(rgb555);
    rgb555.LoadBmp8Palette(table, path.c_str());
    EXPECT_EQ(table[1], 0x7C1Fu);
    EXPECT_EQ(table[2], 0x03E0u);
    EXPECT_EQ(table[3], (2u << 10) | (4u << 5) | 8u);
    Video rgb565;
    StartHeadlessDisplay(rgb565);
    rgb565.LoadBmp8Palette(table, path.c_str());
    EXPECT_EQ(table[1], 0xF81Fu);
    EXPECT_EQ(table[2], 31u << 5);  // five bits of green in the six-bit field
}

// Each loader's refusals, in the order its checks run: message on stderr and the site's exit code.
TEST(PictureDeathTest, RefusalsReportAndExitWithTheirCodes) {
    const auto pal = TestPalette(2);
    auto zero = [](int, int) { return std::uint8_t{0}; };
    std::vector<std::uint8_t> cut = bmp::Bmp8(64, 64, pal, zero);
    cut.resize(cut.size() - 100);  // the header still claims the full size
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
        {kPalette, "no_such_file.bmp", 6, noError},
        {kPalette, small24, 23, ContainsRegex("Picture is not a 8bit BMP")},
        {kPicture, "missing.bmp", 15, ContainsRegex("VVideo Error: Cannot get image file : missing.bmp")},
        {kPicture, garbage, 15, noFile("garbage.bmp")},
        {kPictureNoSurface, garbage, 13, ContainsRegex("Cannot get surface description")},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(Refuse(c.call, c.path), ::testing::ExitedWithCode(c.code), c.message) << c.call << " " << c.path;
}
