// F12 and Alt+Enter reach the window through SDL's own event queue, as a person's keys do.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <SDL.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/Screenshot.h"
#include "engine/input/Input.h"
#include "engine/video/App.h"
#include "platform/os/Window.h"
#include "support/Headless.h"
#include "support/PushKey.h"

namespace {

namespace fs = std::filesystem;

// The picture of a PNG file as 0xRRGGBB values; empty when it cannot be read.
std::vector<std::uint32_t> ReadPng(const fs::path& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return {};
    width = static_cast<int>(image.width), height = static_cast<int>(image.height);
    std::vector<std::uint32_t> out(bytes.size() / 3);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = std::uint32_t(bytes[3 * i]) << 16 | std::uint32_t(bytes[3 * i + 1]) << 8 | bytes[3 * i + 2];
    return out;
}

}  // namespace

TEST(ScreenshotKey, F12WritesTheShownFrameAtItsSizeUnderTheNextFreeNumber) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("shots" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
        std::FILE* taken = std::fopen((dir / "solmire-0000.png").c_str(), "wb");   // someone else's file
        ASSERT_NE(taken, nullptr);
        std::fclose(taken);
    }
    Video video;
    Input input;
    App app(video, input);
    app.Init(0, nullptr);
    ASSERT_NE(video.hwnd, 0);
    os::SetScreenshotHandler(
        [&](const std::uint16_t* p, int w, int h) { SaveScreenshot(dir.string(), p, w, h); });

    // A frame as a board drawing at twice the screen's size shows it: red left, blue right.
    const int w = 1280, h = 960;
    std::vector<std::uint16_t> frame(std::size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) frame[std::size_t(y) * w + x] = x < w / 2 ? 0xF800 : 0x001F;
    PushKey(SDL_SCANCODE_F12, SDLK_F12);   // nothing shown yet: nothing written
    app.PumpMessages();
    os::PresentToWindow(frame.data(), w, h);
    PushKey(SDL_SCANCODE_F12, SDLK_F12);
    ::testing::internal::CaptureStderr();
    app.PumpMessages();
    app.PumpMessages();
    const std::string said = ::testing::internal::GetCapturedStderr();
    os::SetScreenshotHandler({});

    EXPECT_NE(said.find("solmire-0001.png"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(dir / "solmire-0002.png"));
    int width = 0, height = 0;
    const std::vector<std::uint32_t> picture = ReadPng(dir / "solmire-0001.png", width, height);
    ASSERT_FALSE(picture.empty());
    EXPECT_EQ(width, w);
    EXPECT_EQ(height, h);
    EXPECT_EQ(picture[0], 0xFF0000u);
    EXPECT_EQ(picture[std::size_t(h - 1) * w + w - 1], 0x0000FFu);
    EXPECT_EQ(NextScreenshotPath(dir.string()), (dir / "solmire-0002.png").string());
    fs::remove_all(dir);
}

TEST(ScreenshotKey, AltEnterSwitchesBetweenWindowAndFullScreen) {
    Video video;
    Input input;
    App app(video, input);
    app.Init(0, nullptr);
    ASSERT_NE(video.hwnd, 0);
    const bool before = os::IsMainWindowFullScreen();
    auto altEnter = [] {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.keysym.scancode = SDL_SCANCODE_RETURN;
        e.key.keysym.sym = SDLK_RETURN;
        e.key.keysym.mod = KMOD_LALT;
        SDL_PushEvent(&e);
    };
    altEnter();
    app.PumpMessages();
    EXPECT_NE(os::IsMainWindowFullScreen(), before);
    altEnter();
    app.PumpMessages();
    EXPECT_EQ(os::IsMainWindowFullScreen(), before);
}
