#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/Headless.h"
#include "engine/video/PixelLayout.h"
#include "platform/glide/Glide.h"
#include "platform/os/Presenter.h"

namespace {

// Records what reaches the screen.
struct FrameLog {
    std::vector<std::vector<std::uint16_t>> frames;
    FrameLog() {
        os::SetFrameSink([this](const std::uint16_t* p, int w, int h) { frames.emplace_back(p, p + w * h); });
    }
    ~FrameLog() { os::SetFrameSink({}); }
};

}  // namespace

TEST(VideoLayout, DisplayFormatsThenThreeDStarts) {
    Video video;
    StartHeadlessDisplay(video);
    EXPECT_EQ(video.redShift, 11);
    EXPECT_EQ(video.greenShift, 5);
    EXPECT_EQ(video.greenMask, 0x07E0u);
    EXPECT_EQ(video.greenMax, 31);  // 31 also for the six-bit green
    EXPECT_EQ(video.displayRedMask, 0xF800u);
    EXPECT_EQ(ActivePixelLayout().Pack(31, 31, 31), 0xFBFF);  // five bits of green in six
    video.StartGlide();
    EXPECT_EQ(video.mode, Video::kModeGlide);
    EXPECT_EQ(video.redShift, 16);
    EXPECT_EQ(video.blueMax, 255);
    EXPECT_EQ(video.displayRedShift, 11);  // the 2D format is remembered
    EXPECT_EQ(ActivePixelLayout().Pack(0x12, 0x34, 0x56), 0x123456);

    Video v555;
    v555.UseDisplayMasks(0x7C00, 0x03E0, 0x001F);
    StartHeadlessDisplay(v555);
    EXPECT_EQ(v555.redShift, 10);
    v555.StartDirect3D();
    EXPECT_EQ(v555.mode, Video::kModeDirect3D);
    EXPECT_EQ(v555.redShift, 16);
    EXPECT_EQ(v555.displayRedShift, 10);

    Video odd;
    odd.UseDisplayMasks(0, 0x07E0, 0x001F);  // no bit of red in the low 16: shift stops at 16
    StartHeadlessDisplay(odd);
    EXPECT_EQ(odd.redShift, 16);
}

TEST(VideoModes, GlideCallsAndResolutions) {
    std::vector<std::string> calls;
    glideSetCallRecorder([&](const std::string& call) { calls.push_back(call); });
    {
        FrameLog log;
        Video video;
        StartHeadlessDisplay(video);
        video.StartGlide();
        video.Cls(0x1234);  // not in Glide mode
        video.LockBackBuffer();
        EXPECT_EQ(video.backBufferPixels, nullptr);
        const std::size_t before = log.frames.size();
        video.Flip();  // the buffer swap presents the board's 640x480 frame
        ASSERT_EQ(log.frames.size(), before + 1);
        EXPECT_EQ(log.frames.back().size(), 640u * 480u);
        video.Shutdown();
        video.Shutdown();  // once is enough: the destructor runs it again too
    }
    glideSetCallRecorder({});
    // Resolution 7 (640x480), 60 Hz, ARGB, origin upper left, two colour buffers; a clip
    // window over the whole screen; the flip is a buffer swap.
    EXPECT_EQ(calls, (std::vector<std::string>{"grGlideInit()", "grSstQueryHardware()", "grSstSelect(0)",
                                               "grSstWinOpen(0, 7, 0, 0, 0, 2, 0)", "grClipWindow(0, 0, 639, 479)",
                                               "grBufferSwap(1)", "grGlideShutdown()"}));

    const struct {
        int w, h, resolution;
    } cases[] = {{320, 200, 0}, {512, 256, 11}, {800, 600, 8}};
    for (const auto& c : cases) {
        Video video;
        StartHeadlessDisplay(video, c.w, c.h);
        video.StartGlide();
        EXPECT_EQ(video.glideResolution, c.resolution) << c.w << "x" << c.h;
    }
}

TEST(VideoModes, WithoutSkippingTheDialogThePrimaryDriverIsListedAndTaken) {
    Video video;
    video.headless = true;
    video.Init(0, nullptr);
    video.SetDriverGuid(&video);
    ::testing::internal::CaptureStdout();
    video.CreateDirectDraw(0);
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("Primary Display Driver"), std::string::npos);
    EXPECT_EQ(video.driverGuid, nullptr);
    video.SetMode(640, 480);
    EXPECT_NE(video.primary, nullptr);
}

TEST(VideoNoVideo, FieldsSetButNothingHappens) {
    FrameLog log;
    Video video;
    video.Init(1, nullptr);
    EXPECT_EQ(video.hwnd, 0);
    video.CreateDirectDraw(1);
    video.SetMode(640, 480);
    EXPECT_EQ(video.screenBytes, 640 * 480 * 2);
    EXPECT_EQ(video.primary, nullptr);
    std::uint16_t* pixels = reinterpret_cast<std::uint16_t*>(&video);
    EXPECT_EQ(video.CreateSurface(16, 16, &pixels), nullptr);
    EXPECT_EQ(video.CreateTextureSurface(16, 16, 0), nullptr);
    EXPECT_EQ(video.GetSurfacePixels(nullptr), nullptr);  // no lock error either
    video.Flip();
    video.Cls(0xFFFF);
    video.LockBackBuffer();
    EXPECT_EQ(video.backBufferPixels, nullptr);
    video.LoadBmp8(nullptr, "no such file.bmp");  // would end the process with a display
    video.StartGlide();
    EXPECT_EQ(video.mode, Video::kModeDirectDraw);  // layout changes, mode does not
    EXPECT_EQ(video.redShift, 16);
    EXPECT_TRUE(log.frames.empty());
}

TEST(VideoSurfaces, PointersStayValidAndFlipShowsTheBackBuffer) {
    FrameLog log;
    Video video;
    StartHeadlessDisplay(video);
    // The black start: (backBufferCount + 1) flips of cleared buffers.
    ASSERT_EQ(log.frames.size(), 4u);
    for (auto& f : log.frames) EXPECT_EQ(f, std::vector<std::uint16_t>(640 * 480, 0));

    std::uint16_t* own = nullptr;
    Surface* surface = video.CreateSurface(100, 50, &own);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(own, video.GetSurfacePixels(surface));
    std::uint16_t* screen1 = video.screen1Pixels;
    // Three back buffers: each frame drawn in the back buffer is the next one shown.
    for (std::uint16_t colour : {0x1111, 0x2222, 0x3333, 0x4444, 0x5555}) {
        video.Cls(colour);
        video.LockBackBuffer();
        video.backBufferPixels[5] = 0xBEEF;
        video.UnlockBackBuffer();
        video.Flip();
        EXPECT_EQ(log.frames.back()[0], colour);
        EXPECT_EQ(log.frames.back()[5], 0xBEEF);
    }
    EXPECT_EQ(video.screen1Pixels, screen1);
    EXPECT_EQ(video.GetSurfacePixels(surface), own);
    video.screen1Pixels[7] = 9;
    video.ClearAll();
    EXPECT_EQ(video.screen1Pixels[7], 0);
    EXPECT_EQ(log.frames.back()[0], 0);

    // A 5-5-5 display is shown as 5-6-5.
    Video v555;
    v555.UseDisplayMasks(0x7C00, 0x03E0, 0x001F);
    StartHeadlessDisplay(v555);
    const std::pair<std::uint16_t, std::uint16_t> shades[] = {{0x7C00, 0xF800}, {0x03E0, 0x07E0}, {0x4210, 0x8410}};
    for (auto [rgb555, rgb565] : shades) {
        v555.Cls(rgb555);
        v555.Flip();
        EXPECT_EQ(log.frames.back()[320], rgb565) << std::hex << rgb555;
    }
}

TEST(VideoSurfaces, NoBackBuffersDrawsOnThePrimary) {
    FrameLog log;
    Video video;
    video.SetBackBufferCount(-4);
    EXPECT_EQ(video.backBufferCount, 0);
    StartHeadlessDisplay(video);
    EXPECT_EQ(video.backBuffer, video.primary);
    const std::size_t before = log.frames.size();
    video.Flip();  // nothing to flip
    EXPECT_EQ(log.frames.size(), before);
    video.Cls(0x0F0F);  // the primary is the screen: it shows at once
    ASSERT_GT(log.frames.size(), before);
    EXPECT_EQ(log.frames.back()[1234], 0x0F0F);
    video.SetBackBufferCount(2);  // too late once the mode is set
    EXPECT_EQ(video.backBufferCount, 0);
}

TEST(VideoModes, DirectThreeDFlipsThroughItsChainAndIgnoresCls) {
    FrameLog log;
    Video d3d;
    StartHeadlessDisplay(d3d);
    d3d.StartDirect3D();
    Surface* target = d3d.Create3DSurface(640, 480, 1);
    ASSERT_NE(target, nullptr);
    d3d.ClearSurface(target, 0x7777);
    d3d.Blit(d3d.backBuffer, target);  // how the Direct3D renderers end a frame
    d3d.Flip();                        // through the flip chain
    EXPECT_EQ(log.frames.back()[640 * 480 - 1], 0x7777);
    d3d.Cls(0);  // ignored in Direct3D mode
    for (int i = 0; i < 4; ++i) d3d.Flip();  // four buffers in the chain
    EXPECT_EQ(log.frames.back()[0], 0x7777);  // the chain came round to the same buffer
}

TEST(VideoSurfaces, BlitStretchesAndBlitRectStaysInside) {
    Video video;
    StartHeadlessDisplay(video);
    std::uint16_t* src = nullptr;
    Surface* small = video.CreateSurface(2, 2, &src);
    for (int i = 0; i < 4; ++i) src[i] = static_cast<std::uint16_t>(i + 1);
    std::uint16_t* dst = nullptr;
    Surface* big = video.CreateSurface(4, 4, &dst);
    video.Blit(big, small);
    EXPECT_EQ(std::vector<std::uint16_t>(dst, dst + 16),
              (std::vector<std::uint16_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}));

    video.ClearSurface(big, 0);
    video.BlitRect(big, small, 2, 2, 2, 2);
    EXPECT_EQ(dst[2 * 4 + 2], 1);
    video.BlitRect(big, small, 3, 3, 2, 2);   // would leave the surface
    video.BlitRect(big, small, -1, 0, 2, 2);  // likewise
    video.BlitRect(big, small, 0, 0, 0, 2);   // empty
    EXPECT_EQ(dst[0], 0);
    EXPECT_EQ(dst[3 * 4 + 3], 4);
}

TEST(VideoDeathTest, FatalSitesReportAndExitWithTheirCodes) {
    auto noDirectDraw = [](int width) {
        Video video;
        video.headless = true;
        video.Init(0, nullptr);
        if (width > 0) video.CreateDirectDraw(1);
        video.SetMode(width > 0 ? width : 640, 480);
    };
    EXPECT_EXIT(noDirectDraw(0), ::testing::ExitedWithCode(6), "VVideo Error: Couldn't set the mode");
    EXPECT_EXIT(noDirectDraw(100000), ::testing::ExitedWithCode(6), "Couldn't set the mode");
    Video video;
    StartHeadlessDisplay(video);
    EXPECT_EXIT(video.CreateSurface(0, 10, nullptr), ::testing::ExitedWithCode(28),
                "VVideo Error: Couldn't create Surface");
    EXPECT_EXIT(video.GetSurfacePixels(nullptr), ::testing::ExitedWithCode(21),
                "VVideo Error: Couldn't lock given Surface");
    EXPECT_EXIT(video.SetMode(640, 480), ::testing::ExitedWithCode(7), "Couldn't create Primary Surface");
}
