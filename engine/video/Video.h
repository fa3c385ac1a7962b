#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/video/Surface.h"
#include "platform/os/Messages.h"

class IDirect3D3;
struct DDPIXELFORMAT;

// The display: the program's window, a 16-bit flip chain (primary surface and back buffers),
// the two full-screen work surfaces Screen1 and Screen2, the other surfaces scenes and
// renderers ask for, pictures, 2D lines, and the start of a 3D renderer, which changes the
// display mode and the pixel layout. Every operation does nothing when noVideo is 1 (those
// returning a pointer return null). Fatal failures go through ErrorBox with caption
// "VVideo Error" and end the process with the code of their site.
class Video {
public:
    static constexpr int kModeDirectDraw = 2;
    static constexpr int kModeGlide = 4;
    static constexpr int kModeDirect3D = 8;
    // Largest side of any surface or display mode; larger requests fail like the original's.
    static constexpr int kMaxSide = 4096;

    Video(const char* className = "Vokar!", const char* title = "Vokar");
    ~Video();
    Video(const Video&) = delete;
    Video& operator=(const Video&) = delete;

    // Application shell.
    void Init(int noVideo, void* hInstance);
    void CreateMainWindow();

    // Start-up and mode, in the order the entry point calls them.
    // skipDialog 0 would show the driver dialog: there is one driver, so the list is printed
    // to stdout and the primary driver is taken.
    void CreateDirectDraw(int skipDialog);
    void SetMode(int width, int height);
    void SetBackBufferCount(int count);
    void SetDriverGuid(const void* guid);
    // Glide mode: 3D pixel layout, the glide layer opened at the resolution of the screen size
    // (7 for 640x480) with a clip window over the whole screen.
    void StartGlide();
    // Direct3D mode: 3D pixel layout, and the Direct3D interface stored through direct3D
    // (left untouched with noVideo 1). Frames reach the screen through the flip chain.
    void StartDirect3D(IDirect3D3** direct3D);
    // Gives the screen back: ends the mode's device (DirectDraw in mode 2, glide in mode 4)
    // and hides the window. Also run by ErrorBox and the destructor.
    void Shutdown();

    // Surfaces, owned by the display and alive until it is destroyed.
    Surface* CreateSurface(int width, int height, std::uint16_t** pixels);
    Surface* Create3DSurface(int width, int height, int inVideoMemory);
    // A screen-sized depth surface of the given format. Surfaces hold 16-bit values, so only
    // a plain 16-bit depth (DDPF_ZBUFFER, 16 bits) can be made; any other format fails.
    Surface* CreateZBuffer(const DDPIXELFORMAT* format, int inVideoMemory);
    Surface* CreateTextureSurface(int width, int height, int inVideoMemory);

    // Pixel access.
    void LockBackBuffer();
    void UnlockBackBuffer();
    void LockScreen1();
    void UnlockScreen1();
    void LockScreen2();
    void UnlockScreen2();
    std::uint16_t* GetSurfacePixels(Surface* surface);

    // Drawing and presenting.
    void Flip();
    // The last shown frame as 5-6-5, width x height, from whichever layer showed it (the glide
    // board's front buffer, else the primary surface); false, out untouched, when there is
    // none or the size differs.
    bool ReadShownFrame(std::uint16_t* out, int w, int h);
    void Cls(std::uint32_t color);
    void ClearSurface(Surface* surface, std::uint32_t color);
    void ClearAll();
    // Whole source onto whole destination, stretched (nearest pixel) when sizes differ.
    void Blit(Surface* destination, Surface* source);
    // Whole source into the rectangle (x, y)-(x + w, y + h); nothing when the rectangle is
    // empty or not inside the destination.
    void BlitRect(Surface* destination, Surface* source, int x, int y, int w, int h);

    // Pictures (BMP files).
    void LoadPicture(Surface* surface, const char* name);
    void LoadBmp8(std::uint8_t* destination, const char* name);
    void LoadBmp8Palette(std::uint32_t* table, const char* name);
    void GetBmpSize(const char* name, int* width, int* height);

    // 2D lines into the locked back buffer (mode 2), clipped to the screen.
    void DrawLine(int x1, int y1, int x2, int y2, std::uint16_t color);
    int ClipLine(int& x1, int& y1, int& x2, int& y2) const;
    int OutCode(int x, int y) const;

    // Choices of this platform, made before Init / SetMode.
    // No window at all: frames go to whatever sink is installed (a capture) or nowhere.
    bool headless = false;
    bool fullScreen = true;
    // The 16-bit display format's channel masks (5-6-5 unless changed).
    void UseDisplayMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
    // The window's message handler (the application's); the default handling when empty.
    os::WindowProc windowProc;

    // Fields, as the engine reads them.
    char className[256] = {};
    char title[256] = {};
    int noVideo = 0;
    int mode = kModeDirectDraw;
    int backBufferCount = 3;
    void* hInstance = nullptr;
    const void* driverGuid = nullptr;
    os::WindowHandle hwnd = 0;

    Surface* primary = nullptr;
    Surface* backBuffer = nullptr;
    Surface* screen1 = nullptr;
    Surface* screen2 = nullptr;

    int redShift = 0, greenShift = 0, blueShift = 0;
    std::uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    int redMax = 0, greenMax = 0, blueMax = 0;
    int displayRedShift = 0;
    std::uint32_t displayRedMask = 0;

    std::uint16_t* backBufferPixels = nullptr;
    std::uint16_t* screen1Pixels = nullptr;
    std::uint16_t* screen2Pixels = nullptr;

    int width = 0, height = 0;
    int maxX = 0, maxY = 0, minX = 0, minY = 0;
    int screenBytes = 0;
    // The glide resolution StartGlide chose (-1 before).
    int glideResolution = -1;

private:
    Surface* NewSurface(int w, int h, Surface::Kind kind, const char* failText, int failCode);
    void SetThreeDLayout();
    void PublishLayout() const;
    // Sends the primary surface to the frame sink (as RGB565).
    void Present();
    // Any other 16-bit display format is widened to the presenter's 5-6-5 through a table
    // of every pixel value, made once for the format.
    void BuildRgb565Table();
    // With no back buffers the primary is the screen: what is drawn on it shows at once.
    void ShowIfPrimary(const Surface* surface);

    std::vector<std::unique_ptr<Surface>> surfaces_;
    std::vector<Surface*> chain_;  // primary, then the back buffers
    std::uint32_t displayMasks_[3] = {0xF800, 0x07E0, 0x001F};
    std::vector<std::uint16_t> presentScratch_;
    std::vector<std::uint16_t> toRgb565_;  // display format -> 5-6-5, when they differ
    bool directDrawOpen_ = false;
    bool glideOpen_ = false;
    bool errorHandlerInstalled_ = false;
};
