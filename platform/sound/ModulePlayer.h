#pragma once

// One loaded tracker module, rendered by libopenmpt, with sync detection: a row that holds the
// XM effect W (effect type 32, in any channel) is a sync row, and each time playback reaches
// such a row (by any route: normal flow, loops, breaks, jumps) one SyncEvent is reported. Sync
// rows are read from the XM file's own packed pattern data, at a cost in proportion to the
// bytes stored, whatever number of rows and channels the header claims; other formats (where
// W means something else, if anything) have none. The library's own cost grows with rows x
// channels, so a module claiming more pattern cells than FastTracker 2 could hold is handed to
// it without the trailing channels that no pattern uses.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
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

    // The order and row last rendered (order 0, row 0 before the first render since a start).
    int Order() const { return lastOrder_ < 0 ? 0 : lastOrder_; }
    int Row() const { return lastRow_ < 0 ? 0 : lastRow_; }

    bool IsSyncRow(int pattern, int row) const;
    int SyncRowCount() const;        // over all patterns, played or not
    // Pattern cells the sync scan decoded: never more than the packed pattern bytes stored.
    std::size_t ScannedCells() const { return scannedCells_; }
    int Channels() const;            // as played: see the trailing channels left out above
    double DurationSeconds() const;  // one pass of the song, as libopenmpt estimates it
    std::string Log() const;         // what libopenmpt had to say (kept off the terminal)

private:
    ModulePlayer() = default;

    std::ostringstream log_;                  // must outlive module_, which writes to it
    std::unique_ptr<openmpt::module> module_;
    std::map<std::pair<int, int>, int> syncRows_;  // (pattern, row) -> W parameter
    std::size_t scannedCells_ = 0;
    mutable double duration_ = -1;            // computed when first asked: it walks the song
    bool moved_ = false;                      // rendered since the last (re)start
    int lastOrder_ = -1;
    int lastRow_ = -1;
    bool ended_ = false;
};

}  // namespace sound
