// The XM writer: what it writes is what a player reads back; what the format cannot hold is refused.

#include "MusicFixtures.h"
#include "platform/sound/ModulePlayer.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::unique_ptr<sound::ModulePlayer> Read(const xm::Module& m) {
    const std::vector<std::uint8_t> bytes = xm::Write(m);
    std::string error;
    auto p = sound::ModulePlayer::Load(bytes.data(), bytes.size(), error);
    EXPECT_TRUE(p) << error;
    return p;
}

// Mean square of the module's sound from 0.51 to 0.6 s.
double Energy(const xm::Module& m) {
    const auto p = Read(m);
    if (!p) return -1;
    std::vector<float> out(2 * (22500 + 4000));
    std::vector<sound::SyncEvent> events;
    p->Render(out.data(), 22500 + 4000, 0, events);
    double e = 0;
    for (std::size_t i = 2 * 22500; i < out.size(); ++i) e += out[i] * out[i];
    return e / (2 * 4000);
}

TEST(XmWriter, OrdersTempoPatternsAndSyncRowsReadBack) {
    xm::Module m = fixtures::Blank(6, {64, 20, 7}, {2, 0, 1, 0});
    m.speed = 3;
    m.bpm = 150;
    m.restart = 1;
    fixtures::Sync(m, 1, 19, 5);
    fixtures::Sync(m, 2, 6, 0);
    fixtures::Sync(m, 0, 0, 2);
    const auto p = Read(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Channels(), 6);
    EXPECT_EQ(p->SyncRowCount(), 3);
    EXPECT_TRUE(p->IsSyncRow(1, 19) && p->IsSyncRow(2, 6));
    EXPECT_FALSE(p->IsSyncRow(2, 5) || p->IsSyncRow(3, 0));
    // One pass: 7 + 64 + 20 + 64 rows of 3 ticks of 2.5/150 s.
    EXPECT_NEAR(p->DurationSeconds(), (7 + 64 + 20 + 64) * 3 * 2.5 / 150, 1e-3);
}

TEST(XmWriter, LoopedSamplesAndEnvelopesPlay) {
    // (The song loops at 0.64 s.)
    // A 0.01 s sample, looped, under a volume envelope that holds at its sustain point: still
    // sounding long after the sample's own length. Without the loop it would be silent.
    xm::Module m = fixtures::Blank(2, {64}, {0});
    fixtures::AddTone(m);
    xm::Instrument& in = m.instruments[0];
    in.volumeEnvelope = {{{0, 64}, {5, 48}, {40, 0}}, true, 1, -1, -1};
    in.fadeout = 0;
    fixtures::At(m, 0, 0, 0) = {xm::Note(4, 0), 1, 0, 0, 0};
    const double held = Energy(m);
    EXPECT_GT(held, 1e-3);

    m.instruments[0].samples[0].loop = xm::LoopType::None;
    EXPECT_LT(Energy(m), held / 1000);

    // Key off releases the sustain: the envelope runs down to 0.
    m.instruments[0].samples[0].loop = xm::LoopType::PingPong;
    fixtures::At(m, 0, 2, 0) = {xm::kKeyOff, 0, 0, 0, 0};
    EXPECT_LT(Energy(m), held / 1000);
}

TEST(XmWriter, RefusesWhatTheFormatCannotHold) {
    auto refused = [](auto change) {
        xm::Module m = fixtures::Blank(4, {16}, {0});
        fixtures::AddTone(m);
        change(m);
        EXPECT_THROW(xm::Write(m), std::invalid_argument);
    };
    refused([](xm::Module& m) { m.channels = 33; });
    refused([](xm::Module& m) { m.restart = 1; });
    refused([](xm::Module& m) { m.orders.push_back(1); });
    refused([](xm::Module& m) { m.orders.clear(); });
    refused([](xm::Module& m) { m.patterns[0].rows = 300; });
    refused([](xm::Module& m) { fixtures::At(m, 0, 3, 1).instrument = 2; });
    refused([](xm::Module& m) { fixtures::At(m, 0, 3, 1).effect = 36; });
    refused([](xm::Module& m) { m.instruments[0].samples[0].loopLength = 257; });
    refused([](xm::Module& m) { m.instruments[0].volumeEnvelope.points.resize(13); });
    refused([](xm::Module& m) { m.instruments[0].noteSample[10] = 1; });
    refused([](xm::Module& m) { m.bpm = 300; });
}

}  // namespace
