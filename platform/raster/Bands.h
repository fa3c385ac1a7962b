#pragma once

// Draws a frame's primitives in horizontal bands at once. Draws are recorded with the state in
// force; Flush replays all of them in each band, one band per thread, every band clipped to
// its rows. A pixel sees the same draws in the same order as when drawn alone, so the picture
// is the same whatever the number of bands. Textures a recorded draw uses must stay alive and
// unchanged until the Flush.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/raster/Rasteriser.h"

namespace raster {

class Bands {
public:
    // threads: how many bands (and threads, counting the caller's) a Flush uses, at least 1.
    explicit Bands(int threads = 1);
    ~Bands();
    Bands(const Bands&) = delete;
    Bands& operator=(const Bands&) = delete;

    int Threads() const { return threads_; }
    // Flushes first; the workers change at once.
    void SetThreads(int threads);

    void DrawTriangle(const Target& target, const State& state, const Vertex& a, const Vertex& b, const Vertex& c);
    void DrawLine(const Target& target, const State& state, const Vertex& a, const Vertex& b);
    void DrawPoint(const Target& target, const State& state, const Vertex& p);
    bool Pending() const { return !draws_.empty(); }
    // Draws what was recorded, into the targets it was recorded with. Stats as one
    // rasteriser drawing everything would count them.
    void Flush();

    Stats stats;

private:
    enum class Kind : std::uint8_t { Triangle, Line, Point };
    struct Draw {
        Kind kind;
        std::uint32_t state;   // index into states_
        Vertex v[3];
    };
    struct Recorded {
        Target target;
        State state;
    };
    void Record(Kind kind, const Target& target, const State& state, const Vertex* v, int count);
    void DrawBand(int band);
    void Work(int band, std::uint64_t seen);
    void StopWorkers();

    int threads_ = 1;
    std::vector<Draw> draws_;
    std::vector<Recorded> states_;
    std::vector<Stats> bandStats_;
    int bandRows_ = 0;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable start_, done_;
    std::uint64_t generation_ = 0;
    int running_ = 0;
    bool quit_ = false;
};

}  // namespace raster
