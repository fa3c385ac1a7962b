#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"

namespace {

// Opens a fresh 640x480 board with undithered writes and collects what is shown.
struct Board {
    std::vector<std::vector<FxU16>> shown;
    std::vector<std::string> calls;
    Board() {
        glideSetBoardPresent(true);
        grGlideInit();
        GrHwConfiguration hw;
        EXPECT_TRUE(grSstQueryHardware(&hw));
        grSstSelect(0);
        EXPECT_TRUE(grSstWinOpen(0, GR_RESOLUTION_640x480, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT, 2, 0));
        grDitherMode(0);
        os::SetFrameSink([this](const std::uint16_t* p, int w, int h) { shown.emplace_back(p, p + w * h); });
        glideSetCallRecorder([this](const std::string& c) { calls.push_back(c); });
    }
    ~Board() {
        glideSetCallRecorder({});
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
    grBufferSwap(1);
    ASSERT_EQ(board.shown.size(), 1u);
    EXPECT_EQ(board.shown[0][20 * 640 + 20], 0xF800);
    EXPECT_EQ(board.shown[0][5 * 640 + 5], 0);
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

TEST(GlideBoard, ClearKeepsToTheClipWindowAndDepthTestsInverseDepth) {
    Board board;
    grClipWindow(100, 50, 200, 60);
    grDepthMask(FXFALSE);
    grBufferClear(0x0000FF, 0, 0x1234);
    grClipWindow(0, 0, 640, 480);
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grConstantColorValue(0xFFFFFF);
    Quad(0, 0, 8, 8, 0.01f);   // the depth buffer kept its 0xFFFF: a far W-tested quad still passes
    grDepthMask(FXTRUE);
    grConstantColorValue(0xFF0000);
    Quad(20, 0, 40, 20, 0.5f);    // near
    grConstantColorValue(0x0000FF);
    Quad(30, 10, 50, 30, 0.1f);   // farther, drawn later
    grBufferSwap(1);
    const auto& f = board.shown.at(0);
    EXPECT_EQ(f[50 * 640 + 100], 0x001F);
    EXPECT_EQ(f[59 * 640 + 199], 0x001F);
    EXPECT_EQ(f[60 * 640 + 199], 0);
    EXPECT_EQ(f[50 * 640 + 200], 0);
    EXPECT_EQ(f[3 * 640 + 3], 0xFFFF);
    EXPECT_EQ(f[15 * 640 + 35], 0xF800);
    EXPECT_EQ(f[25 * 640 + 45], 0x001F);
}

TEST(GlideTextures, MemorySizesDownloadsAndDrawing) {
    Board board;
    GrTexInfo info;
    info.aspectRatio = GR_ASPECT_1x1;
    info.format = GR_TEXFMT_RGB_565;
    for (auto [lod, bytes] : {std::pair<GrLOD_t, FxU32>{GR_LOD_256, 131072}, {GR_LOD_2, 8}}) {
        info.smallLod = info.largeLod = lod;
        EXPECT_EQ(grTexTextureMemRequired(GR_MIPMAPLEVELMASK_BOTH, &info), bytes) << lod;
    }
    EXPECT_EQ(grTexMinAddress(GR_TMU0), 0u);

    std::vector<FxU16> red(64 * 64, 0xF800), blue(64 * 64, 0x001F);
    info.smallLod = info.largeLod = GR_LOD_64;
    info.data = red.data();
    grTexDownloadMipMap(GR_TMU0, 8192, GR_MIPMAPLEVELMASK_BOTH, &info);
    grTexSource(GR_TMU0, 8192, GR_MIPMAPLEVELMASK_BOTH, &info);
    // A download that would run past texture memory is refused and changes nothing.
    info.data = blue.data();
    grTexDownloadMipMap(GR_TMU0, grTexMaxAddress(GR_TMU0) - 100, GR_MIPMAPLEVELMASK_BOTH, &info);
    grTexDownloadMipMap(GR_TMU0, 0xFFFFFFF0u, GR_MIPMAPLEVELMASK_BOTH, &info);
    guColorCombineFunction(GR_COLORCOMBINE_DECAL_TEXTURE);
    Quad(0, 0, 32, 32);
    // Texture times constant: a white-ish constant halves nothing, half grey halves red.
    grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, GR_COMBINE_FACTOR_LOCAL, GR_COMBINE_LOCAL_CONSTANT,
                   GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    grConstantColorValue(0x7F7F7F);
    Quad(32, 0, 64, 32);
    // Overwriting the bound texture's memory changes what is drawn next.
    grTexDownloadMipMap(GR_TMU0, 8192, GR_MIPMAPLEVELMASK_BOTH, &info);
    guColorCombineFunction(GR_COLORCOMBINE_DECAL_TEXTURE);
    Quad(64, 0, 96, 32);
    grBufferSwap(1);
    const auto& f = board.shown.at(0);
    EXPECT_EQ(f[10 * 640 + 10], 0xF800);
    EXPECT_EQ(f[10 * 640 + 40], 15 << 11);
    EXPECT_EQ(f[10 * 640 + 70], 0x001F);
}

TEST(GlideFrameBuffer, LockedWritesLandInTheBackBufferIn565And555) {
    Board board;
    GrLfbInfo_t info;
    ASSERT_TRUE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    EXPECT_EQ(info.strideInBytes, 1280u);
    EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_565, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    static_cast<FxU16*>(info.lfbPtr)[3 * 640 + 7] = 0x1234;
    EXPECT_TRUE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    EXPECT_FALSE(grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER));
    ASSERT_TRUE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, GR_LFBWRITEMODE_555, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info));
    auto* p = static_cast<FxU16*>(info.lfbPtr);
    p[0] = 0x7C00, p[1] = 0x03E0, p[2] = 0x7FFF;
    EXPECT_EQ(p[3 * 640 + 7], (0x1234 >> 1 & 0x7FE0) | (0x1234 & 0x1F));   // what was there, as 5-5-5
    grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER);
    grBufferSwap(1);
    const auto& f = board.shown.at(0);
    EXPECT_EQ(f[0], 0xF800);
    EXPECT_EQ(f[1], 0x07E0);
    EXPECT_EQ(f[2], 0xFFFF);
    EXPECT_EQ(f[3 * 640 + 7], 0x1234 & ~0x20);   // the sixth green bit is rebuilt from the top bit
    GrLfbInfo_t bad;
    EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, 7, GR_LFBWRITEMODE_565, GR_ORIGIN_UPPER_LEFT, FXFALSE, &bad));
    EXPECT_FALSE(grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, 3, GR_ORIGIN_UPPER_LEFT, FXFALSE, &bad));
}

TEST(GlideState, SavedStateComesBackAndCallsAreRecorded) {
    Board board;
    grCullMode(GR_CULL_POSITIVE);
    grConstantColorValue(0x00FF00);
    GrState saved;
    grGlideGetState(&saved);
    grCullMode(GR_CULL_DISABLE);
    grConstantColorValue(0xFF0000);
    grGlideSetState(&saved);
    // Positive area (clockwise on screen, y down) is culled again, and green is back.
    const GrVertex a = At(0, 0), b = At(20, 0), c = At(0, 20);
    guDrawTriangleWithClip(&a, &b, &c);
    guDrawTriangleWithClip(&a, &c, &b);
    grBufferSwap(1);
    EXPECT_EQ(board.shown.at(0)[2 * 640 + 2], 0x07E0);
    EXPECT_EQ(board.calls.at(0), "grCullMode(2)");
    EXPECT_EQ(board.calls.at(1), "grConstantColorValue(65280)");
    EXPECT_EQ(board.calls.at(2), "grGlideGetState()");
    EXPECT_EQ(board.calls.at(6), "guDrawTriangleWithClip(0 0 1, 20 0 1, 0 20 1)");
}

TEST(GlideBoard, MalformedRequestsChangeNothing) {
    Board board;
    grBufferClear(0x00FF00, 0, 0);
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
    EXPECT_EQ(board.shown.at(0)[10 * 640 + 10], 0xFFFF);
    EXPECT_EQ(board.shown.at(0)[479 * 640 + 639], 0x07E0);
}
