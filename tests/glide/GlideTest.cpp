#include <gtest/gtest.h>

#include <vector>

#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"

namespace {

// Opens a fresh 640x480 board with undithered writes and collects what is shown.
struct Board {
    std::vector<std::vector<FxU16>> shown;
    Board() {
        glideSetBoardPresent(true);
        grGlideInit();
        GrHwConfiguration hw;
        EXPECT_TRUE(grSstQueryHardware(&hw));
        grSstSelect(0);
        EXPECT_TRUE(grSstWinOpen(0, GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT, 2, 0));
        grDitherMode(0);
        os::SetFrameSink([this](const std::uint16_t* p, int w, int h) { shown.emplace_back(p, p + w * h); });
    }
    ~Board() {
        os::SetFrameSink({});
        grGlideShutdown();
    }
};

GrVertex At(float x, float y, float oow = 1, float s = 0, float t = 0) {
    GrVertex v;
    v.x = x, v.y = y, v.oow = oow;
    v.r = 255, v.g = 128, v.b = 0;
    v.tmuvtx[0].sow = s * oow, v.tmuvtx[0].tow = t * oow, v.tmuvtx[0].oow = oow;
    return v;
}

void Quad(float x0, float y0, float x1, float y1, float oow = 1) {
    const GrVertex a = At(x0, y0, oow, 0, 0), b = At(x1, y0, oow, 256, 0), c = At(x1, y1, oow, 256, 256),
                   d = At(x0, y1, oow, 0, 256);
    guDrawTriangleWithClip(&a, &b, &c);
    guDrawTriangleWithClip(&a, &c, &d);
}

std::vector<FxU16> ReadFront() {
    std::vector<FxU16> out(640 * 480, 0xDEAD);
    EXPECT_TRUE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, 640, 480, 1280, out.data()));
    return out;
}

}  // namespace

TEST(GlideBoard, SwapShowsTheBackBufferAndTheFrontReadReturnsIt) {
    Board board;
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    grConstantColorValue(0xFF0000);
    Quad(10, 10, 50, 50);
    // Locked writes land in the back buffer, 5-5-5 ones widened; one lock at a time.
    GrLfbInfo_t info;
    ASSERT_TRUE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_555, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    auto* p = static_cast<FxU16*>(info.lfbPtr);
    p[0] = 0x7C00, p[1] = 0x03E0, p[2] = 0x7FFF;
    EXPECT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    EXPECT_FALSE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, 7, GR_LFBWRITEMODE_565, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, 3, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    grBufferSwap(1);
    ASSERT_EQ(board.shown.size(), 1u);
    EXPECT_EQ(board.shown[0][20 * 640 + 20], 0xF800);
    EXPECT_EQ(board.shown[0][5 * 640 + 5], 0);
    EXPECT_EQ(std::vector<FxU16>(board.shown[0].begin(), board.shown[0].begin() + 3), (std::vector<FxU16>{0xF800, 0x07E0, 0xFFFF}));
    // Drawing into the new back buffer changes neither what was shown nor the front read.
    grConstantColorValue(0x00FF00);
    Quad(0, 0, 640, 480);
    EXPECT_EQ(ReadFront(), board.shown[0]);
    grBufferSwap(1);
    EXPECT_EQ(ReadFront(), board.shown[1]);
    EXPECT_EQ(board.shown[1][5 * 640 + 5], 0x07E0);

    // Regions that do not fit, a short stride or no destination are refused untouched.
    std::vector<FxU16> small(16, 0x1234);
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 636, 0, 8, 2, 16, small.data()));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 479, 4, 2, 8, small.data()));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0xFFFFFFF0u, 0, 32, 1, 64, small.data()));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, 8, 2, 8, small.data()));
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, 8, 2, 16, nullptr));
    EXPECT_EQ(small, std::vector<FxU16>(16, 0x1234));
    EXPECT_TRUE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 632, 478, 8, 2, 16, small.data()));
    EXPECT_EQ(small[15], 0x07E0);
}

TEST(GlideBoard, StartFailsWithoutBoardOrKnownResolution) {
    glideSetBoardPresent(false);
    GrHwConfiguration hw;
    EXPECT_FALSE(grSstQueryHardware(&hw));
    EXPECT_EQ(hw.num_sst, 0);
    glideSetBoardPresent(true);
    EXPECT_FALSE(grSstWinOpen(0, 99, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT, 2, 0));
    // Nothing is drawn or shown on a board that is not open.
    const GrVertex a = At(0, 0), b = At(10, 0), c = At(0, 10);
    guDrawTriangleWithClip(&a, &b, &c);
    grBufferSwap(1);
    std::vector<FxU16> out(4);
    EXPECT_FALSE(grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, 2, 2, 4, out.data()));
}

TEST(GlideBoard, ClearsKeepToTheHalfOpenClipWindowAndMalformedRequestsChangeNothing) {
    Board board;
    grBufferClear(0x00FF00, 0, 0);
    grClipWindow(500, 400, 600, 410);
    grBufferClear(0x0000FF, 0, 0);
    grClipWindow(500, 400, 100, 50);   // inverted: nothing inside
    grBufferClear(0xFF0000, 0, 0);
    const GrVertex a = At(0, 0), b = At(640, 0), c = At(0, 480);
    guDrawTriangleWithClip(&a, &b, &c);
    grClipWindow(0, 0, 0xFFFFFFFFu, 0xFFFFFFFFu);   // larger than the screen: the screen
    guDrawTriangleWithClip(nullptr, &b, &c);
    grDrawLine(&a, nullptr);
    grDrawPoint(nullptr);
    GrTexInfo info;
    std::vector<FxU16> texels(256 * 256, 0xFFFF);
    info.data = texels.data();
    // Downloads running past texture memory are refused, never written out of bounds.
    info.smallLod = info.largeLod = GR_LOD_256;
    for (FxU32 start : {grTexMaxAddress(GR_TMU0) - 100, 0xFFFFFFF0u}) grTexDownloadMipMap(GR_TMU0, start, GR_MIPMAPLEVELMASK_BOTH, &info);
    for (auto [small, large] : {std::pair{0x7FFFFFFF, 0}, std::pair{3, 5}, std::pair{-1, -4}, std::pair{9, 9}}) {
        info.smallLod = small, info.largeLod = large;
        EXPECT_EQ(grTexTextureMemRequired(GR_MIPMAPLEVELMASK_BOTH, &info), 0u);
        grTexDownloadMipMap(GR_TMU0, 0, GR_MIPMAPLEVELMASK_BOTH, &info);
        grTexSource(GR_TMU0, 0, GR_MIPMAPLEVELMASK_BOTH, &info);
    }
    EXPECT_EQ(grTexTextureMemRequired(GR_MIPMAPLEVELMASK_BOTH, nullptr), 0u);
    guColorCombineFunction(GR_COLORCOMBINE_DECAL_TEXTURE);
    guDrawTriangleWithClip(&a, &b, &c);   // no usable texture: drawn in the constant colour
    grBufferSwap(1);
    const auto& f = board.shown.at(0);
    EXPECT_EQ(f[10 * 640 + 10], 0xFFFF);
    EXPECT_EQ(f[479 * 640 + 639], 0x07E0);
    const int clipped[][3] = {{500, 400, 0x001F}, {599, 409, 0x001F}, {599, 410, 0x07E0}, {600, 400, 0x07E0}};
    for (const auto& [x, y, colour] : clipped) EXPECT_EQ(f[y * 640 + x], colour) << x << "," << y;
}
