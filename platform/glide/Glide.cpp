#include "platform/glide/Glide.h"

#include <cstring>
#include <utility>
#include <vector>

#include "platform/os/Presenter.h"

// First cut: buffers, swap and reads work; drawing arrives with the rasteriser.
namespace {
struct Board {
    int width = 0, height = 0;
    std::vector<FxU16> color[2];
    int front = 0;
    std::function<void(const std::string&)> recorder;
};
Board& TheBoard() {
    static Board board;
    return board;
}
}  // namespace

void grGlideInit() {}
FxBool grSstQueryHardware(GrHwConfiguration* hw) {
    if (hw) hw->num_sst = 1;
    return FXTRUE;
}
void grSstSelect(int) {}
FxBool grSstWinOpen(FxU32, GrScreenResolution_t, GrScreenRefresh_t, GrColorFormat_t, GrOriginLocation_t, int, int) {
    Board& b = TheBoard();
    b.width = 640;
    b.height = 480;
    for (auto& c : b.color) c.assign(640 * 480, 0);
    return FXTRUE;
}
void grGlideShutdown() {}
void grGlideGetState(GrState* s) {
    if (s) std::memset(s, 0, sizeof *s);
}
void grGlideSetState(const GrState*) {}
void grDepthBufferMode(GrDepthBufferMode_t) {}
void grDepthBufferFunction(GrCmpFnc_t) {}
void grDepthMask(FxBool) {}
void grCullMode(GrCullMode_t) {}
void grAlphaBlendFunction(GrAlphaBlendFnc_t, GrAlphaBlendFnc_t, GrAlphaBlendFnc_t, GrAlphaBlendFnc_t) {}
void grChromakeyMode(GrChromakeyMode_t) {}
void grChromakeyValue(GrColor_t) {}
void grColorCombine(GrCombineFunction_t, GrCombineFactor_t, GrCombineLocal_t, GrCombineOther_t, FxBool) {}
void guColorCombineFunction(GrColorCombineFnc_t) {}
void guTexCombineFunction(GrChipID_t, GrTextureCombineFnc_t) {}
void grTexFilterMode(GrChipID_t, GrTextureFilterMode_t, GrTextureFilterMode_t) {}
void grTexClampMode(GrChipID_t, GrTextureClampMode_t, GrTextureClampMode_t) {}
void grTexMipMapMode(GrChipID_t, GrMipMapMode_t, FxBool) {}
void grConstantColorValue(GrColor_t) {}
void grClipWindow(FxU32, FxU32, FxU32, FxU32) {}
void grDitherMode(int) {}
FxU32 grTexTextureMemRequired(FxU32, GrTexInfo*) { return 0; }
FxU32 grTexMinAddress(GrChipID_t) { return 0; }
FxU32 grTexMaxAddress(GrChipID_t) { return 4u << 20; }
void grTexDownloadMipMap(GrChipID_t, FxU32, FxU32, GrTexInfo*) {}
void grTexSource(GrChipID_t, FxU32, FxU32, GrTexInfo*) {}
void grDrawPoint(const GrVertex*) {}
void grDrawLine(const GrVertex*, const GrVertex*) {}
void grDrawTriangle(const GrVertex*, const GrVertex*, const GrVertex*) {}
void guDrawTriangleWithClip(const GrVertex*, const GrVertex*, const GrVertex*) {}
void grBufferClear(GrColor_t, GrAlpha_t, FxU16) {}
void grBufferSwap(int) {
    Board& b = TheBoard();
    b.front ^= 1;
    if (b.width > 0) os::PresentFrame(b.color[b.front].data(), b.width, b.height);
}
FxBool grLfbLock(GrLock_t, GrBuffer_t, GrLfbWriteMode_t, GrOriginLocation_t, FxBool, GrLfbInfo_t*) { return FXFALSE; }
FxBool grLfbUnlock(GrLock_t, GrBuffer_t) { return FXTRUE; }
FxBool grLfbReadRegion(GrBuffer_t, FxU32, FxU32, FxU32, FxU32, FxU32, void*) { return FXFALSE; }
void glideSetCallRecorder(std::function<void(const std::string&)> recorder) { TheBoard().recorder = std::move(recorder); }
