#pragma once

// The subset of the Glide 2 API that the renderer and the display layer call, implemented on our
// software rasteriser. Names, argument orders and constant values are Glide's own, so the calling
// code reads as it would against a 3dfx board. One board, one TMU (TMU 0), two colour buffers
// (front and back) and a 16-bit depth buffer of the size the window was opened with.

#include <cstdint>
#include <functional>
#include <string>

using FxU8 = std::uint8_t;
using FxU16 = std::uint16_t;
using FxU32 = std::uint32_t;
using FxU64 = std::uint64_t;
using FxI32 = std::int32_t;
using FxBool = int;
using FxFloat = float;

using GrColor_t = FxU32;        // 0xAARRGGBB
using GrAlpha_t = FxU8;
using GrBuffer_t = FxI32;
using GrChipID_t = FxI32;
using GrCmpFnc_t = FxI32;
using GrCombineFunction_t = FxI32;
using GrCombineFactor_t = FxI32;
using GrCombineLocal_t = FxI32;
using GrCombineOther_t = FxI32;
using GrColorCombineFnc_t = FxI32;
using GrTextureCombineFnc_t = FxI32;
using GrCullMode_t = FxI32;
using GrDepthBufferMode_t = FxI32;
using GrAlphaBlendFnc_t = FxI32;
using GrChromakeyMode_t = FxI32;
using GrTextureFilterMode_t = FxI32;
using GrTextureClampMode_t = FxI32;
using GrMipMapMode_t = FxI32;
using GrLOD_t = FxI32;
using GrAspectRatio_t = FxI32;
using GrTextureFormat_t = FxI32;
using GrLock_t = FxI32;
using GrLfbWriteMode_t = FxI32;
using GrOriginLocation_t = FxI32;
using GrScreenResolution_t = FxI32;
using GrScreenRefresh_t = FxI32;
using GrColorFormat_t = FxI32;

constexpr FxBool FXTRUE = 1;
constexpr FxBool FXFALSE = 0;

constexpr GrChipID_t GR_TMU0 = 0;

constexpr FxU32 GR_MIPMAPLEVELMASK_EVEN = 1;
constexpr FxU32 GR_MIPMAPLEVELMASK_ODD = 2;
constexpr FxU32 GR_MIPMAPLEVELMASK_BOTH = 3;

constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_DISABLE = 0;
constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_ZBUFFER = 1;
constexpr GrDepthBufferMode_t GR_DEPTHBUFFER_WBUFFER = 2;

constexpr GrCmpFnc_t GR_CMP_NEVER = 0;
constexpr GrCmpFnc_t GR_CMP_LESS = 1;
constexpr GrCmpFnc_t GR_CMP_EQUAL = 2;
constexpr GrCmpFnc_t GR_CMP_LEQUAL = 3;
constexpr GrCmpFnc_t GR_CMP_GREATER = 4;
constexpr GrCmpFnc_t GR_CMP_NOTEQUAL = 5;
constexpr GrCmpFnc_t GR_CMP_GEQUAL = 6;
constexpr GrCmpFnc_t GR_CMP_ALWAYS = 7;

constexpr GrTextureFilterMode_t GR_TEXTUREFILTER_POINT_SAMPLED = 0;
constexpr GrTextureFilterMode_t GR_TEXTUREFILTER_BILINEAR = 1;
constexpr GrTextureClampMode_t GR_TEXTURECLAMP_WRAP = 0;
constexpr GrTextureClampMode_t GR_TEXTURECLAMP_CLAMP = 1;
constexpr GrMipMapMode_t GR_MIPMAP_DISABLE = 0;

constexpr GrAspectRatio_t GR_ASPECT_8x1 = 0;
constexpr GrAspectRatio_t GR_ASPECT_4x1 = 1;
constexpr GrAspectRatio_t GR_ASPECT_2x1 = 2;
constexpr GrAspectRatio_t GR_ASPECT_1x1 = 3;
constexpr GrAspectRatio_t GR_ASPECT_1x2 = 4;
constexpr GrAspectRatio_t GR_ASPECT_1x4 = 5;
constexpr GrAspectRatio_t GR_ASPECT_1x8 = 6;

constexpr GrLOD_t GR_LOD_256 = 0;
constexpr GrLOD_t GR_LOD_128 = 1;
constexpr GrLOD_t GR_LOD_64 = 2;
constexpr GrLOD_t GR_LOD_32 = 3;
constexpr GrLOD_t GR_LOD_16 = 4;
constexpr GrLOD_t GR_LOD_8 = 5;
constexpr GrLOD_t GR_LOD_4 = 6;
constexpr GrLOD_t GR_LOD_2 = 7;
constexpr GrLOD_t GR_LOD_1 = 8;

constexpr GrTextureFormat_t GR_TEXFMT_RGB_565 = 0xA;
constexpr GrTextureFormat_t GR_TEXFMT_ARGB_1555 = 0xB;

constexpr GrColorCombineFnc_t GR_COLORCOMBINE_ZERO = 0;
constexpr GrColorCombineFnc_t GR_COLORCOMBINE_CCRGB = 1;
constexpr GrColorCombineFnc_t GR_COLORCOMBINE_ITRGB = 2;
constexpr GrColorCombineFnc_t GR_COLORCOMBINE_DECAL_TEXTURE = 4;
constexpr GrColorCombineFnc_t GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB = 5;
constexpr GrColorCombineFnc_t GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB = 6;

constexpr GrTextureCombineFnc_t GR_TEXTURECOMBINE_ZERO = 0;
constexpr GrTextureCombineFnc_t GR_TEXTURECOMBINE_DECAL = 1;

constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_ZERO = 0;
constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_LOCAL = 1;
constexpr GrCombineFunction_t GR_COMBINE_FUNCTION_SCALE_OTHER = 3;
constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ZERO = 0;
constexpr GrCombineFactor_t GR_COMBINE_FACTOR_LOCAL = 1;
constexpr GrCombineFactor_t GR_COMBINE_FACTOR_ONE = 8;
constexpr GrCombineLocal_t GR_COMBINE_LOCAL_ITERATED = 0;
constexpr GrCombineLocal_t GR_COMBINE_LOCAL_CONSTANT = 1;
constexpr GrCombineOther_t GR_COMBINE_OTHER_ITERATED = 0;
constexpr GrCombineOther_t GR_COMBINE_OTHER_TEXTURE = 1;
constexpr GrCombineOther_t GR_COMBINE_OTHER_CONSTANT = 2;

constexpr GrCullMode_t GR_CULL_DISABLE = 0;
constexpr GrCullMode_t GR_CULL_NEGATIVE = 1;
constexpr GrCullMode_t GR_CULL_POSITIVE = 2;

constexpr GrAlphaBlendFnc_t GR_BLEND_ZERO = 0;
constexpr GrAlphaBlendFnc_t GR_BLEND_ONE = 4;

constexpr GrChromakeyMode_t GR_CHROMAKEY_DISABLE = 0;
constexpr GrChromakeyMode_t GR_CHROMAKEY_ENABLE = 1;

constexpr GrLock_t GR_LFB_READ_ONLY = 0;
constexpr GrLock_t GR_LFB_WRITE_ONLY = 1;

constexpr GrBuffer_t GR_BUFFER_FRONTBUFFER = 0;
constexpr GrBuffer_t GR_BUFFER_BACKBUFFER = 1;

constexpr GrOriginLocation_t GR_ORIGIN_UPPER_LEFT = 0;

constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_565 = 0;
constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_555 = 1;
constexpr GrLfbWriteMode_t GR_LFBWRITEMODE_ANY = 0xFF;

constexpr GrScreenResolution_t GR_RESOLUTION_320x200 = 0;
constexpr GrScreenResolution_t GR_RESOLUTION_320x240 = 1;
constexpr GrScreenResolution_t GR_RESOLUTION_512x384 = 3;
constexpr GrScreenResolution_t GR_RESOLUTION_640x400 = 6;
constexpr GrScreenResolution_t GR_RESOLUTION_640x480 = 7;
constexpr GrScreenResolution_t GR_RESOLUTION_800x600 = 8;
constexpr GrScreenResolution_t GR_RESOLUTION_960x720 = 9;
constexpr GrScreenResolution_t GR_RESOLUTION_856x480 = 10;
constexpr GrScreenResolution_t GR_RESOLUTION_512x256 = 11;

constexpr GrScreenRefresh_t GR_REFRESH_60Hz = 0;
constexpr GrColorFormat_t GR_COLORFORMAT_ARGB = 0;

constexpr int GLIDE_NUM_TMU = 2;
constexpr int MAX_NUM_SST = 4;

// Per-TMU texture coordinates: s/w and t/w in texels of the 256-wide texture space, and 1/w.
struct GrTmuVertex {
    float sow = 0, tow = 0, oow = 0;
};

// x, y in pixels (upper-left origin); r, g, b 0..255; ooz for the Z-buffer (0..65535);
// oow = 1/w for the W-buffer and perspective correction.
struct GrVertex {
    float x = 0, y = 0, z = 0;
    float r = 0, g = 0, b = 0;
    float ooz = 0;
    float a = 0;
    float oow = 0;
    GrTmuVertex tmuvtx[GLIDE_NUM_TMU];
    // Not Glide: the position before the caller rounded it to whole pixels, when it has one.
    // A board drawing at more than the screen's resolution places the corner there; at the
    // screen's own resolution x and y are used, as the board always did.
    FxBool hasFine = FXFALSE;
    float fineX = 0, fineY = 0;
};

struct GrTexInfo {
    GrLOD_t smallLod = GR_LOD_256;
    GrLOD_t largeLod = GR_LOD_256;
    GrAspectRatio_t aspectRatio = GR_ASPECT_1x1;
    GrTextureFormat_t format = GR_TEXFMT_RGB_565;
    void* data = nullptr;
};

struct GrLfbInfo_t {
    int size = sizeof(GrLfbInfo_t);
    void* lfbPtr = nullptr;
    FxU32 strideInBytes = 0;
    GrLfbWriteMode_t writeMode = GR_LFBWRITEMODE_565;
    GrOriginLocation_t origin = GR_ORIGIN_UPPER_LEFT;
};

struct GrTMUConfig_t {
    int tmuRev = 0;
    int tmuRam = 0;  // MiB
};

struct GrVoodooConfig_t {
    int fbRam = 0;  // MiB
    int fbiRev = 0;
    int nTexelfx = 0;
    FxBool sliDetect = FXFALSE;
    GrTMUConfig_t tmuConfig[GLIDE_NUM_TMU];
};

enum GrSstType { GR_SSTTYPE_VOODOO = 0, GR_SSTTYPE_SST96 = 1, GR_SSTTYPE_AT3D = 2, GR_SSTTYPE_Voodoo2 = 3 };

struct GrSstConfig_t {
    GrSstType type = GR_SSTTYPE_VOODOO;
    GrVoodooConfig_t voodooConfig;
};

struct GrHwConfiguration {
    int num_sst = 0;
    GrSstConfig_t SSTs[MAX_NUM_SST];
};

// Opaque copy of the whole rendering state, for grGlideGetState / grGlideSetState.
struct GrState {
    alignas(16) unsigned char opaque[512];
};

// Start and stop.
void grGlideInit();
FxBool grSstQueryHardware(GrHwConfiguration* hwConfig);
void grSstSelect(int whichSst);
FxBool grSstWinOpen(FxU32 hWnd, GrScreenResolution_t resolution, GrScreenRefresh_t refresh,
                    GrColorFormat_t format, GrOriginLocation_t origin, int numColorBuffers,
                    int numAuxBuffers);
void grGlideShutdown();
void grGlideGetState(GrState* state);
void grGlideSetState(const GrState* state);

// State.
void grDepthBufferMode(GrDepthBufferMode_t mode);
void grDepthBufferFunction(GrCmpFnc_t function);
void grDepthMask(FxBool enable);
void grCullMode(GrCullMode_t mode);
void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst, GrAlphaBlendFnc_t alphaSrc,
                          GrAlphaBlendFnc_t alphaDst);
void grChromakeyMode(GrChromakeyMode_t mode);
void grChromakeyValue(GrColor_t value);
void grColorCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert);
void guColorCombineFunction(GrColorCombineFnc_t function);
void guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t function);
void grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter);
void grTexClampMode(GrChipID_t tmu, GrTextureClampMode_t sClamp, GrTextureClampMode_t tClamp);
void grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend);
void grConstantColorValue(GrColor_t value);
// Drawing is limited to minx <= x < maxx, miny <= y < maxy (clamped to the screen).
void grClipWindow(FxU32 minx, FxU32 miny, FxU32 maxx, FxU32 maxy);
// 0 writes colours truncated to 5-6-5; anything else (the default) through the 4x4 ordered dither.
void grDitherMode(int mode);

// Texture memory of TMU 0: a byte arena, addresses from grTexMinAddress to grTexMaxAddress.
FxU32 grTexTextureMemRequired(FxU32 evenOdd, GrTexInfo* info);
FxU32 grTexMinAddress(GrChipID_t tmu);
FxU32 grTexMaxAddress(GrChipID_t tmu);
void grTexDownloadMipMap(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd, GrTexInfo* info);
void grTexSource(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd, GrTexInfo* info);

// Drawing into the back buffer with the current state.
void grDrawPoint(const GrVertex* p);
void grDrawLine(const GrVertex* a, const GrVertex* b);
void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c);
void guDrawTriangleWithClip(const GrVertex* a, const GrVertex* b, const GrVertex* c);

// Buffers. grBufferClear fills the back buffer inside the clip window (depth only with the
// depth mask on); grBufferSwap makes the back buffer the front and shows it.
void grBufferClear(GrColor_t color, GrAlpha_t alpha, FxU16 depth);
void grBufferSwap(int swapInterval);
FxBool grLfbLock(GrLock_t type, GrBuffer_t buffer, GrLfbWriteMode_t writeMode, GrOriginLocation_t origin,
                 FxBool pixelPipeline, GrLfbInfo_t* info);
FxBool grLfbUnlock(GrLock_t type, GrBuffer_t buffer);
// Copies a 16-bit 5-6-5 region; FXFALSE (and nothing written) when the region is not wholly
// inside the buffer or the destination stride is too small.
FxBool grLfbReadRegion(GrBuffer_t srcBuffer, FxU32 srcX, FxU32 srcY, FxU32 srcWidth, FxU32 srcHeight,
                       FxU32 dstStride, void* dstData);

// Not Glide: a small built-in bitmap font, for text over the picture. A glyph is
// GU_FONT_COLUMNS column bytes, bit 0 the top of GU_FONT_ROWS rows; characters advance
// GU_FONT_ADVANCE pixels. guDrawString draws the set pixels of each glyph as points with the
// current state, (x, y) the top left of the first character, and stops at the first zero byte
// or after maxChars.
constexpr int GU_FONT_COLUMNS = 5;
constexpr int GU_FONT_ROWS = 8;
constexpr int GU_FONT_ADVANCE = 6;
const FxU8* guFontGlyph(char c);
void guDrawString(const GrVertex* origin, const char* text, int maxChars);

// Not Glide: a seam for tests and traces. When set, every call above reports its name and
// arguments ("grDepthMask(1)") before it runs. An empty function stops the recording.
void glideSetCallRecorder(std::function<void(const std::string& call)> recorder);
// Not Glide: the board draws at scale x the opened resolution (1 to 4; from the next
// grSstWinOpen). Callers keep working in screen pixels: corners, clip windows and clears are
// scaled, points and lines grow to scale x scale blocks, and the linear frame buffer and
// grLfbReadRegion show a screen-sized picture (box-averaged; a write changes the blocks of the
// pixels it changed). grBufferSwap presents the full-resolution frame.
void glideSetScale(int scale);
int glideScale();
// Not Glide: false makes every draw write truncated 5-6-5 colours, whatever grDitherMode says.
void glideSetDitherAllowed(bool allowed);
// Not Glide: draw each frame in this many horizontal bands at once (1 to 64). Draws are then
// held until something needs the pixels (a swap, clear, lock, read or texture download); the
// pixels are the same whatever the number.
void glideSetThreads(int threads);
// Not Glide: whether grSstQueryHardware finds a board (true unless a test says otherwise).
void glideSetBoardPresent(bool present);
