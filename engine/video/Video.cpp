#include "engine/video/Video.h"

#include "engine/video/DisplayMetrics.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/video/ErrorBox.h"
#include "engine/video/PixelLayout.h"
#include "platform/d3d/D3D.h"
#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"
#include "platform/os/Window.h"

namespace {

constexpr const char* kCaption = "VVideo Error";

// Zero bits below the lowest set bit, counting at most 16.
int ShiftOf(std::uint32_t mask) {
    int shift = 0;
    while (shift < 16 && (mask & 1u) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

bool ValidSize(int w, int h) { return w > 0 && h > 0 && w <= Video::kMaxSide && h <= Video::kMaxSide; }

// The glide resolution constants of the screen sizes the board knows, in the order tested.
int GlideResolutionFor(int w, int h) {
    struct Entry {
        int w, h, resolution;
    };
    static constexpr Entry table[] = {
        {320, 200, GR_RESOLUTION_320x200}, {320, 240, GR_RESOLUTION_320x240}, {512, 256, GR_RESOLUTION_512x256},
        {512, 384, GR_RESOLUTION_512x384}, {640, 400, GR_RESOLUTION_640x400}, {640, 480, GR_RESOLUTION_640x480},
        {800, 600, GR_RESOLUTION_800x600}, {856, 480, GR_RESOLUTION_856x480}, {960, 720, GR_RESOLUTION_960x720},
    };
    for (const Entry& e : table)
        if (e.w == w && e.h == h) return e.resolution;
    // Other sizes never occur in the production; 640x480 is the board's usual mode.
    return GR_RESOLUTION_640x480;
}

// Nearest-pixel stretch of src onto the rectangle (x, y, w, h) of dst; the rectangle lies in dst.
void Stretch(const Surface& src, Surface& dst, int x, int y, int w, int h) {
    if (src.Width() <= 0 || src.Height() <= 0 || w <= 0 || h <= 0) return;
    std::vector<std::uint16_t> copy;
    const std::uint16_t* s = src.Pixels();
    if (&src == &dst) {  // overlapping: read from a copy
        copy.assign(src.Pixels(), src.Pixels() + src.PixelCount());
        s = copy.data();
    }
    // Source column of every destination column, worked out once per blit.
    std::vector<int> columns(static_cast<std::size_t>(w));
    for (int col = 0; col < w; ++col) columns[col] = static_cast<int>(static_cast<long long>(col) * src.Width() / w);
    const bool sameWidth = w == src.Width();
    std::uint16_t* d = dst.Pixels();
    for (int row = 0; row < h; ++row) {
        const long long sy = static_cast<long long>(row) * src.Height() / h;
        const std::uint16_t* srcRow = s + sy * src.Width();
        std::uint16_t* dstRow = d + static_cast<long long>(y + row) * dst.Width() + x;
        if (sameWidth) {
            std::copy(srcRow, srcRow + w, dstRow);
        } else {
            for (int col = 0; col < w; ++col) dstRow[col] = srcRow[columns[col]];
        }
    }
}

Video* g_errorHandlerOwner = nullptr;

}  // namespace

Video::Video(const char* cls, const char* ttl) {
    std::snprintf(className, sizeof className, "%s", cls ? cls : "");
    std::snprintf(title, sizeof title, "%s", ttl ? ttl : "");
}

Video::~Video() {
    Shutdown();
    // Its procedure may point at objects that are going too: no message may reach it now.
    if (hwnd != 0 && hwnd == os::MainWindow()) os::CloseMainWindowQuietly();
    if (g_errorHandlerOwner == this) {
        SetErrorBoxHandler({});
        g_errorHandlerOwner = nullptr;
    }
}

void Video::UseDisplayMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    displayMasks_[0] = red;
    displayMasks_[1] = green;
    displayMasks_[2] = blue;
    toRgb565_.clear();
}

void Video::Init(int noVideoFlag, void* instance) {
    noVideo = noVideoFlag;
    hInstance = instance;
    // An error box first gives the screen back, then shows itself on the desktop.
    g_errorHandlerOwner = this;
    SetErrorBoxHandler([this](const char* caption, const char* text) {
        Shutdown();
        os::ShowMessageBox(caption, text);
    });
    if (noVideo != 1) CreateMainWindow();
}

void Video::CreateMainWindow() {
    if (noVideo == 1 || headless) return;
    os::WindowOptions options;
    options.title = title;
    options.fullScreen = fullScreen;
    os::WindowProc proc = windowProc;
    if (!proc) proc = os::DefWindowProc;
    hwnd = os::CreateMainWindow(options, std::move(proc));
    if (hwnd == 0) {
        ErrorBox(kCaption, "Couldn't create the window");
        std::fprintf(stderr,
                     "No display could be opened (%s).\n"
                     "To render the show to files instead, run it with --capture OUT.\n",
                     os::LastWindowError().c_str());
        std::exit(2);
    }
    os::SetFrameSink(os::WindowSink());
}

void Video::CreateDirectDraw(int skipDialog) {
    if (noVideo == 1) return;
    if (skipDialog == 0) {
        std::printf("DirectDraw Drivers:\n  Primary Display Driver (display)\n");
        std::fflush(stdout);
    }
    driverGuid = nullptr;
    // Exclusive full-screen use needs the window (a headless display has none to take).
    if (!headless && !os::IsWindow(hwnd)) FatalError(kCaption, "Couldn't set cooperative level", 5);
    directDrawOpen_ = true;
}

void Video::SetBackBufferCount(int count) {
    if (primary) return;
    backBufferCount = std::clamp(count, 0, 16);
}

void Video::SetDriverGuid(const void* guid) { driverGuid = guid; }

void Video::PublishLayout() const {
    PixelLayout& layout = ActivePixelLayout();
    layout.redShift = redShift;
    layout.greenShift = greenShift;
    layout.blueShift = blueShift;
    layout.redMask = redMask;
    layout.greenMask = greenMask;
    layout.blueMask = blueMask;
    layout.redMax = redMax;
    layout.greenMax = greenMax;
    layout.blueMax = blueMax;
    // The world's object culling measures against the screen size.
    if (width > 0 && height > 0) ActiveDisplayMetrics() = DisplayMetrics{width, height};
}

void Video::SetMode(int w, int h) {
    width = w;
    height = h;
    // Computed wide so that no requested size, however wrong, overflows.
    auto narrow = [](long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); };
    maxX = narrow(static_cast<long long>(w) - 1);
    maxY = narrow(static_cast<long long>(h) - 1);
    minX = minY = 0;
    redMax = greenMax = blueMax = 31;
    screenBytes = narrow(static_cast<long long>(w) * h * 2);
    if (noVideo == 1) {
        PublishLayout();
        return;
    }
    if (!directDrawOpen_ || !ValidSize(w, h)) FatalError(kCaption, "Couldn't set the mode", 6);
    // The screen has one primary surface; a second mode setting cannot make another.
    if (primary) FatalError(kCaption, "Couldn't create Primary Surface", 7);

    primary = NewSurface(w, h, Surface::Kind::Primary, "Couldn't create Primary Surface", 7);
    chain_.assign(1, primary);

    redMask = displayMasks_[0];
    greenMask = displayMasks_[1];
    blueMask = displayMasks_[2];
    redShift = ShiftOf(redMask);
    greenShift = ShiftOf(greenMask);
    blueShift = 0;
    displayRedShift = redShift;
    displayRedMask = redMask;
    PublishLayout();

    if (backBufferCount != 0) {
        for (int i = 0; i < backBufferCount; ++i)
            chain_.push_back(NewSurface(w, h, Surface::Kind::BackBuffer, "Couldn't get back buffer", 8));
        backBuffer = chain_[1];
    } else {
        backBuffer = primary;
    }
    screen1 = NewSurface(w, h, Surface::Kind::OffScreen, "Couldn't create Screen1", 18);
    screen2 = NewSurface(w, h, Surface::Kind::OffScreen, "Couldn't create Screen2", 19);

    for (int i = 0; i < backBufferCount + 1; ++i) {
        Cls(0);
        Flip();
        Cls(0);
    }
    LockScreen1();
    UnlockScreen1();
    LockScreen2();
    UnlockScreen2();
}

void Video::SetThreeDLayout() {
    redShift = 16;
    greenShift = 8;
    blueShift = 0;
    redMask = 0xFF0000;
    greenMask = 0xFF00;
    blueMask = 0xFF;
    redMax = greenMax = blueMax = 255;
    PublishLayout();
}

void Video::StartGlide() {
    SetThreeDLayout();
    if (noVideo == 1) return;
    mode = kModeGlide;
    glideResolution = GlideResolutionFor(width, height);
    grGlideInit();
    GrHwConfiguration hardware;
    if (!grSstQueryHardware(&hardware)) FatalError(kCaption, "Couldn't start Glide mode", -3);
    grSstSelect(0);
    grSstWinOpen(0, glideResolution, GR_REFRESH_60Hz, GR_COLORFORMAT_ARGB, GR_ORIGIN_UPPER_LEFT, 2, 0);
    glideOpen_ = true;
    grClipWindow(0, 0, static_cast<FxU32>(std::max(maxX, 0)), static_cast<FxU32>(std::max(maxY, 0)));
}

void Video::StartDirect3D(IDirect3D3** direct3D) {
    SetThreeDLayout();
    mode = kModeDirect3D;
    if (noVideo == 1) return;
    if (direct3D == nullptr || FAILED(Direct3DCreate(direct3D))) FatalError(kCaption, "Couldn't start Direct3D mode", -6);
}

void Video::Shutdown() {
    if (noVideo == 1) return;
    if (mode == kModeDirectDraw && directDrawOpen_) {
        directDrawOpen_ = false;
    } else if (mode == kModeGlide && glideOpen_) {
        glideOpen_ = false;
        grGlideShutdown();
    }
    if (hwnd != 0 && hwnd == os::MainWindow()) os::ShowMainWindow(false);
}

Surface* Video::NewSurface(int w, int h, Surface::Kind kind, const char* failText, int failCode) {
    if (!ValidSize(w, h)) FatalError(kCaption, failText, failCode);
    surfaces_.push_back(std::make_unique<Surface>(w, h, kind));
    return surfaces_.back().get();
}

Surface* Video::CreateSurface(int w, int h, std::uint16_t** pixels) {
    if (noVideo == 1) return nullptr;
    Surface* s = NewSurface(w, h, Surface::Kind::OffScreen, "Couldn't create Surface", 28);
    if (pixels) *pixels = s->Pixels();
    return s;
}

Surface* Video::Create3DSurface(int w, int h, int) {
    if (noVideo == 1) return nullptr;
    return NewSurface(w, h, Surface::Kind::Device3D, "Couldn't create 3DSurface", 28);
}

Surface* Video::CreateZBuffer(const DDPIXELFORMAT* format, int) {
    if (noVideo == 1) return nullptr;
    if (format == nullptr || format->dwFlags != DDPF_ZBUFFER || format->dwZBufferBitDepth != 16)
        FatalError(kCaption, "Couldn't create ZBuffer Surface", 29);
    Surface* z = NewSurface(width, height, Surface::Kind::ZBuffer, "Couldn't create ZBuffer Surface", 29);
    z->Fill(0xFFFF);
    return z;
}

Surface* Video::CreateTextureSurface(int w, int h, int) {
    if (noVideo == 1) return nullptr;
    return NewSurface(w, h, Surface::Kind::Texture, "Couldn't create Texture Surface", 30);
}

void Video::LockBackBuffer() {
    if (noVideo == 1 || mode != kModeDirectDraw) return;
    if (!backBuffer) FatalError(kCaption, "Couldn't lock back buffer", 9);
    backBufferPixels = backBuffer->Pixels();
}

void Video::UnlockBackBuffer() {
    if (noVideo == 1) return;
    if (!backBuffer) FatalError(kCaption, "Couldn't unlock back buffer", 10);
    ShowIfPrimary(backBuffer);
}

void Video::LockScreen1() {
    if (noVideo == 1) return;
    if (!screen1) FatalError(kCaption, "Couldn't lock Screen1", 21);
    screen1Pixels = screen1->Pixels();
}

void Video::UnlockScreen1() {
    if (noVideo == 1) return;
    if (!screen1) FatalError(kCaption, "Couldn't unlock Screen1", 22);
}

void Video::LockScreen2() {
    if (noVideo == 1) return;
    if (!screen2) FatalError(kCaption, "Couldn't lock Screen2", 21);
    screen2Pixels = screen2->Pixels();
}

void Video::UnlockScreen2() {
    if (noVideo == 1) return;
    if (!screen2) FatalError(kCaption, "Couldn't unlock Screen2", 22);
}

std::uint16_t* Video::GetSurfacePixels(Surface* surface) {
    if (noVideo == 1) return nullptr;
    if (!surface) FatalError(kCaption, "Couldn't lock given Surface", 21);
    return surface->Pixels();
}

void Video::BuildRgb565Table() {
    if (!toRgb565_.empty()) return;
    const std::uint32_t* m = displayMasks_;
    const int rs = ShiftOf(m[0]), gs = ShiftOf(m[1]), bs = ShiftOf(m[2]);
    auto channel = [](std::uint32_t v, std::uint32_t mask, int shift, int bits) {
        const std::uint32_t max = mask >> shift;
        return max ? ((v & mask) >> shift) * ((1u << bits) - 1) / max : 0u;
    };
    toRgb565_.resize(65536);
    for (std::uint32_t v = 0; v < 65536; ++v)
        toRgb565_[v] = static_cast<std::uint16_t>((channel(v, m[0], rs, 5) << 11) | (channel(v, m[1], gs, 6) << 5) |
                                                  channel(v, m[2], bs, 5));
}

void Video::Present() {
    if (!primary) return;
    const std::uint32_t* m = displayMasks_;
    if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) {
        os::PresentFrame(primary->Pixels(), primary->Width(), primary->Height());
        return;
    }
    BuildRgb565Table();
    presentScratch_.resize(primary->PixelCount());
    const std::uint16_t* src = primary->Pixels();
    for (std::size_t i = 0; i < presentScratch_.size(); ++i) presentScratch_[i] = toRgb565_[src[i]];
    os::PresentFrame(presentScratch_.data(), primary->Width(), primary->Height());
}

void Video::ShowIfPrimary(const Surface* surface) {
    if (surface && surface == primary && backBufferCount == 0) Present();
}

void Video::Flip() {
    if (noVideo == 1) return;
    if (mode == kModeGlide) {
        grBufferSwap(1);
        return;
    }
    if (backBufferCount == 0) return;
    if (!primary) FatalError(kCaption, "Couldn't flip buffers", 11);
    // The back buffer's picture becomes the front one; each buffer takes the next one's memory.
    for (std::size_t i = 0; i + 1 < chain_.size(); ++i) chain_[i]->SwapPixels(*chain_[i + 1]);
    Present();
}

bool Video::ReadShownFrame(std::uint16_t* out, int w, int h) {
    if (noVideo == 1 || out == nullptr || w <= 0 || h <= 0) return false;
    if (mode == kModeGlide)
        return grLfbReadRegion(GR_BUFFER_FRONTBUFFER, 0, 0, static_cast<FxU32>(w), static_cast<FxU32>(h),
                               static_cast<FxU32>(w) * 2, out) != FXFALSE;
    if (!primary || primary->Width() != w || primary->Height() != h) return false;
    const std::uint32_t* m = displayMasks_;
    const std::uint16_t* src = primary->Pixels();
    if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) {
        std::copy(src, src + primary->PixelCount(), out);
        return true;
    }
    BuildRgb565Table();
    for (std::size_t i = 0; i < primary->PixelCount(); ++i) out[i] = toRgb565_[src[i]];
    return true;
}

void Video::Cls(std::uint32_t color) {
    if (noVideo == 1 || mode != kModeDirectDraw) return;
    if (!backBuffer) FatalError(kCaption, "Couldn't blt back buffer for Cls", 12);
    backBuffer->Fill(static_cast<std::uint16_t>(color));
    ShowIfPrimary(backBuffer);
}

void Video::ClearSurface(Surface* surface, std::uint32_t color) {
    if (noVideo == 1) return;
    if (!surface) FatalError(kCaption, "Couldn't blt surface for Clear", 122);
    surface->Fill(static_cast<std::uint16_t>(color));
    ShowIfPrimary(surface);
}

void Video::ClearAll() {
    if (noVideo == 1) return;
    for (int i = 0; i < backBufferCount + 1; ++i) {
        Cls(0);
        Flip();
        Cls(0);
    }
    if (screen1Pixels) std::memset(screen1Pixels, 0, static_cast<std::size_t>(screenBytes));
    if (screen2Pixels) std::memset(screen2Pixels, 0, static_cast<std::size_t>(screenBytes));
}

void Video::Blit(Surface* destination, Surface* source) {
    if (noVideo == 1 || !destination || !source) return;
    Stretch(*source, *destination, 0, 0, destination->Width(), destination->Height());
    ShowIfPrimary(destination);
}

void Video::BlitRect(Surface* destination, Surface* source, int x, int y, int w, int h) {
    if (noVideo == 1 || !destination || !source) return;
    if (w <= 0 || h <= 0 || x < 0 || y < 0) return;
    if (static_cast<long long>(x) + w > destination->Width() || static_cast<long long>(y) + h > destination->Height())
        return;
    Stretch(*source, *destination, x, y, w, h);
    ShowIfPrimary(destination);
}
