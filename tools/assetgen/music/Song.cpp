#include "tools/assetgen/music/Song.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "tools/assetgen/music/Instruments.h"
#include "tools/assetgen/music/Score.h"

namespace music {

// Where the scenes wait for the music. Each time is where the waiting phase should begin, from
// the scenes' pass counts at 30 passes a second counted on from the cue before, plus a margin,
// on a beat. The margins lean late: a cue heard before its scene has started is taken by the
// scene before it or lost, and every later scene then waits one cue too long. To move a cue,
// change its time here: the sync lands on the nearest row.
const std::vector<Cue>& SongCues() {
    static const std::vector<Cue> cues = {
        {7.68, "TitleScene (a): the logo appears after the rocks alone"},
        {21.12, "TitleScene (c): the halos have crossed (220 + 167 passes)"},
        {24.00, "TitleScene (d): after the camera's retreat (64 passes), \"presents\""},
        {30.72, "TitleScene (f): \"presents\" has flown off (170 passes); the title words come"},
        {46.08, "TitleScene (h): after the words' approach and 300 turning passes, they burst"},
        {112.08, "MothershipRingScene: the ship starts (title 1572 with its fade, planet 1289, tunnel 333, "
                 "ring rushes 50 and the ship standing 45 passes, and a second's margin)"},
        {152.40, "FleetLaunchScene: end (ring about 140, battle 956, launch 167 passes and a second on)"},
        {159.84, "FountainScene: the card swells (fade 32, the park's 150 passes and a second)"},
        {218.28, "MissileScene: end after the logo bursts (park 7 and its fade 30, mountains 596, forest "
                 "400, missiles 681 passes to the last sun, and a second)"},
        {223.32, "LighthouseEffect: end (fade 31, entry 59, a sweep of 60 passes)"},
        {241.44, "LakeScene: segment 5, the figure raises its arms (segments 0 to 4, 500 passes, and a "
                 "second and a half)"},
    };
    return cues;
}

int CueRow(double seconds, int bpm) { return static_cast<int>(std::lround(seconds / RowSeconds(bpm))); }

namespace {

// Chords by name, in A minor and its relatives.
const Chord Am{9, true}, Dm{2, true}, Em{4, true}, F{5, false}, C{0, false}, G{7, false}, E{4, false};

struct Progression {
    Chord bars[4];
};

// Melodies over four bars, one per progression (64 rows each).
const char* const kThemeA =
    "E5:4 A5:4 C6:2 B5:2 A5:4  C6:6 A5:2 F5:4 A5:4  G5:4 E5:4 G5:2 C6:2 E6:4  D6:6 B5:2 G5:4 r:4";
const char* const kThemeB =
    "E6:4 D6:2 C6:2 B5:4 A5:4  C6:4 A5:2 F5:2 A5:4 C6:4  E6:6 D6:2 C6:4 G5:4  B5:4 D6:4 G6:6 r:2";
const char* const kDriveA =
    "A5:2 A5:2 C6:2 A5:2 E6:4 D6:2 C6:2  C6:2 A5:2 F5:2 A5:2 C6:4 r:4  "
    "B5:2 G5:2 D6:2 B5:2 G6:4 F6:2 E6:2  E6:8 B5:4 E6:2 r:2";
const char* const kDriveB =
    "A5:2 A5:2 C6:2 A5:2 E6:4 D6:2 C6:2  C6:2 A5:2 F5:2 A5:2 C6:4 D6:4  "
    "D6:2 B5:2 G5:2 B5:2 D6:4 E6:2 F6:2  G#5:4 B5:4 E6:6 r:2";
const char* const kBrightA =
    "G5:2 C6:2 E6:2 G6:4 E6:2 D6:2 C6:2  D6:4 B5:2 G5:2 B5:4 D6:4  "
    "C6:2 E6:2 A6:4 G6:2 E6:2 C6:4  A5:4 C6:4 F6:6 E6:2";
const char* const kBrightB =
    "G5:2 C6:2 E6:2 G6:4 E6:2 D6:2 C6:2  D6:4 B5:2 G5:2 B5:4 D6:4  "
    "C6:2 F6:2 A6:4 G6:2 F6:2 C6:4  D6:4 B5:4 G5:4 D6:2 r:2";
const char* const kClimaxA =
    "A6:4 G6:2 F6:2 C6:4 F6:4  G6:4 F6:2 D6:2 B5:4 D6:4  E6:4 G6:4 B6:4 G6:4  A6:12 r:4";
const char* const kClimaxB =
    "C6:2 F6:2 A6:4 G6:2 F6:2 E6:2 F6:2  D6:4 G6:4 B6:4 A6:2 G6:2  A6:4 E6:4 C6:4 E6:4  A6:8 G6:4 E6:2 r:2";
const char* const kBridgeBells = "D5:8 F5:8  E5:8 C5:8  A5:8 C6:8  B5:8 G#5:8";
const char* const kBreakdownBells = "A5:8 C6:8  B5:8 D6:8  B5:8 G5:8  C6:8 E6:8";
const char* const kIntroBells = "E5:8 A5:8  F5:8 C6:8  E5:8 G5:8  D5:8 B5:8";

// Drum bars (16 rows).
const char* const kFourKick = "K...K...K...K...";
const char* const kPushKick = "K...K...K...K.k.";
const char* const kBackbeat = "....S.......S...";
const char* const kClapBeat = "....C.......C...";
const char* const kOffHats = "..H...H...H...H.";
const char* const kRideHats = "hhohhhohhhohhhoh";
const char* const kDriveHats = "HhoHHhoHHhoHHhoH";
const char* const kFillSnare = "....S...S.s.SsSS";
const char* const kRollSnare = "s.s.s.s.ssssSSSS";

class SongWriter {
public:
    SongWriter() : score_(kSongPatterns, kChannelCount) {}

    // Bars 0-23: the title. Pads alone, then bells and a soft arpeggio when the logo comes,
    // hats, the bass, and a soft kick for the words; a roll into the build.
    void Intro(int first) {
        const Progression p{{Am, F, C, G}};
        for (int i = 0; i < 24; ++i) {
            const int bar = first + i;
            const Chord& chord = p.bars[i % 4];
            score_.PadChord(bar, chord, 28 + i);
            if (i >= 4) score_.Arpeggio(bar, chord, kPluck, 4, "0.1.2.3.2.1.0.1.", 30 + i);
            if (i >= 8) score_.Drums(bar, kOffHats, 24 + i);
            if (i >= 12) score_.Bass(bar, chord, "R.............^.", 36);
            if (i >= 16) score_.Drums(bar, "k.......k.......", 48);
        }
        for (int i = 4; i < 24; i += 4) score_.Melody(first + i, kIntroBells, kBell, 34, false);
        score_.Drums(first + 16, "X...............", 54);
        score_.Drums(first + 23, kRollSnare, 50);
    }

    // The planet, and again for the figure and the logo. Four on the floor, the bass in eighths, the arpeggio in
    // sixteenths, then the theme.
    void Build(int first, int bars) {
        const Progression p{{Am, F, C, G}};
        for (int i = 0; i < bars; ++i) {
            const int bar = first + i;
            const Chord& chord = p.bars[i % 4];
            score_.PadChord(bar, chord, 40);
            score_.Drums(bar, kFourKick, 56);
            score_.Drums(bar, kOffHats, 44);
            if (i >= 8) score_.Drums(bar, kClapBeat, 56);
            score_.Bass(bar, chord, "R.r.R.r.R.r.O.r.", 48);
            score_.Arpeggio(bar, chord, kPluck, 5, i >= 4 ? "0120012001200124" : "0.1.2.1.0.1.2.1.", 44);
        }
        score_.Drums(first, "X...............", 60);
        for (int i = 8; i + 4 <= bars; i += 8) {
            score_.Melody(first + i, kThemeA, kLead, 44, false);
            if (i + 8 <= bars) score_.Melody(first + i + 4, kThemeB, kLead, 44, false);
        }
        score_.Drums(first + bars - 1, kRollSnare, 60);
    }

    // The tunnel, the ring and the battles. Sixteenth hats with open off-beats, the
    // bass bouncing in octaves, the driving melody in phrases of eight bars.
    void Drive(int first, int bars) {
        const Progression a{{Am, F, G, Em}}, b{{Am, F, G, E}};
        for (int i = 0; i < bars; ++i) {
            const int bar = first + i;
            const Chord& chord = (i / 4) % 2 ? b.bars[i % 4] : a.bars[i % 4];
            score_.PadChord(bar, chord, 32);
            score_.Drums(bar, kFourKick, 60);
            score_.Drums(bar, i % 8 == 7 || i == bars - 1 ? kFillSnare : kBackbeat, 60);
            score_.Drums(bar, kRideHats, 48);
            score_.Bass(bar, chord, "RRO.RRO.RRO.RRO.", 50);
            score_.Arpeggio(bar, chord, kPluck, 5, "0124210401242104", 42);
            if (i % 8 == 0) score_.Drums(bar, "X...............", 60);
        }
        for (int i = 4; i + 8 <= bars; i += 8) {
            score_.Melody(first + i, kDriveA, kLead, 46, true);
            score_.Melody(first + i + 4, kDriveB, kLead, 46, true);
        }
    }

    // The fountain, the mountains and the forest, in the major. Claps, syncopated
    // bass, bells in the arpeggio, the bright theme with its echo.
    void Bright(int first, int bars) {
        const Progression a{{C, G, Am, F}}, b{{C, G, F, G}};
        for (int i = 0; i < bars; ++i) {
            const int bar = first + i;
            const bool second = (i / 4) % 2;
            const Chord& chord = second ? b.bars[i % 4] : a.bars[i % 4];
            score_.PadChord(bar, chord, 36);
            score_.Drums(bar, kFourKick, 56);
            score_.Drums(bar, kClapBeat, 56);
            if (i % 8 == 7) score_.Drums(bar, kFillSnare, 56);
            score_.Drums(bar, kRideHats, 46);
            score_.Bass(bar, chord, "R.^R.^O.R.^R.F..", 50);
            score_.Arpeggio(bar, chord, kBell, 5, "0.2.4.2.1.3.5.3.", 38);
            if (i % 8 == 0) score_.Drums(bar, "X...............", 60);
        }
        for (int i = 0; i + 8 <= bars; i += 8) {
            score_.Melody(first + i, kBrightA, kLead, 44, true);
            score_.Melody(first + i + 4, kBrightB, kLead, 44, true);
        }
    }

    // The missiles and the motorbikes: pushing kick, snare and clap together, rolling bass,
    // the climax theme over F G Em Am.
    void Climax(int first, int bars) {
        const Progression a{{F, G, Em, Am}}, b{{F, G, Am, Am}};
        for (int i = 0; i < bars; ++i) {
            const int bar = first + i;
            const bool second = (i / 4) % 2;
            const Chord& chord = second ? b.bars[i % 4] : a.bars[i % 4];
            score_.PadChord(bar, chord, 40);
            score_.Drums(bar, kPushKick, 60);
            score_.Drums(bar, i % 8 == 7 || i == bars - 1 ? kFillSnare : kBackbeat, 60);
            score_.Drums(bar, kClapBeat, 56);
            score_.Drums(bar, kDriveHats, 46);
            score_.Bass(bar, chord, "RRORRRORRRORRROR", 48);
            score_.Arpeggio(bar, chord, kPluck, 5, "0124012401240124", 42);
            if (i % 4 == 0) score_.Drums(bar, "X...............", 60);
        }
        for (int i = 0; i + 4 <= bars; i += 4) score_.Melody(first + i, (i / 4) % 2 ? kClimaxB : kClimaxA, kLead, 46, true);
    }

    // Four bars in the middle of the finale: the drums drop out but for the hats, the bells
    // take the tune in half notes, and a roll brings the climax back.
    void Breakdown(int first) {
        const Progression p{{F, G, Em, Am}};
        for (int i = 0; i < 4; ++i) {
            const int bar = first + i;
            const Chord& chord = p.bars[i];
            score_.PadChord(bar, chord, 48);
            score_.Bass(bar, chord, "R.......R.....^.", 44);
            score_.Arpeggio(bar, chord, kPluck, 5, "0124012401240124", 36);
            score_.Drums(bar, kOffHats, 40);
        }
        score_.Melody(first, kBreakdownBells, kBell, 52, true);
        score_.Drums(first + 3, kRollSnare, 56);
    }

    // The lighthouse and the lake. No drums at first; bells over slow chords,
    // the kick coming back softly at the end.
    void Bridge(int first, int bars) {
        const Progression p{{Dm, Am, F, E}};
        for (int i = 0; i < bars; ++i) {
            const int bar = first + i;
            const Chord& chord = p.bars[i % 4];
            score_.PadChord(bar, chord, 44);
            score_.Bass(bar, chord, "R.......^.......", 40);
            score_.Arpeggio(bar, chord, kPluck, 4, "0.1.2.3.4.3.2.1.", 40);
            if (i >= 8) score_.Drums(bar, kOffHats, 36);
            if (i >= 12) score_.Drums(bar, "k.......k.......", 44);
        }
        for (int i = 0; i + 4 <= bars; i += 4) score_.Melody(first + i, kBridgeBells, kBell, 40, true);
        score_.Drums(first + bars - 1, kRollSnare, 56);
    }

    void Sync() {
        for (const Cue& cue : SongCues()) {
            const int row = CueRow(cue.seconds, kSongBpm);
            // The loop replays the finale for a show that outruns the song; a cue there would
            // come again and again.
            if (row < 0 || row >= kSongRestart * kRowsPerPattern || score_.HasSync(row))
                throw std::logic_error(std::string("cue outside the song before its loop, or on another's row: ") +
                                       cue.cues);
            score_.Sync(row);
        }
    }

    Score& Get() { return score_; }

private:
    Score score_;
};

}  // namespace

xm::Module ComposeSong(const std::vector<xm::Instrument>& instruments) {
    SongWriter song;
    song.Intro(0);          // orders 0-5: the title
    song.Build(24, 28);     // orders 6-12: the planet
    song.Drive(52, 28);     // orders 13-19: tunnel, ring, battle, fleet
    song.Bright(80, 24);    // orders 20-25: fountain, mountains, forest
    song.Climax(104, 12);   // orders 26-28: the missiles
    song.Bridge(116, 16);   // orders 29-32: lighthouse, lake
    song.Build(132, 12);    // orders 33-35: the figure and the logo
    song.Climax(144, 16);   // orders 36-44: the motorbikes, and the loop
    song.Breakdown(160);
    song.Climax(164, 16);
    song.Sync();

    xm::Module m;
    m.name = "solmire";
    m.speed = kSpeed;
    m.bpm = kSongBpm;
    m.restart = kSongRestart;
    m.instruments = instruments;
    song.Get().Fill(m);
    return m;
}

}  // namespace music
