#include "platform/glide/Glide.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/os/Presenter.h"
#include "platform/raster/Bands.h"
#include "platform/raster/Font.h"
#include "platform/raster/PixelOps.h"
#include "platform/raster/Rasteriser.h"

namespace {

constexpr FxU32 kTextureMemory = 4u << 20;   // TMU 0, bytes

// The bound texture as grTexSource gave it.
struct TextureSource {
    int valid = 0;
    FxU32 address = 0;
    GrLOD_t largeLod = GR_LOD_256;
    GrAspectRatio_t aspect = GR_ASPECT_1x1;
    GrTextureFormat_t format = GR_TEXFMT_RGB_565;
};

// Everything grGlideGetState saves: plain values, so a state copy is a byte copy.
struct Settings {
    GrDepthBufferMode_t depthMode = GR_DEPTHBUFFER_DISABLE;
    GrCmpFnc_t depthFunction = GR_CMP_LESS;
    FxBool depthMask = FXFALSE;
    GrCullMode_t cull = GR_CULL_DISABLE;
    GrAlphaBlendFnc_t rgbSrc = GR_BLEND_ONE, rgbDst = GR_BLEND_ZERO;
    GrChromakeyMode_t chromakey = GR_CHROMAKEY_DISABLE;
    GrColor_t chromakeyValue = 0;
    GrCombineFunction_t combineFunction = GR_COMBINE_FUNCTION_LOCAL;
    GrCombineFactor_t combineFactor = GR_COMBINE_FACTOR_ZERO;
    GrCombineLocal_t combineLocal = GR_COMBINE_LOCAL_CONSTANT;
    GrCombineOther_t combineOther = GR_COMBINE_OTHER_CONSTANT;
    GrColor_t constant = 0xFFFFFFFF;
    GrTextureFilterMode_t filter = GR_TEXTUREFILTER_BILINEAR;
    int dither = 1;
    int clip[4] = {0, 0, 0, 0};
    TextureSource source;
};
static_assert(std::is_trivially_copyable_v<Settings> && sizeof(Settings) <= sizeof(GrState));

struct Board {
    bool present = true;     // what grSstQueryHardware reports
    bool open = false;
    int width = 0, height = 0;   // the screen callers address
    int scale = 1;               // pixels of the buffers per screen pixel, each way
    int pendingScale = 1;        // takes effect at the next grSstWinOpen
    bool ditherAllowed = true;
    int pixelWidth = 0, pixelHeight = 0;
    std::vector<FxU16> color[2];
    std::vector<FxU16> depth;
    int front = 0;
    std::vector<FxU8> textureMemory;
    std::map<FxU32, raster::Texture> decoded;   // by start address
    const raster::Texture* bound = nullptr;
    Settings settings;
    raster::Rasteriser rasteriser;
    raster::Bands bands;   // used with more than one thread
    // Linear frame buffer lock: 5-5-5 writes go through a staging copy.
    bool locked = false;
    GrBuffer_t lockedBuffer = 0;
    GrLfbWriteMode_t lockedMode = GR_LFBWRITEMODE_565;
    bool lockedForWrite = false;
    std::vector<FxU16> staging;
    std::vector<FxU16> stagingAtLock;   // scaled boards: what a write lock handed out
    std::function<void(const std::string&)> recorder;

    std::vector<FxU16>& Buffer(GrBuffer_t which) { return color[which == GR_BUFFER_FRONTBUFFER ? front : 1 - front]; }
};

Board& TheBoard() {
    // Never destroyed: the display shuts Glide down from its own destructor at exit, which
    // may run after this file's statics are gone.
    static Board& board = *new Board;
    return board;
}

void Append(std::ostringstream& out, const GrVertex* v) {
    if (v) out << v->x << ' ' << v->y << ' ' << v->oow;
    else out << "null";
}
void Append(std::ostringstream& out, GrTexInfo* info) {
    if (info) out << "info{" << info->smallLod << ' ' << info->largeLod << ' ' << info->aspectRatio << ' ' << info->format << '}';
    else out << "null";
}
template <class T>
void Append(std::ostringstream& out, const T& value) {
    out << value;
}

template <class... Args>
void Record(const char* name, const Args&... args) {
    Board& b = TheBoard();
    if (!b.recorder) return;
    std::ostringstream out;
    out << name << '(';
    int n = 0;
    ((out << (n++ ? ", " : ""), Append(out, args)), ...);
    out << ')';
    b.recorder(out.str());
}

int LodSide(GrLOD_t lod) { return lod >= GR_LOD_256 && lod <= GR_LOD_1 ? 256 >> lod : 0; }

// Bytes of one level: 16-bit texel formats only (8-bit ones count a byte each).
FxU32 LevelBytes(GrLOD_t lod, GrAspectRatio_t aspect, GrTextureFormat_t format) {
    const int side = LodSide(lod);
    if (side == 0 || aspect < GR_ASPECT_8x1 || aspect > GR_ASPECT_1x8) return 0;
    const int narrow = std::max(1, side >> std::abs(aspect - GR_ASPECT_1x1));
    return static_cast<FxU32>(side) * static_cast<FxU32>(narrow) * (format >= 8 ? 2u : 1u);
}

FxU32 MemRequired(const GrTexInfo& info) {
    // Levels run from the large LOD down to the small one; anything else describes no texture.
    if (info.largeLod < GR_LOD_256 || info.smallLod > GR_LOD_1 || info.largeLod > info.smallLod) return 0;
    FxU32 total = 0;
    for (GrLOD_t lod = info.largeLod; lod <= info.smallLod; ++lod) total += LevelBytes(lod, info.aspectRatio, info.format);
    return (total + 7u) & ~7u;
}

// Decodes the texture at an address of texture memory, when it is one the rasteriser can draw.
const raster::Texture* Resolve(Board& b, const TextureSource& s) {
    if (!s.valid || s.aspect != GR_ASPECT_1x1) return nullptr;
    if (s.format != GR_TEXFMT_RGB_565 && s.format != GR_TEXFMT_ARGB_1555) return nullptr;
    const int side = LodSide(s.largeLod);
    const FxU64 bytes = FxU64(side) * side * 2;
    if (side == 0 || s.address > b.textureMemory.size() || bytes > b.textureMemory.size() - s.address) return nullptr;
    auto it = b.decoded.find(s.address);
    if (it != b.decoded.end() && it->second.Side() == side) return &it->second;
    std::vector<std::uint16_t> texels(std::size_t(side) * side);
    std::memcpy(texels.data(), b.textureMemory.data() + s.address, bytes);
    raster::Texture& t = b.decoded[s.address];
    t.Load(texels.data(), side,
           s.format == GR_TEXFMT_RGB_565 ? raster::TexelFormat::RGB565 : raster::TexelFormat::ARGB1555);
    return &t;
}

raster::ColorSource SourceOf(const Settings& s) {
    using raster::ColorSource;
    const ColorSource local = s.combineLocal == GR_COMBINE_LOCAL_ITERATED ? ColorSource::Iterated : ColorSource::Constant;
    if (s.combineFunction == GR_COMBINE_FUNCTION_LOCAL) return local;
    // Scaling the other input: by one it passes alone, by the local colour it is modulated.
    if (s.combineOther == GR_COMBINE_OTHER_TEXTURE) {
        if (s.combineFactor == GR_COMBINE_FACTOR_LOCAL)
            return local == ColorSource::Iterated ? ColorSource::TextureTimesIterated : ColorSource::TextureTimesConstant;
        return ColorSource::Texture;
    }
    return s.combineOther == GR_COMBINE_OTHER_ITERATED ? ColorSource::Iterated : ColorSource::Constant;
}

// Turns the Glide settings into the rasteriser's state before each draw.
bool Prepare(Board& b) {
    if (!b.open) return false;
    const Settings& s = b.settings;
    raster::State& r = b.rasteriser.state;
    r.source = SourceOf(s);
    r.constant = s.constant & 0xFFFFFF;
    const bool zero = s.combineFunction == GR_COMBINE_FUNCTION_ZERO ||
                      (s.combineFunction == GR_COMBINE_FUNCTION_SCALE_OTHER && s.combineFactor == GR_COMBINE_FACTOR_ZERO);
    if (zero) r.source = raster::ColorSource::Constant, r.constant = 0;
    r.filter = s.filter == GR_TEXTUREFILTER_POINT_SAMPLED ? raster::Filter::Point : raster::Filter::Bilinear;
    r.depthMode = s.depthMode == GR_DEPTHBUFFER_WBUFFER   ? raster::DepthMode::WBuffer
                  : s.depthMode == GR_DEPTHBUFFER_ZBUFFER ? raster::DepthMode::ZBuffer
                                                          : raster::DepthMode::Off;
    r.depthFunc = static_cast<raster::DepthFunc>(std::clamp(s.depthFunction, 0, 7));
    r.depthWrite = s.depthMask != FXFALSE;
    r.additive = s.rgbSrc == GR_BLEND_ONE && s.rgbDst == GR_BLEND_ONE;
    r.chromaKey = s.chromakey == GR_CHROMAKEY_ENABLE;
    r.chromaKeyValue = s.chromakeyValue & 0xFFFFFF;
    r.dither = s.dither != 0 && b.ditherAllowed;
    r.cull = s.cull == GR_CULL_NEGATIVE ? raster::Cull::Negative
             : s.cull == GR_CULL_POSITIVE ? raster::Cull::Positive
                                          : raster::Cull::None;
    r.texture = b.bound;
    auto scaled = [&](int v) {
        return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{v} * b.scale, INT_MIN, INT_MAX));
    };
    r.clip = raster::ClipRect{scaled(s.clip[0]), scaled(s.clip[1]), scaled(s.clip[2]), scaled(s.clip[3])};
    b.rasteriser.target =
        raster::Target{b.color[1 - b.front].data(), b.depth.data(), b.pixelWidth, b.pixelHeight};
    return true;
}

raster::Vertex Convert(const GrVertex& v, int scale) {
    raster::Vertex out;
    out.x = v.x, out.y = v.y, out.z = v.ooz, out.oow = v.oow;
    if (scale != 1) {
        const float n = static_cast<float>(scale);
        out.x = (v.hasFine ? v.fineX : v.x) * n;
        out.y = (v.hasFine ? v.fineY : v.y) * n;
    }
    out.r = v.r, out.g = v.g, out.b = v.b;
    out.sow = v.tmuvtx[0].sow, out.tow = v.tmuvtx[0].tow;
    return out;
}

void RasterPoint(Board& b, const raster::Vertex& v) {
    if (b.bands.Threads() > 1) b.bands.DrawPoint(b.rasteriser.target, b.rasteriser.state, v);
    else b.rasteriser.DrawPoint(v);
}
void RasterLine(Board& b, const raster::Vertex& p, const raster::Vertex& q) {
    if (b.bands.Threads() > 1) b.bands.DrawLine(b.rasteriser.target, b.rasteriser.state, p, q);
    else b.rasteriser.DrawLine(p, q);
}
void RasterTriangle(Board& b, const raster::Vertex& p, const raster::Vertex& q, const raster::Vertex& r) {
    if (b.bands.Threads() > 1) b.bands.DrawTriangle(b.rasteriser.target, b.rasteriser.state, p, q, r);
    else b.rasteriser.DrawTriangle(p, q, r);
}

// A point covers its block of scale x scale pixels.
void DrawScaledPoint(Board& b, const GrVertex& p) {
    raster::Vertex v = Convert(p, b.scale);
    if (b.scale == 1) {
        RasterPoint(b, v);
        return;
    }
    const float x = std::floor(v.x), y = std::floor(v.y);
    for (int j = 0; j < b.scale; ++j)
        for (int i = 0; i < b.scale; ++i) {
            v.x = x + static_cast<float>(i), v.y = y + static_cast<float>(j);
            RasterPoint(b, v);
        }
}

// A line is scale pixels thick: copies side by side across its major axis, which never
// overlap (an additive line adds once per pixel).
void DrawScaledLine(Board& b, const GrVertex& a, const GrVertex& c) {
    raster::Vertex p = Convert(a, b.scale), q = Convert(c, b.scale);
    if (b.scale == 1) {
        RasterLine(b, p, q);
        return;
    }
    const bool xMajor = std::fabs(double(q.x) - p.x) >= std::fabs(double(q.y) - p.y);
    for (int k = 0; k < b.scale; ++k) {
        raster::Vertex s = p, t = q;
        float& sMinor = xMajor ? s.y : s.x;
        float& tMinor = xMajor ? t.y : t.x;
        sMinor = std::floor(sMinor) + static_cast<float>(k);
        tMinor = std::floor(tMinor) + static_cast<float>(k);
        RasterLine(b, s, t);
    }
}

// The screen-sized pixel (x, y) of a scaled buffer: its block's channels averaged.
FxU16 BlockAverage(const Board& b, const std::vector<FxU16>& buffer, int x, int y) {
    const int n = b.scale;
    if (n == 1) return buffer[std::size_t(y) * b.pixelWidth + x];
    int r = 0, g = 0, bl = 0;
    for (int j = 0; j < n; ++j) {
        const FxU16* row = buffer.data() + (std::size_t(y) * n + j) * b.pixelWidth + std::size_t(x) * n;
        for (int i = 0; i < n; ++i) r += row[i] >> 11, g += (row[i] >> 5) & 0x3F, bl += row[i] & 0x1F;
    }
    const int count = n * n, half = count / 2;
    return static_cast<FxU16>(((r + half) / count) << 11 | ((g + half) / count) << 5 | ((bl + half) / count));
}

void FillBlock(Board& b, std::vector<FxU16>& buffer, int x, int y, FxU16 pixel) {
    const int n = b.scale;
    for (int j = 0; j < n; ++j) {
        FxU16* row = buffer.data() + (std::size_t(y) * n + j) * b.pixelWidth + std::size_t(x) * n;
        std::fill(row, row + n, pixel);
    }
}

FxU16 To555(FxU16 p) { return static_cast<FxU16>(((p >> 1) & 0x7FE0) | (p & 0x1F)); }
FxU16 From555(FxU16 p) {
    const FxU16 g5 = (p >> 5) & 0x1F;
    return static_cast<FxU16>(((p & 0x7C00) << 1) | (((g5 << 1) | (g5 >> 4)) << 5) | (p & 0x1F));
}

int ClampToInt(FxU32 v) { return v > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(v); }

bool ScreenSize(GrScreenResolution_t resolution, int& w, int& h) {
    struct Mode { GrScreenResolution_t id; int w, h; };
    static constexpr Mode kModes[] = {{GR_RESOLUTION_320x200, 320, 200}, {GR_RESOLUTION_320x240, 320, 240},
                                      {GR_RESOLUTION_512x384, 512, 384}, {GR_RESOLUTION_640x400, 640, 400},
                                      {GR_RESOLUTION_640x480, 640, 480}, {GR_RESOLUTION_800x600, 800, 600},
                                      {GR_RESOLUTION_960x720, 960, 720}, {GR_RESOLUTION_856x480, 856, 480},
                                      {GR_RESOLUTION_512x256, 512, 256}};
    for (const Mode& m : kModes)
        if (m.id == resolution) return w = m.w, h = m.h, true;
    return false;
}

// Draws held for the bands reach the buffers.
void Settle(Board& b) { b.bands.Flush(); }

void Close(Board& b) {
    Settle(b);
    b.open = false;
    b.width = b.height = 0;
    b.pixelWidth = b.pixelHeight = 0;
    b.stagingAtLock.clear();
    for (auto& c : b.color) c.clear();
    b.depth.clear();
    b.textureMemory.clear();
    b.decoded.clear();
    b.bound = nullptr;
    b.locked = false;
    b.staging.clear();
}

}  // namespace

void grGlideInit() {
    Record("grGlideInit");
    Close(TheBoard());
}

FxBool grSstQueryHardware(GrHwConfiguration* hw) {
    Record("grSstQueryHardware");
    Board& b = TheBoard();
    if (hw == nullptr) return FXFALSE;
    *hw = GrHwConfiguration{};
    if (!b.present) return FXFALSE;
    hw->num_sst = 1;
    hw->SSTs[0].type = GR_SSTTYPE_VOODOO;
    hw->SSTs[0].voodooConfig.fbRam = 4;
    hw->SSTs[0].voodooConfig.nTexelfx = 1;
    hw->SSTs[0].voodooConfig.tmuConfig[0].tmuRam = static_cast<int>(kTextureMemory >> 20);
    return FXTRUE;
}

void grSstSelect(int whichSst) { Record("grSstSelect", whichSst); }

FxBool grSstWinOpen(FxU32 hWnd, GrScreenResolution_t resolution, GrScreenRefresh_t refresh, GrColorFormat_t format,
                    GrOriginLocation_t origin, int numColorBuffers, int numAuxBuffers) {
    Record("grSstWinOpen", hWnd, resolution, refresh, format, origin, numColorBuffers, numAuxBuffers);
    Board& b = TheBoard();
    int w = 0, h = 0;
    if (!b.present || !ScreenSize(resolution, w, h)) return FXFALSE;
    Close(b);
    b.width = w, b.height = h;
    b.scale = b.pendingScale;
    b.pixelWidth = w * b.scale, b.pixelHeight = h * b.scale;
    const std::size_t pixels = std::size_t(b.pixelWidth) * b.pixelHeight;
    for (auto& c : b.color) c.assign(pixels, 0);
    b.depth.assign(pixels, 0xFFFF);
    b.textureMemory.assign(kTextureMemory, 0);
    b.front = 0;
    b.settings = Settings{};
    b.settings.clip[2] = w, b.settings.clip[3] = h;
    b.open = true;
    return FXTRUE;
}

void grGlideShutdown() {
    Record("grGlideShutdown");
    Close(TheBoard());
}

void grGlideGetState(GrState* state) {
    Record("grGlideGetState");
    if (state == nullptr) return;
    std::memset(state, 0, sizeof *state);
    std::memcpy(state->opaque, &TheBoard().settings, sizeof(Settings));
}

void grGlideSetState(const GrState* state) {
    Record("grGlideSetState");
    if (state == nullptr) return;
    Board& b = TheBoard();
    std::memcpy(&b.settings, state->opaque, sizeof(Settings));
    b.bound = b.open ? Resolve(b, b.settings.source) : nullptr;
}

void grDepthBufferMode(GrDepthBufferMode_t mode) {
    Record("grDepthBufferMode", mode);
    TheBoard().settings.depthMode = mode;
}

void grDepthBufferFunction(GrCmpFnc_t function) {
    Record("grDepthBufferFunction", function);
    TheBoard().settings.depthFunction = function;
}

void grDepthMask(FxBool enable) {
    Record("grDepthMask", enable);
    TheBoard().settings.depthMask = enable;
}

void grCullMode(GrCullMode_t mode) {
    Record("grCullMode", mode);
    TheBoard().settings.cull = mode;
}

void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst, GrAlphaBlendFnc_t alphaSrc,
                          GrAlphaBlendFnc_t alphaDst) {
    Record("grAlphaBlendFunction", rgbSrc, rgbDst, alphaSrc, alphaDst);
    TheBoard().settings.rgbSrc = rgbSrc;
    TheBoard().settings.rgbDst = rgbDst;
}

void grChromakeyMode(GrChromakeyMode_t mode) {
    Record("grChromakeyMode", mode);
    TheBoard().settings.chromakey = mode;
}

void grChromakeyValue(GrColor_t value) {
    Record("grChromakeyValue", value);
    TheBoard().settings.chromakeyValue = value;
}

void grColorCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert) {
    Record("grColorCombine", function, factor, local, other, invert);
    Settings& s = TheBoard().settings;
    s.combineFunction = function, s.combineFactor = factor, s.combineLocal = local, s.combineOther = other;
}

void guColorCombineFunction(GrColorCombineFnc_t function) {
    Record("guColorCombineFunction", function);
    Settings& s = TheBoard().settings;
    switch (function) {
        case GR_COLORCOMBINE_ZERO:
            s.combineFunction = GR_COMBINE_FUNCTION_ZERO;
            break;
        case GR_COLORCOMBINE_CCRGB:
        case GR_COLORCOMBINE_ITRGB:
            s.combineFunction = GR_COMBINE_FUNCTION_LOCAL;
            s.combineLocal = function == GR_COLORCOMBINE_CCRGB ? GR_COMBINE_LOCAL_CONSTANT : GR_COMBINE_LOCAL_ITERATED;
            break;
        case GR_COLORCOMBINE_DECAL_TEXTURE:
        case GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB:
        case GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB:
            s.combineFunction = GR_COMBINE_FUNCTION_SCALE_OTHER;
            s.combineOther = GR_COMBINE_OTHER_TEXTURE;
            s.combineFactor = function == GR_COLORCOMBINE_DECAL_TEXTURE ? GR_COMBINE_FACTOR_ONE : GR_COMBINE_FACTOR_LOCAL;
            s.combineLocal = function == GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB ? GR_COMBINE_LOCAL_ITERATED
                                                                             : GR_COMBINE_LOCAL_CONSTANT;
            break;
        default:
            break;   // other presets are not used here and leave the combine as it was
    }
}

void guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t function) {
    // One TMU: its output is the texel itself.
    Record("guTexCombineFunction", tmu, function);
}

void grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter) {
    Record("grTexFilterMode", tmu, minFilter, magFilter);
    // Without mipmaps everything is magnified or minified alike; the board's choice is the
    // magnification filter.
    if (tmu == GR_TMU0) TheBoard().settings.filter = magFilter;
}

void grTexClampMode(GrChipID_t tmu, GrTextureClampMode_t sClamp, GrTextureClampMode_t tClamp) {
    Record("grTexClampMode", tmu, sClamp, tClamp);   // wrap is the only addressing
}

void grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend) {
    Record("grTexMipMapMode", tmu, mode, lodBlend);  // one level per texture is drawn
}

void grConstantColorValue(GrColor_t value) {
    Record("grConstantColorValue", value);
    TheBoard().settings.constant = value;
}

void grClipWindow(FxU32 minx, FxU32 miny, FxU32 maxx, FxU32 maxy) {
    Record("grClipWindow", minx, miny, maxx, maxy);
    Settings& s = TheBoard().settings;
    s.clip[0] = ClampToInt(minx), s.clip[1] = ClampToInt(miny), s.clip[2] = ClampToInt(maxx), s.clip[3] = ClampToInt(maxy);
}

void grDitherMode(int mode) {
    Record("grDitherMode", mode);
    TheBoard().settings.dither = mode != 0;
}

FxU32 grTexTextureMemRequired(FxU32 evenOdd, GrTexInfo* info) {
    Record("grTexTextureMemRequired", evenOdd, info);
    return info ? MemRequired(*info) : 0;
}

FxU32 grTexMinAddress(GrChipID_t tmu) {
    Record("grTexMinAddress", tmu);
    return 0;
}

FxU32 grTexMaxAddress(GrChipID_t tmu) {
    Record("grTexMaxAddress", tmu);
    return kTextureMemory - 8;
}

void grTexDownloadMipMap(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd, GrTexInfo* info) {
    Record("grTexDownloadMipMap", tmu, startAddress, evenOdd, info);
    Board& b = TheBoard();
    Settle(b);
    if (!b.open || info == nullptr || info->data == nullptr || tmu != GR_TMU0) return;
    const FxU32 bytes = MemRequired(*info);
    // A download that would not fit is refused whole rather than written past the memory.
    if (bytes == 0 || startAddress > kTextureMemory || bytes > kTextureMemory - startAddress) return;
    FxU32 copied = 0;
    for (GrLOD_t lod = info->largeLod; lod <= info->smallLod; ++lod)
        copied += LevelBytes(lod, info->aspectRatio, info->format);
    std::memcpy(b.textureMemory.data() + startAddress, info->data, copied);
    // Forget decoded textures the download overwrote; the bound one is decoded again.
    for (auto it = b.decoded.begin(); it != b.decoded.end();) {
        const FxU32 size = static_cast<FxU32>(it->second.Side() * it->second.Side() * 2);
        if (it->first < startAddress + bytes && startAddress < it->first + size) {
            if (b.bound == &it->second) b.bound = nullptr;
            it = b.decoded.erase(it);
        } else {
            ++it;
        }
    }
    if (b.settings.source.valid && b.bound == nullptr) b.bound = Resolve(b, b.settings.source);
}

void grTexSource(GrChipID_t tmu, FxU32 startAddress, FxU32 evenOdd, GrTexInfo* info) {
    Record("grTexSource", tmu, startAddress, evenOdd, info);
    Board& b = TheBoard();
    if (tmu != GR_TMU0) return;
    TextureSource& s = b.settings.source;
    s = TextureSource{};
    if (info) {
        s.valid = 1, s.address = startAddress, s.largeLod = info->largeLod, s.aspect = info->aspectRatio;
        s.format = info->format;
    }
    b.bound = b.open ? Resolve(b, s) : nullptr;
}

void grDrawPoint(const GrVertex* p) {
    Record("grDrawPoint", p);
    Board& b = TheBoard();
    if (p && Prepare(b)) DrawScaledPoint(b, *p);
}

void grDrawLine(const GrVertex* a, const GrVertex* v) {
    Record("grDrawLine", a, v);
    Board& b = TheBoard();
    if (a && v && Prepare(b)) DrawScaledLine(b, *a, *v);
}

void guDrawString(const GrVertex* origin, const char* text, int maxChars) {
    Record("guDrawString", origin, text ? text : "", maxChars);
    Board& b = TheBoard();
    if (!origin || !text || !Prepare(b)) return;
    GrVertex p = *origin;
    for (int i = 0; i < maxChars && text[i]; ++i) {
        const FxU8* glyph = guFontGlyph(text[i]);
        for (int col = 0; col < GU_FONT_COLUMNS; ++col)
            for (int row = 0; row < GU_FONT_ROWS; ++row) {
                if (!(glyph[col] >> row & 1)) continue;
                p.x = origin->x + static_cast<float>(i * GU_FONT_ADVANCE + col);
                p.y = origin->y + static_cast<float>(row);
                p.hasFine = FXFALSE;
                DrawScaledPoint(b, p);
            }
    }
}

namespace {
void Triangle(const GrVertex* a, const GrVertex* v, const GrVertex* c) {
    Board& b = TheBoard();
    if (a && v && c && Prepare(b)) RasterTriangle(b, Convert(*a, b.scale), Convert(*v, b.scale), Convert(*c, b.scale));
}
}  // namespace

void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    Record("grDrawTriangle", a, b, c);
    Triangle(a, b, c);
}

void guDrawTriangleWithClip(const GrVertex* a, const GrVertex* b, const GrVertex* c) {
    // The rasteriser clips every triangle to the clip window exactly.
    Record("guDrawTriangleWithClip", a, b, c);
    Triangle(a, b, c);
}

void grBufferClear(GrColor_t color, GrAlpha_t alpha, FxU16 depth) {
    Record("grBufferClear", color, int(alpha), depth);
    Board& b = TheBoard();
    Settle(b);
    if (!b.open) return;
    const Settings& s = b.settings;
    const int n = b.scale;
    const int x0 = std::clamp(s.clip[0], 0, b.width) * n, x1 = std::clamp(s.clip[2], 0, b.width) * n;
    const int y0 = std::clamp(s.clip[1], 0, b.height) * n, y1 = std::clamp(s.clip[3], 0, b.height) * n;
    const FxU16 pixel = raster::Pack565((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, 0, 0, false);
    std::vector<FxU16>& back = b.Buffer(GR_BUFFER_BACKBUFFER);
    if (x1 <= x0) return;
    for (int y = y0; y < y1; ++y) {
        const std::size_t row = std::size_t(y) * b.pixelWidth;
        std::fill(back.begin() + row + x0, back.begin() + row + x1, pixel);
        if (s.depthMask) std::fill(b.depth.begin() + row + x0, b.depth.begin() + row + x1, depth);
    }
}

void grBufferSwap(int swapInterval) {
    Record("grBufferSwap", swapInterval);
    Board& b = TheBoard();
    Settle(b);
    if (!b.open) return;
    b.front = 1 - b.front;
    os::PresentFrame(b.color[b.front].data(), b.pixelWidth, b.pixelHeight);
}

FxBool grLfbLock(GrLock_t type, GrBuffer_t buffer, GrLfbWriteMode_t writeMode, GrOriginLocation_t origin,
                 FxBool pixelPipeline, GrLfbInfo_t* info) {
    Record("grLfbLock", type, buffer, writeMode, origin, pixelPipeline);
    Board& b = TheBoard();
    Settle(b);
    if (!b.open || b.locked || info == nullptr || origin != GR_ORIGIN_UPPER_LEFT) return FXFALSE;
    if (buffer != GR_BUFFER_FRONTBUFFER && buffer != GR_BUFFER_BACKBUFFER) return FXFALSE;
    const bool write = (type & 1) == GR_LFB_WRITE_ONLY;
    if (write && writeMode != GR_LFBWRITEMODE_565 && writeMode != GR_LFBWRITEMODE_555 && writeMode != GR_LFBWRITEMODE_ANY)
        return FXFALSE;
    std::vector<FxU16>& target = b.Buffer(buffer);
    b.locked = true, b.lockedBuffer = buffer, b.lockedForWrite = write;
    b.lockedMode = write && writeMode == GR_LFBWRITEMODE_555 ? GR_LFBWRITEMODE_555 : GR_LFBWRITEMODE_565;
    info->strideInBytes = static_cast<FxU32>(b.width * 2);
    info->origin = GR_ORIGIN_UPPER_LEFT;
    info->writeMode = b.lockedMode;
    if (b.scale != 1) {
        // The caller sees a screen-sized copy; at unlock the pixels it changed fill their blocks,
        // so what it left alone keeps the full resolution.
        b.staging.resize(std::size_t(b.width) * b.height);
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) {
                const FxU16 p = BlockAverage(b, target, x, y);
                b.staging[std::size_t(y) * b.width + x] = b.lockedMode == GR_LFBWRITEMODE_555 ? To555(p) : p;
            }
        if (write) b.stagingAtLock = b.staging;
        info->lfbPtr = b.staging.data();
    } else if (b.lockedMode == GR_LFBWRITEMODE_555) {
        // 5-5-5 writes land in a copy that is converted back at unlock.
        b.staging.resize(target.size());
        for (std::size_t i = 0; i < target.size(); ++i) b.staging[i] = To555(target[i]);
        info->lfbPtr = b.staging.data();
    } else {
        info->lfbPtr = target.data();
    }
    return FXTRUE;
}

FxBool grLfbUnlock(GrLock_t type, GrBuffer_t buffer) {
    Record("grLfbUnlock", type, buffer);
    Board& b = TheBoard();
    if (!b.open || !b.locked || buffer != b.lockedBuffer) return FXFALSE;
    if (b.lockedForWrite && b.scale != 1) {
        std::vector<FxU16>& target = b.Buffer(buffer);
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) {
                const std::size_t i = std::size_t(y) * b.width + x;
                if (b.staging[i] == b.stagingAtLock[i]) continue;
                FillBlock(b, target, x, y, b.lockedMode == GR_LFBWRITEMODE_555 ? From555(b.staging[i]) : b.staging[i]);
            }
    } else if (b.lockedForWrite && b.lockedMode == GR_LFBWRITEMODE_555) {
        std::vector<FxU16>& target = b.Buffer(buffer);
        for (std::size_t i = 0; i < target.size(); ++i) target[i] = From555(b.staging[i]);
    }
    b.locked = false;
    return FXTRUE;
}

FxBool grLfbReadRegion(GrBuffer_t srcBuffer, FxU32 srcX, FxU32 srcY, FxU32 srcWidth, FxU32 srcHeight, FxU32 dstStride,
                       void* dstData) {
    Record("grLfbReadRegion", srcBuffer, srcX, srcY, srcWidth, srcHeight, dstStride);
    Board& b = TheBoard();
    Settle(b);
    if (!b.open || dstData == nullptr) return FXFALSE;
    if (srcBuffer != GR_BUFFER_FRONTBUFFER && srcBuffer != GR_BUFFER_BACKBUFFER) return FXFALSE;
    const FxU64 w = FxU64(b.width), h = FxU64(b.height);
    if (FxU64(srcX) + srcWidth > w || FxU64(srcY) + srcHeight > h || FxU64(dstStride) < FxU64(srcWidth) * 2)
        return FXFALSE;
    const std::vector<FxU16>& source = b.Buffer(srcBuffer);
    auto* out = static_cast<unsigned char*>(dstData);
    if (b.scale != 1) {
        for (FxU32 row = 0; row < srcHeight; ++row) {
            unsigned char* line = out + std::size_t(row) * dstStride;
            for (FxU32 col = 0; col < srcWidth; ++col) {
                const FxU16 p = BlockAverage(b, source, static_cast<int>(srcX + col), static_cast<int>(srcY + row));
                std::memcpy(line + std::size_t(col) * 2, &p, 2);
            }
        }
        return FXTRUE;
    }
    for (FxU32 row = 0; row < srcHeight; ++row)
        std::memcpy(out + std::size_t(row) * dstStride, source.data() + (std::size_t(srcY) + row) * b.width + srcX,
                    std::size_t(srcWidth) * 2);
    return FXTRUE;
}

void glideSetCallRecorder(std::function<void(const std::string& call)> recorder) {
    TheBoard().recorder = std::move(recorder);
}

void glideSetBoardPresent(bool present) { TheBoard().present = present; }

void glideSetScale(int scale) { TheBoard().pendingScale = std::clamp(scale, 1, 4); }
int glideScale() { return TheBoard().open ? TheBoard().scale : TheBoard().pendingScale; }
void glideSetDitherAllowed(bool allowed) { TheBoard().ditherAllowed = allowed; }
void glideSetThreads(int threads) { TheBoard().bands.SetThreads(threads); }

static_assert(GU_FONT_COLUMNS == raster::kFontColumns && GU_FONT_ROWS == raster::kFontRows &&
              GU_FONT_ADVANCE == raster::kFontAdvance);
const FxU8* guFontGlyph(char c) { return raster::FontGlyph(c); }
