// The board drawing finer than the screen it is addressed in, and the dither switch: what
// callers see stays screen-sized, what is shown is scale times larger.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"

namespace {

// A fresh 640x480 board at the given scale; the shown frames are kept.
struct ScaledBoard {
    std::vector<FxU16> shown;
    int shownWidth = 0, shownHeight = 0;
    explicit ScaledBoard(int scale, bool dither = false) {
        glideSetBoardPresent(true);
        glideSetScale(scale);
        grGlideInit();
        GrHwConfiguration hw;
        EXPECT_TRUE(grSstQueryHardware(&hw));
        EXPECT_TRUE(grSstWinOpen(0, GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT, 2, 0));
        grDitherMode(dither ? 1 : 0);
        os::SetFrameSink([this](const std::uint16_t* p, int w, int h) {
            shown.assign(p, p + std::size_t(w) * h);
            shownWidth = w, shownHeight = h;
        });
    }
    ~ScaledBoard() {
        os::SetFrameSink({});
        grGlideShutdown();
        glideSetScale(1);
        glideSetDitherAllowed(true);
    }
    FxU16 At(int x, int y) const { return shown[std::size_t(y) * shownWidth + x]; }
};

GrVertex Corner(float x, float y, float r = 255, float g = 128, float b = 0) {
    GrVertex v;
    v.x = x, v.y = y, v.oow = 1, v.r = r, v.g = g, v.b = b;
    return v;
}

void Rect(const GrVertex& a, const GrVertex& c) {
    GrVertex b = a, d = c;
    b.x = c.x, b.fineX = c.fineX, d.x = a.x, d.fineX = a.fineX;
    grDrawTriangle(&a, &b, &c);
    grDrawTriangle(&a, &c, &d);
}

}  // namespace

TEST(ScaledBoard, CornersClipsPointsAndClearsAreScaledAndFinePositionsUsedOnlyWhenFiner) {
    for (int scale : {1, 2, 3}) {
        ScaledBoard board(scale);
        EXPECT_EQ(glideScale(), scale);
        guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
        grConstantColorValue(0xFFFFFF);
        // Whole-pixel corners 10..20 with finer ones at 10.5..20.5.
        GrVertex a = Corner(10, 10), c = Corner(20, 20);
        a.hasFine = c.hasFine = FXTRUE;
        a.fineX = a.fineY = 10.5f, c.fineX = c.fineY = 20.5f;
        Rect(a, c);
        // A point fills its block; the clip window keeps the red rectangle to 100..110.
        grConstantColorValue(0x00FF00);
        const GrVertex p = Corner(50, 60);
        grDrawPoint(&p);
        grClipWindow(100, 100, 110, 110);
        grConstantColorValue(0xFF0000);
        Rect(Corner(90, 90), Corner(200, 200));
        grClipWindow(300, 300, 302, 301);
        grBufferClear(0x0000FF, 0, 0xFFFF);
        grBufferSwap(1);

        ASSERT_EQ(board.shownWidth, 640 * scale);
        ASSERT_EQ(board.shownHeight, 480 * scale);
        const int n = scale;
        // Scale 1 draws the whole-pixel square; finer boards the half-pixel-shifted one.
        const int first = scale == 1 ? 10 : (21 * n) / 2, last = scale == 1 ? 19 : (41 * n) / 2 - 1;
        EXPECT_EQ(board.At(first, first), 0xFFFF) << scale;
        EXPECT_EQ(board.At(last, last), 0xFFFF) << scale;
        EXPECT_EQ(board.At(first - 1, first), 0) << scale;
        EXPECT_EQ(board.At(last + 1, last), 0) << scale;
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i) EXPECT_EQ(board.At(50 * n + i, 60 * n + j), 0x07E0) << scale;
        EXPECT_EQ(board.At(50 * n + n, 60 * n), 0);
        EXPECT_EQ(board.At(100 * n, 100 * n), 0xF800);
        EXPECT_EQ(board.At(110 * n - 1, 110 * n - 1), 0xF800);
        EXPECT_EQ(board.At(110 * n, 105 * n), 0);
        EXPECT_EQ(board.At(100 * n - 1, 105 * n), 0);
        EXPECT_EQ(board.At(302 * n - 1, 301 * n - 1), 0x001F);
        EXPECT_EQ(board.At(302 * n, 300 * n), 0);
        EXPECT_EQ(board.At(300 * n, 301 * n), 0);
    }
}

TEST(ScaledBoard, TheFrameBufferLooksScreenSizedAndAWriteKeepsTheDetailItLeftAlone) {
    ScaledBoard board(2);
    // Fine detail: a one-pixel-wide line pattern at full resolution.
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    grConstantColorValue(0xFFFFFF);
    GrVertex a = Corner(0, 0), c = Corner(0, 0);
    a.hasFine = c.hasFine = FXTRUE;
    a.fineX = 4.0f, a.fineY = 0, c.fineX = 4.5f, c.fineY = 10;   // columns 8 only
    Rect(a, c);

    GrLfbInfo_t info;
    ASSERT_TRUE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    EXPECT_EQ(info.strideInBytes, 640u * 2);
    auto* lfb = static_cast<FxU16*>(info.lfbPtr);
    // The screen pixel (4, 1) averages its block: two white, two black.
    EXPECT_EQ(lfb[640 + 4], static_cast<FxU16>((16 << 11) | (32 << 5) | 16));
    lfb[640 * 3 + 4] = 0xF800;   // changed: its whole block turns red
    lfb[640 * 5 + 4] = lfb[640 * 5 + 4];   // rewritten unchanged: the detail stays
    ASSERT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    grBufferSwap(1);
    for (int j = 6; j < 8; ++j)
        for (int i = 8; i < 10; ++i) EXPECT_EQ(board.At(i, j), 0xF800);
    EXPECT_EQ(board.At(8, 10), 0xFFFF);
    EXPECT_EQ(board.At(9, 10), 0);
    EXPECT_EQ(board.At(8, 2), 0xFFFF);

    // The front read averages the same way, and so does a read lock.
    std::vector<FxU16> row(640);
    ASSERT_TRUE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 3, 640, 1, 1280, row.data()));
    EXPECT_EQ(row[4], 0xF800);
    EXPECT_EQ(row[3], 0);
    ASSERT_TRUE(grLfbLock(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER, GR_LFBWRITEMODE_555, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    EXPECT_EQ(static_cast<FxU16*>(info.lfbPtr)[640 * 3 + 4], 0xF800);
    ASSERT_TRUE(grLfbUnlock(GR_LFB_READ_ONLY, GR_BUFFER_FRONTBUFFER));
}

TEST(ScaledBoard, DitherSwitchOffTruncatesWhatTheDitherWouldSpread) {
    auto draw = [](bool allowed) {
        ScaledBoard board(1, true);
        glideSetDitherAllowed(allowed);
        guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
        const GrVertex a = Corner(0, 0, 0, 0, 0), b = Corner(640, 0, 255, 255, 255), c = Corner(0, 480, 100, 30, 200);
        grDrawTriangle(&a, &b, &c);
        grBufferSwap(1);
        return board.shown;
    };
    const std::vector<FxU16> dithered = draw(true), plain = draw(false);
    // The same gradient drawn by a board told to truncate (grDitherMode 0) is the plain one.
    ScaledBoard reference(1, false);
    guColorCombineFunction(GR_COLORCOMBINE_ITRGB);
    const GrVertex a = Corner(0, 0, 0, 0, 0), b = Corner(640, 0, 255, 255, 255), c = Corner(0, 480, 100, 30, 200);
    grDrawTriangle(&a, &b, &c);
    grBufferSwap(1);
    EXPECT_EQ(plain, reference.shown);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) differing += plain[i] != dithered[i];
    EXPECT_GT(differing, plain.size() / 10);
}

TEST(PresentedSize, ScreenSizedFramesAreEnlargedToTheBoardsSizeAndOthersPassAsTheyAre) {
    std::vector<std::uint16_t> got;
    int gotWidth = 0, gotHeight = 0;
    os::SetFrameSink([&](const std::uint16_t* p, int w, int h) {
        got.assign(p, p + std::size_t(w) * h);
        gotWidth = w, gotHeight = h;
    });
    os::SetPresentedSize(1920, 1440);
    std::vector<std::uint16_t> small(640 * 480);
    for (std::size_t i = 0; i < small.size(); ++i) small[i] = static_cast<std::uint16_t>(i * 7);
    os::PresentFrame(small.data(), 640, 480);
    ASSERT_EQ(gotWidth, 1920);
    ASSERT_EQ(gotHeight, 1440);
    std::size_t wrong = 0;
    for (int y = 0; y < 1440; ++y)
        for (int x = 0; x < 1920; ++x) wrong += got[std::size_t(y) * 1920 + x] != small[std::size_t(y / 3) * 640 + x / 3];
    EXPECT_EQ(wrong, 0u);
    // Already at size, or not a whole fraction of it: untouched.
    std::vector<std::uint16_t> big(1920 * 1440, 0x1234);
    os::PresentFrame(big.data(), 1920, 1440);
    EXPECT_EQ(got, big);
    os::PresentFrame(small.data(), 640, 400);
    EXPECT_EQ(gotWidth, 640);
    EXPECT_EQ(gotHeight, 400);
    os::SetPresentedSize(0, 0);
    os::PresentFrame(small.data(), 640, 480);
    EXPECT_EQ(gotWidth, 640);
    os::SetFrameSink({});
}
