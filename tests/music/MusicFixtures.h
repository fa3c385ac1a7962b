#pragma once

// Modules and WAV files the music tests write for themselves, into a per-process temp folder.

#include "platform/sound/WavWriter.h"
#include "tools/assetgen/xm/XmWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fixtures {

// Speed 1 at 250 BPM: one tick, 10 ms, exactly 441 frames a row at 44100 Hz.
constexpr int kRowFrames = 441;

inline xm::Module Blank(int channels, std::vector<int> rowsPerPattern, std::vector<std::uint8_t> orders) {
    xm::Module m;
    m.name = "fixture";
    m.channels = channels;
    m.speed = 1;
    m.bpm = 250;
    m.orders = std::move(orders);
    for (int rows : rowsPerPattern) m.patterns.emplace_back(rows, channels);
    return m;
}

inline xm::Cell& At(xm::Module& m, int pattern, int row, int channel) {
    return m.patterns.at(static_cast<std::size_t>(pattern)).At(row, channel, m.channels);
}

inline void Effect(xm::Module& m, int pattern, int row, int channel, char letter, std::uint8_t param = 0) {
    At(m, pattern, row, channel).effect = xm::EffectLetter(letter);
    At(m, pattern, row, channel).param = param;
}

inline void Sync(xm::Module& m, int pattern, int row, int channel = 0, std::uint8_t value = 0) {
    Effect(m, pattern, row, channel, 'W', value);
}

// Instrument 1, a looped sine at full volume, struck on channel 0 of row 0 at `volume` (0x10 +
// 0..64; 0 for the instrument's own), so the module makes a steady sound.
inline void AddTone(xm::Module& m, std::uint8_t volume = 0) {
    xm::Instrument in;
    in.name = "tone";
    xm::Sample s;
    for (int i = 0; i < 256; ++i) s.data.push_back(static_cast<std::int16_t>(12000 * std::sin(i * 2 * M_PI / 64)));
    s.loop = xm::LoopType::Forward;
    s.loopLength = 256;
    in.samples.push_back(s);
    m.instruments.push_back(in);
    At(m, 0, 0, 0) = {xm::Note(4, 0), 1, volume, 0, 0};
}

// Removed when the process exits, also by exit() in a death test's child.
inline std::string TempDir() {
    struct Dir {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("solmire-music-" + std::to_string(::getpid()));
        Dir() { std::filesystem::create_directories(path); }
        ~Dir() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Dir dir;
    return dir.path.string();
}

inline std::string WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::string WriteModule(const std::string& name, const xm::Module& m) { return WriteBytes(name, xm::Write(m)); }

// A WAV file of `frames` equal frames at `rate`, by the writer the capture uses.
inline std::string WriteWav(const std::string& name, int rate, int frames, std::int16_t value) {
    const std::string path = TempDir() + "/" + name;
    const std::vector<std::int16_t> pcm(2 * static_cast<std::size_t>(frames), value);
    sound::WavWriter wav;
    EXPECT_TRUE(wav.Open(path, rate) && wav.Append(pcm.data(), pcm.size() / 2) && wav.Close()) << path;
    return path;
}

}  // namespace fixtures
