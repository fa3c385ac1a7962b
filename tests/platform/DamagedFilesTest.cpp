// Damaged pictures, samples and modules, built here byte by byte: each is refused, or played, at
// a cost bounded by the bytes it holds, never by what its headers claim.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/music/Music.h"
#include "music/MusicFixtures.h"
#include "platform/os/Image.h"
#include "platform/sound/ModulePlayer.h"
#include "platform/sound/Sample.h"
#include "support/BmpFiles.h"
#include "support/Headless.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool Fits(const Bytes& f) { return os::BmpHeaderFits(f.data(), f.size(), f.size()); }

// 16-bit PCM at 22050 Hz; the data chunk says it holds `claimed` bytes.
Bytes Wav(int channels, const Bytes& data, std::uint32_t claimed) {
    Bytes b;
    auto put = [&](std::uint32_t v, int n) { for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
    auto tag = [&](const char* t) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(t[i])); };
    tag("RIFF"), put(36 + static_cast<std::uint32_t>(data.size()), 4), tag("WAVE"), tag("fmt "), put(16, 4);
    put(1, 2), put(channels, 2), put(22050, 4), put(22050 * 2 * channels, 4), put(2 * channels, 2), put(16, 2);
    tag("data"), put(claimed, 4);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// The user's module: 256 patterns of 1024 rows on 127 channels, all played, none stored but
// `cell`, packed into pattern 0.
Bytes WideEmptyXm(const Bytes& cell) {
    Bytes x(336, 0);
    std::memcpy(x.data(), "Extended Module: ", 17);
    x[37] = 0x1A, x[58] = 4, x[59] = 1, x[60] = 20, x[61] = 1;    // version 1.04, 276-byte header
    x[65] = 1, x[68] = 127, x[71] = 1, x[76] = 6, x[78] = 125;   // 256 orders and patterns
    for (int i = 0; i < 256; ++i) x[80 + i] = static_cast<std::uint8_t>(i);
    for (int p = 0; p < 256; ++p) {
        x.insert(x.end(), {9, 0, 0, 0, 0, 0, 4, static_cast<std::uint8_t>(p ? 0 : cell.size()), 0});
        if (p == 0) x.insert(x.end(), cell.begin(), cell.end());
    }
    return x;
}

// The same module with `extra` empty channels after its own; patterns holding nothing are
// stored empty (packed size 0) whatever their width.
Bytes Widen(const Bytes& b, int extra) {
    Bytes w(b.begin(), b.begin() + 336);
    const int channels = b[68];
    w[68] = static_cast<std::uint8_t>(channels + extra);
    std::size_t at = 336;
    for (int p = 0; p < b[70]; ++p) {
        const std::size_t end = at + 9 + (b[at + 7] | b[at + 8] << 8), head = w.size();
        const bool empty = std::all_of(b.begin() + at + 9, b.begin() + end, [](std::uint8_t c) { return c == 0x80; });
        w.insert(w.end(), b.begin() + at, b.begin() + at + 9);
        for (std::size_t in = at + 9, cell = 1; in < end && !empty; ++cell) {
            const std::size_t n = (b[in] & 0x80) ? 1 + std::popcount(b[in] & 0x1Fu) : 5;
            w.insert(w.end(), b.begin() + in, b.begin() + in + n);
            in += n;
            if (cell % channels == 0) w.insert(w.end(), extra, 0x80);
        }
        w[head + 7] = static_cast<std::uint8_t>(w.size() - head - 9);
        w[head + 8] = static_cast<std::uint8_t>((w.size() - head - 9) >> 8);
        at = end;
    }
    w.insert(w.end(), b.begin() + at, b.end());
    return w;
}

std::vector<float> Play(sound::ModulePlayer& m, std::vector<sound::SyncEvent>& events) {
    std::vector<float> out(2 * sound::kMixRate);
    m.Render(out.data(), sound::kMixRate, 0, events);
    return out;
}

}  // namespace

TEST(DamagedFiles, PictureHeadersAreJudgedBeforeTheDecoder) {
    const auto px = [](int x, int y) { return bmp::Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 9}; };
    const Bytes good = bmp::Bmp24(3, 2, px), tall = bmp::Bmp24(1, 4096, px, true);
    Bytes cut = good, huge = good, narrow = good, wide = good, deep = tall, rle = bmp::Bmp8Rle(4, 4, {}, [](int, int) { return std::uint8_t{1}; });
    cut.pop_back();
    bmp::Put32(huge, 18, 17), bmp::Put32(huge, 22, 134217728);  // 78 bytes, as the user's file
    bmp::Put32(narrow, 18, 0), bmp::Put32(wide, 18, 4097), bmp::Put32(deep, 22, static_cast<std::uint32_t>(-4097));
    EXPECT_TRUE(Fits(good) && Fits(tall));
    EXPECT_FALSE(Fits(cut) || Fits(huge) || Fits(narrow) || Fits(wide) || Fits(deep));
    EXPECT_FALSE(os::BmpHeaderFits(good.data(), 30, good.size()));  // header cut short
    // RLE data decodes until it ends: only the sides bound it.
    bmp::Put32(rle, 18, 4096), bmp::Put32(rle, 22, 4096);
    const bool capped = Fits(rle);
    bmp::Put32(rle, 22, 4097);
    EXPECT_TRUE(capped && !Fits(rle));

    const std::string path = bmp::Write("damaged_huge.bmp", huge);
    EXPECT_EXIT(
        {
            Video video;
            StartHeadlessDisplay(video);
            video.LoadPicture(video.screen1, path.c_str());
        },
        testing::ExitedWithCode(15), "VVideo Error: Cannot get image file : .*damaged_huge.bmp");
}

TEST(DamagedFiles, SamplesWithoutAFrameOrClaimingMoreThanTheFileAreRefused) {
    const std::string noFrame = bmp::Write("damaged_part.wav", Wav(2, {1, 2, 3}, 3));
    const std::string claims = bmp::Write("damaged_claim.wav", Wav(1, {1, 2, 3, 4}, 0xFFFFFFF0u));
    std::string error;
    EXPECT_FALSE(sound::Sample::LoadWav(noFrame, error));
    EXPECT_NE(error.find("no whole sample frame"), std::string::npos) << error;
    // Our own reading of the chunks refuses this, before SDL allocates what it claims.
    EXPECT_FALSE(sound::Sample::LoadWav(claims, error));
    EXPECT_NE(error.find("\"data\" claims 4294967280 bytes"), std::string::npos) << error;
    // One whole frame and a stray byte: the frame plays.
    const auto one = sound::Sample::LoadWav(bmp::Write("damaged_one.wav", Wav(2, {1, 2, 3, 4, 5}, 5)), error);
    ASSERT_TRUE(one && one->Frames() == 1) << error;
    const auto pcm = one->AtRate(22050, error);
    EXPECT_TRUE(pcm && !pcm->empty()) << error;

    Music music;
    for (const std::string& path : {noFrame, claims})
        EXPECT_EXIT(music.LoadSample(path.c_str()), testing::ExitedWithCode(155), "VMusic Error: Couldn't load WAV file");
}

TEST(DamagedFiles, WideEmptyModuleCostsTheCellsItStores) {
    const Bytes bytes = WideEmptyXm({49, 0, 0, xm::EffectLetter('W'), 0x42});  // an unpacked cell, channel 0
    std::string error;
    auto m = sound::ModulePlayer::Load(bytes.data(), bytes.size(), error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->ScannedCells(), 1u);  // of 33 million claimed
    EXPECT_EQ(m->Channels(), 1);       // the library holds one channel's rows, not 127
    EXPECT_TRUE(m->SyncRowCount() == 1 && m->IsSyncRow(0, 0));
    std::vector<sound::SyncEvent> events;
    const std::vector<float> out = Play(*m, events);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return s == 0; }));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 0x42);
}

TEST(DamagedFiles, ChannelsNoPatternUsesAreLeftOutWithoutChangingTheMusic) {
    // A looped tone and a sync; with 101 channels, more cells than FastTracker 2 holds.
    xm::Module song = fixtures::Blank(2, std::vector<int>(84, 256), {0});
    fixtures::AddTone(song);
    fixtures::Sync(song, 0, 8, 1, 5);
    const Bytes narrow = xm::Write(song), wide = Widen(narrow, 99);
    std::string error;
    auto a = sound::ModulePlayer::Load(narrow.data(), narrow.size(), error);
    auto b = sound::ModulePlayer::Load(wide.data(), wide.size(), error);
    ASSERT_TRUE(a && b) << error;
    EXPECT_EQ(b->Channels(), 2);
    EXPECT_EQ(b->ScannedCells(), 256u * 101);  // the one pattern stored
    std::vector<sound::SyncEvent> ea, eb;
    EXPECT_EQ(Play(*a, ea), Play(*b, eb));
    ASSERT_TRUE(ea.size() == 1 && eb.size() == 1);
    EXPECT_TRUE(eb[0].frame == ea[0].frame && eb[0].row == 8 && eb[0].value == 5);
}
