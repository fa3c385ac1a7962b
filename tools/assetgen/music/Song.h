#pragma once

// "solmire.xm": the show's soundtrack, and the table of cues its sync rows carry.

#include <vector>

#include "tools/assetgen/xm/XmWriter.h"

namespace music {

constexpr int kSongBpm = 125;
constexpr int kSongPatterns = 45;  // 5 min 46 s
constexpr int kSongRestart = 36;   // the loop goes back to the start of the finale

// A sync command heard `seconds` after the song starts; `cues` names the scene and phase
// waiting for it.
struct Cue {
    double seconds;
    const char* cues;
};

// The one cue table, in time order.
const std::vector<Cue>& SongCues();

// The row nearest to `seconds` at `bpm`.
int CueRow(double seconds, int bpm);

xm::Module ComposeSong(const std::vector<xm::Instrument>& instruments);

}  // namespace music
