#pragma once

// The instrument set both modules share, synthesised by the generator. Numbers are the XM
// instrument numbers the patterns use.

#include <cstdint>
#include <vector>

#include "tools/assetgen/xm/XmWriter.h"

namespace music {

enum InstrumentNumber : std::uint8_t {
    kKick = 1,
    kSnare,
    kClap,
    kHatClosed,
    kHatOpen,
    kCrash,
    kBass,
    kPad,
    kLead,
    kPluck,
    kBell,
    kInstrumentCount = kBell
};

// The mix: each instrument's level (0..64), its samples' default volume. Notes written with
// a volume of their own are scaled by it, so the balance is set here and the patterns only
// carry the dynamics.
int MixLevel(int instrument);

// Every instrument, in number order. The same bytes on every call.
std::vector<xm::Instrument> MakeInstruments();

}  // namespace music
