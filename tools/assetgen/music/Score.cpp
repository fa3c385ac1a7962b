#include "tools/assetgen/music/Score.h"

#include <algorithm>
#include <stdexcept>

#include "tools/assetgen/music/Instruments.h"

namespace music {

int Chord::Tone(int index) const {
    static constexpr int kMajor[] = {0, 4, 7};
    static constexpr int kMinor[] = {0, 3, 7};
    const int octave = index / 3;
    const int step = index % 3;
    return root + (minor ? kMinor[step] : kMajor[step]) + 12 * octave;
}

std::vector<MelodyNote> ParseMelody(const std::string& text) {
    static constexpr int kSemitone[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    std::vector<MelodyNote> out;
    int row = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t end = text.find(' ', i);
        const std::string token = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
        i = end == std::string::npos ? text.size() : end;
        const std::size_t colon = token.find(':');
        if (colon == std::string::npos || colon + 1 >= token.size()) throw std::invalid_argument("melody: " + token);
        const int length = std::stoi(token.substr(colon + 1));
        if (length <= 0) throw std::invalid_argument("melody length: " + token);
        int note = -1;
        if (token[0] != 'r') {
            if (token[0] < 'A' || token[0] > 'G') throw std::invalid_argument("melody note: " + token);
            std::size_t at = 1;
            note = kSemitone[token[0] - 'A'];
            if (token[at] == '#') {
                ++note;
                ++at;
            }
            if (at >= colon || token[at] < '0' || token[at] > '7') throw std::invalid_argument("melody octave: " + token);
            note += 12 * (token[at] - '0');
        }
        out.push_back({row, note, length});
        row += length;
    }
    return out;
}

Score::Score(int patterns, int channels)
    : rows_(patterns * kRowsPerPattern), channels_(channels), cells_(static_cast<std::size_t>(rows_) * channels) {}

xm::Cell& Score::At(int row, int channel) {
    if (row < 0 || row >= rows_ || channel < 0 || channel >= channels_) throw std::out_of_range("score cell");
    return cells_[static_cast<std::size_t>(row) * channels_ + channel];
}

void Score::Play(int row, int channel, int note, int instrument, int volume) {
    if (row >= rows_) return;  // an echo running past the end
    xm::Cell& c = At(row, channel);
    if (note < 0 || note > 95) throw std::out_of_range("note");
    c.note = static_cast<std::uint8_t>(note + 1);
    c.instrument = static_cast<std::uint8_t>(instrument);
    // Rounded up, so a quiet note is never silenced by the mix.
    const int mixed = (std::min(volume, 64) * MixLevel(instrument) + 63) / 64;
    c.volume = volume < 0 ? 0 : static_cast<std::uint8_t>(0x10 + mixed);
}

void Score::Off(int row, int channel) {
    if (row >= rows_) return;
    xm::Cell& c = At(row, channel);
    if (c.note == 0) c.note = xm::kKeyOff;
}

void Score::Sync(int row) {
    xm::Cell& c = At(row, kChSync);
    c.effect = xm::EffectLetter('W');
    c.param = 0;
}

bool Score::HasSync(int row) const {
    return cells_.at(static_cast<std::size_t>(row) * channels_ + kChSync).effect == xm::EffectLetter('W');
}

void Score::PadChord(int bar, const Chord& chord, int volume) {
    const int row = bar * kRowsPerBar;
    const int from = kChPadA + 3 * padSet_;
    const int to = kChPadA + 3 * (1 - padSet_);
    for (int v = 0; v < 3; ++v) {
        Off(row, from + v);
        // Every tone between E-4 and D#-5: close voicing, moving little from chord to chord.
        int note = chord.Tone(v) % 12;
        while (note < 52) note += 12;
        Play(row, to + v, note, kPad, volume);
    }
    padSet_ = 1 - padSet_;
}

void Score::Bass(int bar, const Chord& chord, const std::string& rhythm, int volume) {
    // Roots from A-1 to G#-2.
    int root = chord.root % 12;
    while (root < 21) root += 12;
    for (std::size_t i = 0; i < rhythm.size(); ++i) {
        const int row = bar * kRowsPerBar + static_cast<int>(i);
        switch (rhythm[i]) {
            case 'R': Play(row, kChBass, root, kBass, volume); break;
            case 'r': Play(row, kChBass, root, kBass, volume * 2 / 3); break;
            case 'O': Play(row, kChBass, root + 12, kBass, volume * 4 / 5); break;
            case 'F': Play(row, kChBass, root + 7, kBass, volume * 4 / 5); break;
            case 'T': Play(row, kChBass, root + (chord.minor ? 3 : 4), kBass, volume * 4 / 5); break;
            case '^': Off(row, kChBass); break;
            case '.': break;
            default: throw std::invalid_argument("bass rhythm: " + rhythm);
        }
    }
}

void Score::Arpeggio(int bar, const Chord& chord, int instrument, int octave, const std::string& shape, int volume) {
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = shape[i];
        if (c == '.') continue;
        if (c < '0' || c > '9') throw std::invalid_argument("arpeggio: " + shape);
        const int row = bar * kRowsPerBar + static_cast<int>(i);
        // Accent on the beat, a little less on the off-beats.
        const int v = i % 4 == 0 ? volume : volume * 3 / 4;
        Play(row, kChArp, 12 * octave + chord.Tone(c - '0'), instrument, v);
    }
}

void Score::Drums(int bar, const std::string& pattern, int volume) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const int row = bar * kRowsPerBar + static_cast<int>(i);
        const int loud = volume, soft = volume / 2;
        switch (pattern[i]) {
            case 'K': Play(row, kChKick, 48, kKick, loud); break;
            case 'k': Play(row, kChKick, 48, kKick, soft); break;
            case 'S': Play(row, kChSnare, 48, kSnare, loud); break;
            case 's': Play(row, kChSnare, 48, kSnare, soft); break;
            case 'C': Play(row, kChClap, 48, kClap, loud); break;
            case 'c': Play(row, kChClap, 48, kClap, soft); break;
            case 'H': Play(row, kChHat, 48, kHatClosed, loud); break;
            case 'h': Play(row, kChHat, 48, kHatClosed, soft); break;
            case 'o': Play(row, kChHat, 48, kHatOpen, loud); break;
            case 'X': Play(row, kChCrash, 48, kCrash, loud); break;
            case '.': break;
            default: throw std::invalid_argument("drums: " + pattern);
        }
    }
}

void Score::Melody(int bar, const std::string& text, int instrument, int volume, bool echo) {
    const int start = bar * kRowsPerBar;
    const std::vector<MelodyNote> notes = ParseMelody(text);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const MelodyNote& n = notes[i];
        const bool restNext = i + 1 == notes.size() || notes[i + 1].note < 0;
        for (int pass = 0; pass < (echo ? 2 : 1); ++pass) {
            const int channel = pass == 0 ? kChLead : kChEcho;
            const int at = start + n.row + (pass == 0 ? 0 : 3);
            const int v = pass == 0 ? volume : volume * 2 / 5;
            if (n.note < 0) {
                Off(at, channel);
                continue;
            }
            Play(at, channel, n.note, instrument, v);
            // A note before a rest lets go a row early, so the release has room.
            if (restNext && n.length > 1) Off(at + n.length - 1, channel);
        }
    }
}

void Score::Fill(xm::Module& module) const {
    module.channels = channels_;
    module.patterns.clear();
    module.orders.clear();
    const int patterns = rows_ / kRowsPerPattern;
    for (int p = 0; p < patterns; ++p) {
        xm::Pattern pattern(kRowsPerPattern, channels_);
        for (int r = 0; r < kRowsPerPattern; ++r)
            for (int c = 0; c < channels_; ++c)
                pattern.At(r, c, channels_) = cells_[static_cast<std::size_t>(p * kRowsPerPattern + r) * channels_ + c];
        module.patterns.push_back(std::move(pattern));
        module.orders.push_back(static_cast<std::uint8_t>(p));
    }
}

}  // namespace music
