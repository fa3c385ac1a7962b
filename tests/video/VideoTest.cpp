#include <gtest/gtest.h>

#include <algorithm>
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
    std::vector<std::pair<int, int>> sizes;
    FrameLog() {
        os::SetFrameSink([this](const std::uint16_t* p, int w, int h) {
            frames.emplace_back(p, p + w * h);
            sizes.emplace_back(w, h);
        });
    }
    ~FrameLog() { os::SetFrameSink({}); }
};

}  // namespace

// The 2D layout follows the display's masks, and frames reach the screen as 5-6-5. A 3D start
// moves the engine to 0xRRGGBB, keeps the display's format known for the picture effects,
// and turns 2D clearing off.
TEST(VideoLayout, DisplayMasksThenThreeD) {
    const struct {
        std::uint32_t red, green;
        int white;           // Pack(31, 31, 31) in the 2D layout
        std::uint16_t pixel;  // red 31, green 16, blue 4 in the display's format
        bool glide;
    } cases[] = {{0xF800, 0x07E0, 0xFBFF, 0xFC04, true},    // five bits of green in the top of six
                 {0x7C00, 0x03E0, 0x7FFF, 0x7E04, false}};  // 5-5-5, then Direct3D
    for (const auto& c : cases) {
        FrameLog log;
        Video video;
        video.UseDisplayMasks(c.red, c.green, 0x001F);
        StartHeadlessDisplay(video);
        EXPECT_EQ(ActivePixelLayout().Pack(31, 31, 31), c.white);
        video.Cls(c.pixel);
        video.Flip();
        EXPECT_EQ(log.frames.back()[320], 0xFC04);
        c.glide ? video.StartGlide() : video.StartDirect3D();
        EXPECT_EQ(video.mode, c.glide ? Video::kModeGlide : Video::kModeDirect3D);
        EXPECT_EQ(ActivePixelLayout().Pack(0x12, 0x34, 0x56), 0x123456);
        EXPECT_EQ(video.displayRedMask, c.red);
        EXPECT_EQ(c.red >> video.displayRedShift, 31u);
        for (int i = 0; i < 5; ++i) {  // round any flip chain
            video.Cls(0x1234);
            video.Flip();
            EXPECT_NE(log.frames.back()[0], 0x1234);
        }
    }
    Video odd;
    odd.UseDisplayMasks(0, 0x07E0, 0x001F);  // no red bit in the low 16: the search must stop
    StartHeadlessDisplay(odd);
    EXPECT_EQ(odd.redShift, 16);
}

// Glide opens the board at the screen's size (640x480 for sizes it does not know), presents
// through its buffer swap, leaves no 2D back buffer to draw into, and shuts down once however
// often Shutdown runs.
TEST(VideoModes, GlideOpensTheBoardAtTheScreenSize) {
    int shutdowns = 0;
    glideSetCallRecorder([&](const std::string& call) { shutdowns += call.rfind("grGlideShutdown", 0) == 0; });
    const struct {
        int w, h, boardW, boardH;
    } cases[] = {{640, 480, 640, 480}, {320, 200, 320, 200}, {800, 600, 800, 600}, {1024, 768, 640, 480}};
    for (const auto& c : cases) {
        FrameLog log;
        Video video;
        StartHeadlessDisplay(video, c.w, c.h);
        video.StartGlide();
        video.LockBackBuffer();
        EXPECT_EQ(video.backBufferPixels, nullptr);
        const std::size_t before = log.frames.size();
        video.Flip();
        ASSERT_EQ(log.frames.size(), before + 1);
        EXPECT_EQ(log.sizes.back(), std::make_pair(c.boardW, c.boardH)) << c.w << "x" << c.h;
        video.Shutdown();
        video.Shutdown();
    }
    glideSetCallRecorder({});
    EXPECT_EQ(shutdowns, 4);
}

// With back buffers each frame drawn is the next one shown, the chain coming round; without
// (a count below zero is none) the primary is the screen and shows what is drawn at once.
// Only the chain trades memory.
TEST(VideoSurfaces, FlipShowsTheBackBufferOrThePrimaryShowsAtOnce) {
    for (int count : {3, -4}) {
        FrameLog log;
        Video video;
        video.SetBackBufferCount(count);
        StartHeadlessDisplay(video);
        ASSERT_FALSE(log.frames.empty());  // the start shows black frames only
        for (const auto& f : log.frames) EXPECT_EQ(std::count(f.begin(), f.end(), 0), 640 * 480);
        std::uint16_t* screen1 = video.screen1Pixels;
        for (std::uint16_t colour : {0x1111, 0x2222, 0x3333, 0x4444, 0x5555}) {
            video.Cls(colour);
            video.LockBackBuffer();
            video.backBufferPixels[5] = 0xBEEF;
            video.UnlockBackBuffer();
            const std::size_t before = log.frames.size();
            video.Flip();
            EXPECT_EQ(log.frames.size(), before + (count > 0)) << count;
            EXPECT_EQ(log.frames.back()[0], colour) << count;
            EXPECT_EQ(log.frames.back()[5], 0xBEEF) << count;
        }
        EXPECT_EQ(video.screen1Pixels, screen1);
        video.screen1Pixels[7] = 9;
        video.ClearAll();
        EXPECT_EQ(video.screen1Pixels[7], 0);
        EXPECT_EQ(log.frames.back()[0], 0);
    }
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
    video.BlitRect(big, small, 3, 3, 2, 2);   // would leave the surface
    video.BlitRect(big, small, -1, 0, 2, 2);  // likewise
    video.BlitRect(big, small, 0, 0, 0, 2);   // empty
    EXPECT_EQ(std::vector<std::uint16_t>(dst, dst + 16),
              (std::vector<std::uint16_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 3, 4}));
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
