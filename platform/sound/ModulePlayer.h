#pragma once

// One loaded tracker module, rendered by libopenmpt, with sync detection: a row that holds the
// effect W (in any channel) is a sync row, and each time playback reaches such a row (by any
// route: normal flow, loops, breaks, jumps) one SyncEvent is reported.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace openmpt {
class module;
}

namespace sound {

constexpr int kMixRate = 44100;

// One sync row reached. `frame` is the stream position (in stereo frames at kMixRate) at which
// the row was seen playing: the end of the render read during which it began, so at most
// ModulePlayer::kReadFrames after the row's first sample and never before it.
struct SyncEvent {
    std::int64_t frame = 0;
    int order = 0;
    int row = 0;
    int value = 0;  // the W parameter of the row's first sync command
};

class ModulePlayer {
public:
    // Reads no more than this many frames at a time, so no row (at least 432 frames long at
    // the fastest XM tempo) can begin and end inside one read unseen.
    static constexpr std::size_t kReadFrames = 256;

    // Parses a module image; nullptr when libopenmpt refuses it, with the reason in `error`.
    static std::unique_ptr<ModulePlayer> Load(const void* data, std::size_t size, std::string& error);
    static std::unique_ptr<ModulePlayer> LoadFile(const std::string& path, std::string& error);

    ~ModulePlayer();
    ModulePlayer(const ModulePlayer&) = delete;
    ModulePlayer& operator=(const ModulePlayer&) = delete;

    // Back to order 0, row 0; `loop` repeats the song for ever, else it ends in silence.
    void Restart(bool loop);

    // Renders `frames` interleaved stereo float frames into `out` (silence once the song has
    // ended), appending one event per sync row reached; `firstFrame` is out[0]'s stream position.
    void Render(float* out, std::size_t frames, std::int64_t firstFrame, std::vector<SyncEvent>& events);

    bool IsSyncRow(int pattern, int row) const;
    int SyncRowCount() const;        // over all patterns, played or not
    int Channels() const;
    double DurationSeconds() const;  // one pass of the song, as libopenmpt estimates it
    std::string Log() const;         // what libopenmpt had to say (kept off the terminal)

private:
    ModulePlayer() = default;
    int SyncValue(int pattern, int row) const;

    std::ostringstream log_;                  // must outlive module_, which writes to it
    std::unique_ptr<openmpt::module> module_;
    std::vector<std::vector<bool>> syncRows_; // [pattern][row]
    std::vector<std::vector<std::uint8_t>> syncValues_;
    int lastOrder_ = -1;
    int lastRow_ = -1;
    bool ended_ = false;
};

}  // namespace sound
