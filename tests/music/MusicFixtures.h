#pragma once

// Modules and WAV files the music tests write for themselves, into a per-process temp folder.

#include "tools/assetgen/xm/XmWriter.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
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
    xm::Cell& c = At(m, pattern, row, channel);
    c.effect = xm::EffectLetter(letter);
    c.param = param;
}

inline void Sync(xm::Module& m, int pattern, int row, int channel = 0, std::uint8_t value = 0) {
    Effect(m, pattern, row, channel, 'W', value);
}

// Instrument 1: a looped sine at full volume, so the module makes a steady sound.
inline void AddTone(xm::Module& m) {
    xm::Instrument in;
    in.name = "tone";
    xm::Sample s;
    for (int i = 0; i < 256; ++i) s.data.push_back(static_cast<std::int16_t>(12000 * std::sin(i * 2 * M_PI / 64)));
    s.loop = xm::LoopType::Forward;
    s.loopStart = 0;
    s.loopLength = 256;
    in.samples.push_back(s);
    m.instruments.push_back(in);
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

// A mono 16-bit PCM WAV file of `frames` equal samples at `rate`.
inline std::string WriteWav(const std::string& name, int rate, int frames, std::int16_t value) {
    std::vector<std::uint8_t> b;
    auto u32 = [&](std::uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i))); };
    auto u16 = [&](std::uint32_t v) { b.push_back(static_cast<std::uint8_t>(v)); b.push_back(static_cast<std::uint8_t>(v >> 8)); };
    auto tag = [&](const char* t) { for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(t[i])); };
    const auto data = static_cast<std::uint32_t>(frames * 2);
    tag("RIFF"); u32(36 + data); tag("WAVE");
    tag("fmt "); u32(16); u16(1); u16(1); u32(static_cast<std::uint32_t>(rate)); u32(static_cast<std::uint32_t>(rate) * 2); u16(2); u16(16);
    tag("data"); u32(data);
    for (int i = 0; i < frames; ++i) u16(static_cast<std::uint16_t>(value));
    return WriteBytes(name, b);
}

// solmire-music run as a user runs it: its exit code (-1 if it did not exit) and what it printed.
struct ToolRun {
    int status = -1;
    std::string out;
};

inline ToolRun Tool(const std::string& args) {
    ToolRun r;
    FILE* pipe = popen((std::string(SOLMIRE_MUSIC_TOOL) + " " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) return r;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe)) r.out += buf;
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace fixtures
