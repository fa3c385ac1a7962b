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

// Frames reach the screen as 5-6-5. A 3D start moves the engine to 0xRRGGBB, keeps the
// display's format known for the picture effects, and turns 2D clearing off.
TEST(VideoLayout, TwoDThenThreeD) {
    FrameLog log;
    Video video;
    StartHeadlessDisplay(video);
    EXPECT_EQ(ActivePixelLayout().Pack(31, 31, 31), 0xFBFF);  // five bits of green in the top of six
    video.Cls(0xFC04);
    video.Flip();
    EXPECT_EQ(log.frames.back()[320], 0xFC04);
    video.StartGlide();
    EXPECT_EQ(video.mode, Video::kModeGlide);
    EXPECT_EQ(ActivePixelLayout().Pack(0x12, 0x34, 0x56), 0x123456);
    EXPECT_EQ(std::make_pair(video.displayRedMask, video.displayRedShift), std::make_pair(0xF800u, 11));
    for (int i = 0; i < 5; ++i) {  // round any flip chain
        video.Cls(0x1234);
        video.Flip();
        EXPECT_NE(log.frames.back()[0], 0x1234);
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

// Each frame drawn is the next one shown, the flip chain coming round; ClearAll clears the
// screens.
TEST(VideoSurfaces, FlipShowsTheBackBuffer) {
    FrameLog log;
    Video video;
    StartHeadlessDisplay(video);
    ASSERT_FALSE(log.frames.empty());  // the start shows black frames only
    for (const auto& f : log.frames) EXPECT_EQ(std::count(f.begin(), f.end(), 0), 640 * 480);
    for (std::uint16_t colour : {0x1111, 0x2222, 0x3333, 0x4444, 0x5555}) {
        video.Cls(colour);
        video.LockBackBuffer();
        video.backBufferPixels[5] = 0xBEEF;
        video.UnlockBackBuffer();
        video.Flip();
        EXPECT_EQ(log.frames.back()[0], colour);
        EXPECT_EQ(log.frames.back()[5], 0xBEEF);
    }
    video.screen1Pixels[7] = 9;
    video.ClearAll();
    EXPECT_EQ(video.screen1Pixels[7], 0);
    EXPECT_EQ(log.frames.back()[0], 0);
}

// The sky's picture is blown up to the screen: each source pixel fills its block.
TEST(VideoSurfaces, BlitStretches) {
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
