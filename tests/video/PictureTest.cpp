#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "BmpFiles.h"
#include "Headless.h"

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

// Checks that a surface holds the picture scaled by an integer factor.
void ExpectScaled(const Surface& s, int factor, const std::function<Rgb(int x, int y)>& source) {
    int wrong = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (s.Pixels()[y * s.Width() + x] != bmp::Pack565(source(x / factor, y / factor)) && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y;
    EXPECT_EQ(wrong, 0);
}

}  // namespace

TEST(LoadPicture, DecodesEveryDepthAndScalesToTheSurface) {
    Video video;
    StartHeadlessDisplay(video);

    // 320x240 onto the 640x480 Screen1: the whole screen, each source pixel twice each way.
    const std::string p24 = bmp::Write("p24.bmp", bmp::Bmp24(320, 240, Gradient));
    video.LoadPicture(video.screen1, p24.c_str());
    ExpectScaled(*video.screen1, 2, Gradient);

    const std::string top = bmp::Write("top.bmp", bmp::Bmp24(13, 9, Gradient, /*topDown=*/true));
    Surface* same = video.CreateSurface(13, 9, nullptr);
    video.LoadPicture(same, top.c_str());
    ExpectScaled(*same, 1, Gradient);

    const auto pal = TestPalette(256);
    auto index8 = [](int x, int y) { return static_cast<std::uint8_t>((x / 3 + y * 5) % 256); };
    auto colour8 = [&](int x, int y) { return pal[index8(x, y)]; };
    const std::string p8 = bmp::Write("p8.bmp", bmp::Bmp8(31, 17, pal, index8));
    Surface* s8 = video.CreateSurface(62, 34, nullptr);
    video.LoadPicture(s8, p8.c_str());
    ExpectScaled(*s8, 2, colour8);

    const auto pal16 = TestPalette(16);
    auto index4 = [](int x, int y) { return static_cast<std::uint8_t>((x + 3 * y) % 16); };
    const std::string p4 = bmp::Write("p4.bmp", bmp::Bmp4(9, 5, pal16, index4));
    Surface* s4 = video.CreateSurface(9, 5, nullptr);
    video.LoadPicture(s4, p4.c_str());
    ExpectScaled(*s4, 1, [&](int x, int y) { return pal16[index4(x, y)]; });

    auto indexRle = [](int x, int y) { return static_cast<std::uint8_t>(x < 10 ? 3 : (y % 2 ? 200 : 7)); };
    const std::string rle = bmp::Write("rle.bmp", bmp::Bmp8Rle(40, 6, pal, indexRle));
    Surface* sr = video.CreateSurface(40, 6, nullptr);
    video.LoadPicture(sr, rle.c_str());
    ExpectScaled(*sr, 1, [&](int x, int y) { return pal[indexRle(x, y)]; });
}

TEST(LoadPicture, FailuresEndTheProcess) {
    EXPECT_EXIT(
        {
            Video video;
            StartHeadlessDisplay(video);
            video.LoadPicture(video.screen1, "missing_picture.bmp");
        },
        ::testing::ExitedWithCode(15), "VVideo Error: Cannot get image file : missing_picture.bmp");
    const std::string garbage = bmp::Write("garbage.bmp", {'B', 'M', 1, 2, 3});
    EXPECT_EXIT(
        {
            Video video;
            StartHeadlessDisplay(video);
            video.LoadPicture(video.screen1, garbage.c_str());
        },
        ::testing::ExitedWithCode(15), "Cannot get image file : ");
    EXPECT_EXIT(
        {
            Video video;
            StartHeadlessDisplay(video);
            video.LoadPicture(nullptr, garbage.c_str());
        },
        ::testing::ExitedWithCode(13), "Cannot get surface description");
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
    const std::string full = bmp::Write("full.bmp", bmp::Bmp8(640, 480, TestPalette(2), [](int x, int) {
                                            return static_cast<std::uint8_t>(x & 1);
                                        }));
    std::vector<std::uint8_t> screen(640 * 480);
    video.LoadBmp8(screen.data(), full.c_str());
    EXPECT_EQ(screen[639], 1);
    EXPECT_EQ(screen[479 * 640 + 638], 0);
}

TEST(LoadBmp8, ErrorsInTheirOrder) {
    const auto pal = TestPalette(2);
    auto zero = [](int, int) { return std::uint8_t{0}; };
    const std::string wide = bmp::Write("wide.bmp", bmp::Bmp8(641, 2, pal, zero));
    const std::string big24 = bmp::Write("big24.bmp", bmp::Bmp24(700, 10, Gradient));
    const std::string small24 = bmp::Write("small24.bmp", bmp::Bmp24(16, 16, Gradient));
    const std::string notBmp = bmp::Write("notbmp.bmp", {'P', 'K', 3, 4, 0, 0, 0, 0});
    std::vector<std::uint8_t> cut = bmp::Bmp8(64, 64, pal, zero);
    cut.resize(cut.size() - 100);  // the header still claims the full size
    const std::string truncated = bmp::Write("cut.bmp", cut);
    std::vector<std::uint8_t> liar = bmp::Bmp8(64, 64, pal, zero);
    bmp::Put32(liar, 2, 1100);  // claims too few bytes to hold the pixels
    const std::string shortClaim = bmp::Write("liar.bmp", liar);

    auto load = [](const std::string& path) {
        Video video;
        StartHeadlessDisplay(video);
        static std::vector<std::uint8_t> out(640 * 480);
        video.LoadBmp8(out.data(), path.c_str());
    };
    EXPECT_EXIT(load("no_such_file.bmp"), ::testing::ExitedWithCode(6),
                "VVideo Error: Cannot get image file : no_such_file.bmp");
    const std::string longName(400, 'x');  // longer than any fixed message buffer
    EXPECT_EXIT(load(longName), ::testing::ExitedWithCode(6), "Cannot get image file : x{400}\n");
    EXPECT_EXIT(load(notBmp), ::testing::ExitedWithCode(7), ::testing::Not(::testing::HasSubstr("Error")));
    EXPECT_EXIT(load(wide), ::testing::ExitedWithCode(23), "VVideo Error: Too big picture");
    EXPECT_EXIT(load(big24), ::testing::ExitedWithCode(23), "Too big picture");  // size before depth
    EXPECT_EXIT(load(small24), ::testing::ExitedWithCode(23), "VVideo Error: Picture is not a 8bit BMP");
    EXPECT_EXIT(load(truncated), ::testing::ExitedWithCode(6), "Cannot get image file : .*cut.bmp");
    EXPECT_EXIT(load(shortClaim), ::testing::ExitedWithCode(6), "Cannot get image file : .*liar.bmp");
    bmp::Put32(liar, 2, 20);  // not even a header
    const std::string tiny = bmp::Write("tiny.bmp", liar);
    EXPECT_EXIT(load(tiny), ::testing::ExitedWithCode(6), "Cannot get image file : .*tiny.bmp");
    const std::string stub = bmp::Write("stub.bmp", {'B', 'M', 0x36});
    EXPECT_EXIT(load(stub), ::testing::ExitedWithCode(6), "Cannot get image file : .*stub.bmp");

    auto size = [](const std::string& path) {
        Video video;
        StartHeadlessDisplay(video);
        int w, h;
        video.GetBmpSize(path.c_str(), &w, &h);
    };
    EXPECT_EXIT(size("no_such_file.bmp"), ::testing::ExitedWithCode(6), "Cannot get image file : no_such_file.bmp");
    EXPECT_EXIT(size(notBmp), ::testing::ExitedWithCode(7), ::testing::Not(::testing::HasSubstr("Error")));
}

TEST(LoadBmp8Palette, PacksToTheDisplayFormat) {
    std::vector<Rgb> pal(256);
    pal[1] = Rgb{255, 0, 255};
    pal[2] = Rgb{0, 255, 0};
    pal[3] = Rgb{0x10, 0x20, 0x47};
    const std::string path = bmp::Write("pal.bmp", bmp::Bmp8(4, 4, pal, [](int, int) { return std::uint8_t{0}; }));

    Video rgb555;
    rgb555.UseDisplayMasks(0x7C00, 0x03E0, 0x001F);
    StartHeadlessDisplay(rgb555);
    std::uint32_t table[256] = {};
    rgb555.LoadBmp8Palette(table, path.c_str());
    EXPECT_EQ(table[1], 0x7C1Fu);
    EXPECT_EQ(table[2], 0x03E0u);
    EXPECT_EQ(table[3], (2u << 10) | (4u << 5) | 8u);

    Video rgb565;
    StartHeadlessDisplay(rgb565);
    rgb565.LoadBmp8Palette(table, path.c_str());
    EXPECT_EQ(table[1], 0xF81Fu);
    EXPECT_EQ(table[2], 31u << 5);  // five bits of green in the six-bit field

    const std::string p24 = bmp::Write("pal24.bmp", bmp::Bmp24(4, 4, Gradient));
    EXPECT_EXIT(
        {
            Video v;
            StartHeadlessDisplay(v);
            v.LoadBmp8Palette(table, "no_such_file.bmp");
        },
        ::testing::ExitedWithCode(6), ::testing::Not(::testing::HasSubstr("Error")));
    EXPECT_EXIT(
        {
            Video v;
            StartHeadlessDisplay(v);
            v.LoadBmp8Palette(table, p24.c_str());
        },
        ::testing::ExitedWithCode(23), "Picture is not a 8bit BMP");
}
