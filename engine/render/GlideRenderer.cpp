#include "engine/render/GlideRenderer.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/video/Video.h"
#include "engine/world/Face.h"
#include "engine/world/RenderFlags.h"
#include "engine/world/Vertex.h"

namespace {

GrLOD_t LodOf(int side) {
    switch (side) {
        case 256: return GR_LOD_256;
        case 128: return GR_LOD_128;
        case 64: return GR_LOD_64;
        case 32: return GR_LOD_32;
        case 16: return GR_LOD_16;
        case 8: return GR_LOD_8;
        case 4: return GR_LOD_4;
        case 2: return GR_LOD_2;
        default: return GR_LOD_128;
    }
}

// Square side of a texture from its picture's width: the next power of two, 256 at most.
int TextureSide(int width) {
    if (width <= 2) return width;
    if (width > 128) return 256;
    int side = 4;
    while (side < width) side *= 2;
    return side;
}

GrColor_t Colour(int packed) { return static_cast<GrColor_t>(packed); }

// Screen position of a projected coordinate; projections of far-off points may be INT_MAX,
// so the sum is taken wide and held to int.
int Screen(int s, int centre) {
    return static_cast<int>(std::clamp<long long>(static_cast<long long>(s) + centre, INT_MIN, INT_MAX));
}

}  // namespace

GlideRenderer::GlideRenderer(Video& video) : video_(video) {}

bool GlideRenderer::Is555() const { return video_.displayRedShift == 10; }

void GlideRenderer::Init() {
    centreX = video_.width / 2;
    centreY = video_.height / 2;
    nearZ = 0;
    farZ = 10000;
    minX = 0, maxX = video_.width;
    minY = 0, maxY = video_.height;
    currentTexture = -1;
    video_.StartGlide();
    grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
    grDepthBufferFunction(GR_CMP_LESS);
    grDepthMask(FXTRUE);
    grBufferClear(0, 0, 0xFFFF);
    SetFilter();
    grTexClampMode(GR_TMU0, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP);
    grTexMipMapMode(GR_TMU0, GR_MIPMAP_DISABLE, FXFALSE);
}

void GlideRenderer::BeginFrame() {
    grBufferClear(0, 0, 0xFFFF);
    if (background == nullptr) return;
    GrState saved;
    grGlideGetState(&saved);
    GrLfbInfo_t info;
    info.size = sizeof info;
    const GrLfbWriteMode_t mode = Is555() ? GR_LFBWRITEMODE_555 : GR_LFBWRITEMODE_565;
    if (grLfbLock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER, mode, GR_ORIGIN_UPPER_LEFT, FXFALSE, &info)) {
        // Only the part the picture covers: a picture smaller than the screen is not read past.
        const int rows = std::min(video_.height, backgroundHeight_);
        const int columns = std::min({video_.width, backgroundWidth_, static_cast<int>(info.strideInBytes / 2)});
        auto* destination = static_cast<unsigned char*>(info.lfbPtr);
        for (int y = 0; y < rows && columns > 0; ++y)
            std::memcpy(destination + static_cast<std::size_t>(y) * info.strideInBytes,
                        background + static_cast<std::size_t>(y) * backgroundWidth_, static_cast<std::size_t>(columns) * 2);
        grLfbUnlock(GR_LFB_WRITE_ONLY, GR_BUFFER_BACKBUFFER);
    }
    grGlideSetState(&saved);
}

int GlideRenderer::LoadTexture(const char* name) {
    if (name == nullptr) return -1;
    for (int i = 0; i < textureCount; ++i) {
        if (std::strcmp(textures[i].name, name) == 0) {
            ++textures[i].referenceCount;
            return i;
        }
    }
    if (textureCount >= kMaxTextures) {
        std::fprintf(stderr, "Texture %s not loaded: the table holds %d textures\n", name, kMaxTextures);
        return -1;
    }
    const std::string file = std::string(name) + ".bmp";
    int width = 0, height = 0;
    video_.GetBmpSize(file.c_str(), &width, &height);
    if (width < 2) {
        std::fprintf(stderr, "Texture %s is %d texel wide; textures need at least 2\n", file.c_str(), width);
        return -1;
    }
    const int side = TextureSide(width);

    TextureRecord& record = textures[textureCount];
    record = TextureRecord{};
    record.address = nextTextureAddress;
    record.referenceCount = 1;
    auto spare = std::find_if(spareSurfaces_.begin(), spareSurfaces_.end(),
                              [side](const TextureRecord& r) { return r.side == side; });
    if (spare != spareSurfaces_.end()) {
        record.surface = spare->surface, record.data = spare->data;
        spareSurfaces_.erase(spare);
    } else {
        record.surface = video_.CreateSurface(side, side, &record.data);
    }
    video_.LoadPicture(record.surface, file.c_str());

    record.info.smallLod = record.info.largeLod = LodOf(side);
    record.info.aspectRatio = GR_ASPECT_1x1;
    record.info.format = Is555() ? GR_TEXFMT_ARGB_1555 : GR_TEXFMT_RGB_565;
    record.info.data = record.data;
    record.memorySize = static_cast<int>(grTexTextureMemRequired(GR_MIPMAPLEVELMASK_BOTH, &record.info));
    // Not checked against the board's last address: the glide layer refuses a download that
    // would not fit, and faces using it then draw untextured.
    const FxU32 start = grTexMinAddress(GR_TMU0) + static_cast<FxU32>(record.address);
    grTexDownloadMipMap(GR_TMU0, start, GR_MIPMAPLEVELMASK_BOTH, &record.info);
    record.side = side;
    nextTextureAddress += record.memorySize;
    std::snprintf(record.name, sizeof record.name, "%s", name);
    return textureCount++;
}

GrVertex GlideRenderer::Corner(const Vertex& v) const {
    GrVertex g;
    g.x = static_cast<float>(static_cast<double>(v.sx) + centreX);
    g.y = static_cast<float>(static_cast<double>(v.sy) + centreY);
    g.hasFine = FXTRUE;
    g.fineX = static_cast<float>(v.fineSx + centreX);
    g.fineY = static_cast<float>(v.fineSy + centreY);
    g.ooz = static_cast<float>(v.cz);
    g.oow = static_cast<float>(v.invZ);
    g.r = static_cast<float>(v.lr), g.g = static_cast<float>(v.lg), g.b = static_cast<float>(v.lb);
    return g;
}

bool GlideRenderer::Selected(const Face& f) const {
    return f.a && f.b && f.c && f.InFrontOfNear(0) && f.BeforeFar(farZ);
}

void GlideRenderer::SetCull(unsigned flags, int cullSign) {
    if (flags & RenderFlags::kCull) grCullMode(cullSign == 1 ? GR_CULL_POSITIVE : GR_CULL_NEGATIVE);
    else grCullMode(GR_CULL_DISABLE);
}

void GlideRenderer::DrawPoints(Vertex** vertices, int count, LightSet*, unsigned flags) {
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    if (vertices == nullptr) return;
    const bool lit = flags & (RenderFlags::kFlat | RenderFlags::kGouraud);
    for (int i = 0; i < count; ++i) {
        const Vertex* v = vertices[i];
        if (v == nullptr || v->behind) continue;
        grConstantColorValue(Colour(lit ? v->packed : v->PackedBaseColor()));
        const GrVertex g = Corner(*v);
        grDrawPoint(&g);
    }
}

void GlideRenderer::DrawWireframe(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    if (faces == nullptr) return;
    for (int i = 0; i < count; ++i) {
        Face* f = faces[i];
        if (f == nullptr || !Selected(*f)) continue;
        if ((flags & RenderFlags::kCull) && cullSign * f->cameraNormal.z < -0.2) continue;
        grConstantColorValue(Colour((flags & RenderFlags::kFlat) ? f->Light(lights, cullSign) : f->PackedBaseColor()));
        const Vertex* edges[3][2] = {{f->a, f->b}, {f->b, f->c}, {f->a, f->c}};
        for (const auto& e : edges) {
            int x1 = Screen(e[0]->sx, centreX), y1 = Screen(e[0]->sy, centreY);
            int x2 = Screen(e[1]->sx, centreX), y2 = Screen(e[1]->sy, centreY);
            if (!video_.ClipLine(x1, y1, x2, y2)) continue;
            GrVertex p = Corner(*e[0]), q = Corner(*e[1]);
            p.x = static_cast<float>(x1), p.y = static_cast<float>(y1);
            q.x = static_cast<float>(x2), q.y = static_cast<float>(y2);
            p.hasFine = q.hasFine = FXFALSE;   // clipped in whole pixels
            grDrawLine(&p, &q);
        }
    }
}

void GlideRenderer::DrawSolidFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
    const bool flat = flags & RenderFlags::kFlat;
    const bool gouraud = (flags & RenderFlags::kGouraud) && !flat;
    guColorCombineFunction(gouraud ? GR_COLORCOMBINE_ITRGB : GR_COLORCOMBINE_CCRGB);
    SetCull(flags, cullSign);
    if (faces == nullptr) return;
    for (int i = 0; i < count; ++i) {
        Face* f = faces[i];
        if (f == nullptr || !Selected(*f)) continue;
        if (flat) grConstantColorValue(Colour(f->Light(lights, cullSign)));
        else if (!gouraud) grConstantColorValue(Colour(f->PackedBaseColor()));
        const GrVertex a = Corner(*f->a), b = Corner(*f->b), c = Corner(*f->c);
        guDrawTriangleWithClip(&a, &b, &c);
    }
}

void GlideRenderer::DrawTexturedFaces(Face** faces, int count, LightSet* lights, unsigned flags, int cullSign) {
    const bool flat = flags & RenderFlags::kFlat;
    const bool gouraud = (flags & RenderFlags::kGouraud) && !flat;
    const GrCombineFactor_t factor = flat || gouraud ? GR_COMBINE_FACTOR_LOCAL : GR_COMBINE_FACTOR_ONE;
    const GrCombineLocal_t local = gouraud ? GR_COMBINE_LOCAL_ITERATED : GR_COMBINE_LOCAL_CONSTANT;
    auto textured = [&] {
        guColorCombineFunction(GR_COLORCOMBINE_DECAL_TEXTURE);
        guTexCombineFunction(GR_TMU0, GR_TEXTURECOMBINE_DECAL);
        grColorCombine(GR_COMBINE_FUNCTION_SCALE_OTHER, factor, local, GR_COMBINE_OTHER_TEXTURE, FXFALSE);
    };
    textured();
    SetCull(flags, cullSign);
    if (faces == nullptr) return;
    bool plain = false;   // switched to untextured drawing for a face without a valid texture
    for (int i = 0; i < count; ++i) {
        Face* f = faces[i];
        if (f == nullptr || !Selected(*f)) continue;
        const int handle = f->texture;
        const bool valid = handle >= 0 && handle < textureCount;
        if (!valid) {
            // Drawn as a solid face in its own colour, never by indexing past the table.
            if (!plain) guColorCombineFunction(gouraud ? GR_COLORCOMBINE_ITRGB : GR_COLORCOMBINE_CCRGB);
            plain = true;
            if (!gouraud) grConstantColorValue(Colour(flat ? f->Light(lights, cullSign) : f->PackedBaseColor()));
        } else {
            if (plain) textured();
            plain = false;
            if (handle != currentTexture) {
                TextureRecord& t = textures[handle];
                grTexSource(GR_TMU0, grTexMinAddress(GR_TMU0) + static_cast<FxU32>(t.address), GR_MIPMAPLEVELMASK_BOTH,
                            &t.info);
                currentTexture = handle;
            }
            if (flat) grConstantColorValue(Colour(f->Light(lights, cullSign)));
        }
        GrVertex corner[3] = {Corner(*f->a), Corner(*f->b), Corner(*f->c)};
        const double u[3] = {f->u0, f->u1, f->u2}, v[3] = {f->v0, f->v1, f->v2};
        for (int k = 0; k < 3; ++k) {
            const float oow = corner[k].oow;
            corner[k].tmuvtx[0].sow = static_cast<float>(u[k] * 255.0 * oow);
            corner[k].tmuvtx[0].tow = static_cast<float>(v[k] * 255.0 * oow);
            corner[k].tmuvtx[0].oow = oow;
        }
        guDrawTriangleWithClip(&corner[0], &corner[1], &corner[2]);
    }
    if (plain) textured();
}

void GlideRenderer::DrawLine(Vertex* a, Vertex* b, int color) {
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    grConstantColorValue(Colour(color));
    if (a == nullptr || b == nullptr || (a->behind && b->behind)) return;
    int x1 = Screen(a->sx, centreX), y1 = Screen(a->sy, centreY), x2 = Screen(b->sx, centreX), y2 = Screen(b->sy, centreY);
    if (!video_.ClipLine(x1, y1, x2, y2)) return;
    GrVertex p = Corner(*a), q = Corner(*b);
    p.x = static_cast<float>(x1), p.y = static_cast<float>(y1);
    q.x = static_cast<float>(x2), q.y = static_cast<float>(y2);
    p.hasFine = q.hasFine = FXFALSE;   // clipped in whole pixels
    grDrawLine(&p, &q);
}

// Keyed faces drawn over the scene are point-sampled. The board compares the key with the
// filtered texel, so bilinear taps across a sprite's outline blend its colour with the black
// key into a dark fringe that no longer matches the key. The additive pass keeps the filter:
// there a blend towards black adds next to nothing, and its glows swell over the screen.
void GlideRenderer::SetFilter() {
    const GrTextureFilterMode_t mode = keyed_ && !additive_ ? GR_TEXTUREFILTER_POINT_SAMPLED : GR_TEXTUREFILTER_BILINEAR;
    grTexFilterMode(GR_TMU0, mode, mode);
}

void GlideRenderer::BeginAdditive() {
    additive_ = true;
    SetFilter();
    grDepthMask(FXFALSE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ONE, GR_BLEND_ZERO);
    grCullMode(GR_CULL_DISABLE);
}

void GlideRenderer::EndAdditive() {
    additive_ = false;
    SetFilter();
    grDepthMask(FXTRUE);
    grAlphaBlendFunction(GR_BLEND_ONE, GR_BLEND_ZERO, GR_BLEND_ONE, GR_BLEND_ZERO);
}

void GlideRenderer::FillRect(int x1, int y1, int x2, int y2, int color) {
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    grConstantColorValue(Colour(color));
    auto corner = [](int x, int y) {
        GrVertex g;
        g.x = static_cast<float>(x), g.y = static_cast<float>(y), g.ooz = 0, g.oow = 1;
        return g;
    };
    const GrVertex a = corner(x1, y1), b = corner(x2, y1), c = corner(x2, y2), d = corner(x1, y2);
    // Screen-space drawing lies over the picture, whatever depth the picture left.
    grDepthBufferFunction(GR_CMP_ALWAYS);
    guDrawTriangleWithClip(&a, &b, &c);
    guDrawTriangleWithClip(&d, &a, &c);
    grDepthBufferFunction(GR_CMP_LESS);
}

void GlideRenderer::DrawText(int x, int y, const char* text, int color) {
    if (!text) return;
    // The board's colours are 0xRRGGBB; text colours come red in the low byte.
    const unsigned c = static_cast<unsigned>(color);
    const unsigned rgb = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
    guColorCombineFunction(GR_COLORCOMBINE_CCRGB);
    grConstantColorValue(Colour(static_cast<int>(rgb)));
    GrVertex origin;
    origin.x = static_cast<float>(x), origin.y = static_cast<float>(y), origin.ooz = 0, origin.oow = 1;
    grDepthBufferFunction(GR_CMP_ALWAYS);
    guDrawString(&origin, text, kMaxTextChars);
    grDepthBufferFunction(GR_CMP_LESS);
}

int GlideRenderer::FreeTexture(int) {
    for (int i = 0; i < textureCount; ++i)
        if (textures[i].surface) spareSurfaces_.push_back(textures[i]);
    textureCount = 0;
    nextTextureAddress = 0;
    // The next texture reuses handle 0 and address 0, perhaps with another size: it must be
    // bound afresh, not drawn with the old one's description.
    currentTexture = -1;
    return 1;
}

void GlideRenderer::SetColorKey(unsigned color) {
    keyed_ = color != 0xFFFFFFFFu;
    SetFilter();
    if (color == 0xFFFFFFFFu) {
        grChromakeyMode(GR_CHROMAKEY_DISABLE);
        return;
    }
    grChromakeyMode(GR_CHROMAKEY_ENABLE);
    grChromakeyValue(color);
}

void GlideRenderer::SetBackground(Surface* picture) {
    background = picture ? video_.GetSurfacePixels(picture) : nullptr;
    backgroundWidth_ = background ? picture->Width() : 0;
    backgroundHeight_ = background ? picture->Height() : 0;
}
