#pragma once

// What the two modules are written with: a score of rows across the whole song (one pattern
// per order, so a cue on any row belongs to one place in the song only), chords, melodies in a
// short text form, and the parts that both modules play (drums, bass, pads, arpeggios).

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/xm/XmWriter.h"

namespace music {

constexpr int kRowsPerBar = 16;      // a row is a sixteenth note
constexpr int kRowsPerPattern = 64;  // four bars
constexpr int kSpeed = 6;

// Seconds a row lasts at `bpm` and speed kSpeed.
constexpr double RowSeconds(int bpm) { return 2.5 / bpm * kSpeed; }

// Channels of both modules.
enum Channel : int {
    kChKick,
    kChSnare,
    kChClap,
    kChHat,
    kChCrash,
    kChBass,
    kChPadA,  // three voices
    kChPadB = kChPadA + 3,  // three more: chords alternate between the sets and overlap as they fade
    kChLead = kChPadB + 3,
    kChArp,
    kChEcho,
    kChSync,
    kChannelCount
};

// Note numbers are semitones from C-0 (48 is C-4, middle C); the XM note is one more.
struct Chord {
    int root;    // 0 = C .. 11 = B
    bool minor;
    int Tone(int index) const;  // 0 root, 1 third, 2 fifth, 3 octave, wrapping upwards
};

// "A5:4 C6:2 r:2 ..." : a note name (with # for sharps) or r for a rest, and its length in rows.
struct MelodyNote {
    int row;     // from the melody's start
    int note;    // -1 for a rest
    int length;
};
// Throws std::invalid_argument on a malformed text.
std::vector<MelodyNote> ParseMelody(const std::string& text);

class Score {
public:
    Score(int patterns, int channels);
    int Rows() const { return rows_; }

    // volume 0..64 (scaled by the instrument's MixLevel), or -1 for the instrument's own.
    void Play(int row, int channel, int note, int instrument, int volume = -1);
    void Off(int row, int channel);
    void Sync(int row);
    bool HasSync(int row) const;
    xm::Cell& At(int row, int channel);

    // Parts, each from the first row of `bar`; their strings hold one letter a row.
    // A triad on the pad, the previous one released as this one swells.
    void PadChord(int bar, const Chord& chord, int volume);
    // R root (r softer), O octave, F fifth, T third, ^ key off, '.' nothing.
    void Bass(int bar, const Chord& chord, const std::string& rhythm, int volume);
    // Digits index the chord's tones upwards from its root in `octave` (Chord::Tone).
    void Arpeggio(int bar, const Chord& chord, int instrument, int octave, const std::string& shape, int volume);
    // One letter a row: K kick, S snare, C clap, H closed hat, o open hat, X crash, '.' nothing;
    // lower case k, s, c, h are the same at half volume. Several strings for several parts.
    void Drums(int bar, const std::string& pattern, int volume);
    // A melody from `bar` on; `echo` repeats it quietly three rows later on the echo channel.
    void Melody(int bar, const std::string& text, int instrument, int volume, bool echo);

    // One pattern per order, in order.
    void Fill(xm::Module& module) const;

private:
    int rows_, channels_;
    std::vector<xm::Cell> cells_;
    int padSet_ = 0;
};

}  // namespace music
