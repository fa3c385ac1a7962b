#pragma once

// A writer for FastTracker 2 extended modules (XM, header version 0x0104). Format only: it
// lays out what it is given (orders, packed patterns, instruments with envelopes, 16-bit delta
// samples with loops); composing music is the caller's business.

#include <cstdint>
#include <string>
#include <vector>

namespace xm {

// Effect letters as XM stores them: 0-9 are themselves, A..Z are 10..35.
constexpr std::uint8_t EffectLetter(char letter) {
    return letter >= '0' && letter <= '9' ? static_cast<std::uint8_t>(letter - '0')
                                          : static_cast<std::uint8_t>(letter - 'A' + 10);
}

// Note values: 1 = C-0 ... 96 = B-7, 97 = key off, 0 = none.
constexpr std::uint8_t kKeyOff = 97;
constexpr std::uint8_t Note(int octave, int semitone) {
    return static_cast<std::uint8_t>(1 + octave * 12 + semitone);
}

// One cell of a pattern. Zero everywhere means empty. `volume` is the raw volume column byte
// (0x10..0x50 sets volume 0..64; 0 is empty).
struct Cell {
    std::uint8_t note = 0;
    std::uint8_t instrument = 0;  // 1-based; 0 = none
    std::uint8_t volume = 0;
    std::uint8_t effect = 0;      // see EffectLetter
    std::uint8_t param = 0;
};

struct Pattern {
    int rows = 64;                // 1..256
    std::vector<Cell> cells;      // rows * channels, row-major; missing cells are empty

    Pattern() = default;
    Pattern(int rowCount, int channels) : rows(rowCount), cells(static_cast<std::size_t>(rowCount) * channels) {}
    // The cell at (row, channel) for a pattern laid out with `channels` channels.
    Cell& At(int row, int channel, int channels) { return cells.at(static_cast<std::size_t>(row) * channels + channel); }
};

enum class LoopType : std::uint8_t { None = 0, Forward = 1, PingPong = 2 };

struct Sample {
    std::string name;
    std::vector<std::int16_t> data;  // mono, 16-bit; stored delta-encoded
    std::uint32_t loopStart = 0;     // in sample frames
    std::uint32_t loopLength = 0;    // in sample frames; 0 = no loop whatever `loop` says
    LoopType loop = LoopType::None;
    std::uint8_t volume = 64;        // 0..64
    std::int8_t finetune = 0;        // -128..127 (1/128 semitone)
    std::uint8_t panning = 128;      // 0 left .. 255 right
    std::int8_t relativeNote = 0;    // semitones; 0 plays C-4 at 8363 Hz
};

struct EnvelopePoint {
    std::uint16_t tick;
    std::uint16_t value;  // 0..64
};

struct Envelope {
    std::vector<EnvelopePoint> points;  // at most 12; ticks increasing
    bool enabled = false;
    int sustain = -1;                   // point index, or -1
    int loopStart = -1;                 // point index, or -1 (loop off)
    int loopEnd = -1;
};

struct Instrument {
    std::string name;
    std::vector<Sample> samples;        // at most 16
    std::uint8_t noteSample[96] = {};   // sample number per note
    Envelope volumeEnvelope;
    Envelope panningEnvelope;
    std::uint16_t fadeout = 0;
    std::uint8_t vibratoType = 0, vibratoSweep = 0, vibratoDepth = 0, vibratoRate = 0;
};

struct Module {
    std::string name;
    std::string tracker = "solmire xmwriter";
    int channels = 4;                   // 1..32 (even numbers are the norm)
    int restart = 0;                    // order index the song loops back to
    bool linearFrequencies = true;
    int speed = 6;                      // ticks per row
    int bpm = 125;                      // tempo; one tick = 2.5 / bpm seconds
    std::vector<std::uint8_t> orders;   // pattern numbers, 1..256 entries
    std::vector<Pattern> patterns;      // at most 256
    std::vector<Instrument> instruments;  // at most 128
};

// The file image of `module`. Throws std::invalid_argument naming the field that is out of
// the format's range (no silent truncation: a cue placed on a row must survive writing).
std::vector<std::uint8_t> Write(const Module& module);

// Writes the image to `path`; false when the file cannot be written.
bool WriteFile(const Module& module, const std::string& path);

}  // namespace xm
