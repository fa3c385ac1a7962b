#include "tools/assetgen/music/Greeting.h"

#include "tools/assetgen/music/Instruments.h"
#include "tools/assetgen/music/Score.h"

namespace music {
namespace {

const Chord F{5, false}, G{7, false}, Em{4, true}, Am{9, true};
const Chord kProgression[] = {F, G, Em, Am};

const char* const kBellsA = "A5:6 C6:2 F6:8  D6:6 B5:2 G5:8  B5:6 G5:2 E5:8  C6:4 B5:4 A5:8";
const char* const kBellsB = "C6:4 A5:4 F5:4 A5:4  B5:4 D6:4 G6:8  G6:4 E6:4 B5:4 G5:4  A5:8 E5:4 r:4";

}  // namespace

xm::Module ComposeGreeting(const std::vector<xm::Instrument>& instruments) {
    constexpr int kBars = kGreetingPatterns * kRowsPerPattern / kRowsPerBar;
    Score score(kGreetingPatterns, kChannelCount);
    // Bars 0-3 are pads and bells alone, heard once; the loop is bars 4-27, the same texture
    // throughout, so its end runs into its start.
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& chord = kProgression[bar % 4];
        score.PadChord(bar, chord, 52);
        if (bar >= 4) {
            score.Arpeggio(bar, chord, kPluck, 4, "0.1.2.1.3.1.2.1.", 48);
            score.Bass(bar, chord, "R.......^...R.^.", 50);
            score.Drums(bar, "K.......k.....K.", 48);
            score.Drums(bar, "..H...H...H...Hh", 36);
            if (bar % 4 == 3) score.Drums(bar, "............s.s.", 44);
        }
        if (bar % kGreetingSyncBars == 0) score.Sync(bar * kRowsPerBar);
    }
    for (int bar = 0; bar < kBars; bar += 4)
        score.Melody(bar, (bar / 4) % 2 ? kBellsB : kBellsA, kBell, bar < 4 ? 44 : 56, bar >= 4);

    xm::Module m;
    m.name = "greeting";
    m.speed = kSpeed;
    m.bpm = kGreetingBpm;
    m.restart = 1;
    m.instruments = instruments;
    score.Fill(m);
    return m;
}

}  // namespace music
