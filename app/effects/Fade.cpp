#include "app/effects/Fade.h"

#include <algorithm>
#include <vector>

#include "app/Globals.h"
#include "app/Scene.h"

namespace {

int Toward(int value, int target, bool& changed) {
    if (value > target) {
        changed = true;
        return value - 1;
    }
    if (value < target) {
        changed = true;
        return value + 1;
    }
    return value;
}

}  // namespace

void FrameToDisplay(const std::uint16_t* frame565, std::uint16_t* out, std::size_t count, const PixelChannels& c) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t p = frame565[i];
        const std::uint32_t green6 = (p & 0x7E0) >> 5;
        std::uint16_t q = c.Pack(static_cast<int>((p & 0xF800) >> 11), static_cast<int>(green6 >> 1),
                                 static_cast<int>(p & 0x1F));
        if (c.greenLowBit && (green6 & 1)) q = static_cast<std::uint16_t>(q | c.greenLowBit);
        out[i] = q;
    }
}

bool FadeStep(std::uint16_t* current, const std::uint16_t* target, std::size_t count, const PixelChannels& c) {
    bool changed = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t s = current[i];
        const std::uint32_t t = target[i];
        const int r = Toward(c.Red(s), c.Red(t), changed);
        const int g = Toward(c.Green(s), c.Green(t), changed);
        const int b = Toward(c.Blue(s), c.Blue(t), changed);
        // The green bit below the five channel bits is the target's at once: it is too small
        // a step to fade, and the picture must come out exact.
        if ((s & c.greenLowBit) != (t & c.greenLowBit)) changed = true;
        current[i] = static_cast<std::uint16_t>(c.Pack(r, g, b) | (t & c.greenLowBit));
    }
    return changed;
}

void FadeToPicture(const char* bmpFileName) {
    video.LockScreen1();
    video.LockScreen2();
    std::uint16_t* screen1 = video.screen1Pixels;
    std::uint16_t* screen2 = video.screen2Pixels;
    if (!screen1 || !screen2 || !video.screen1 || !video.screen2) return;  // no display to fade
    const std::size_t count = std::min(video.screen1->PixelCount(), video.screen2->PixelCount());
    const PixelChannels channels = PixelChannels::ForDisplay(video.displayRedShift, video.displayRedMask);

    Scene scene("FadeToPicture");
    // The caller's camera comes back afterwards; the fade's own one dies with it.
    Camera* previousCamera = world.camera;
    Camera camera;
    world.SetCamera(&camera);

    // The last shown frame, from whichever 3D layer showed it; black when it cannot be read.
    const int w = std::max(video.width, 0);
    const int h = std::max(video.height, 0);
    std::vector<std::uint16_t> frame(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    if (!frame.empty()) video.ReadShownFrame(frame.data(), w, h);
    FrameToDisplay(frame.data(), screen1, std::min(count, frame.size()), channels);

    if (bmpFileName)
        video.LoadPicture(video.screen2, bmpFileName);
    else
        std::fill(screen2, screen2 + video.screen2->PixelCount(), std::uint16_t{0});
    world.SetBackground(video.screen1);

    for (;;) {
        const bool changed = FadeStep(screen1, screen2, count, channels);
        scene.Pass();
        if (!changed) break;
    }

    world.SetBackground(nullptr);
    world.SetCamera(previousCamera);
}
