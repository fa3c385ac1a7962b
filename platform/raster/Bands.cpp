#include "platform/raster/Bands.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <system_error>

namespace raster {

Bands::Bands(int threads) { SetThreads(threads); }

Bands::~Bands() { StopWorkers(); }

void Bands::StopWorkers() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    start_.notify_all();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
    quit_ = false;
}

void Bands::SetThreads(int threads) {
    Flush();
    StopWorkers();
    threads_ = std::clamp(threads, 1, 64);
    for (int band = 1; band < threads_; ++band) {
        try {
            workers_.emplace_back([this, band, from = generation_] { Work(band, from); });
        } catch (const std::system_error&) {
            threads_ = band;   // the system gives no more threads: fewer, wider bands
            break;
        }
    }
    bandStats_.assign(static_cast<std::size_t>(threads_), Stats{});
}

void Bands::Record(Kind kind, const Target& target, const State& state, const Vertex* v, int count) {
    if (target.color == nullptr) return;
    // Consecutive draws mostly share their state: store it once per change.
    const bool same = !states_.empty() && std::memcmp(&states_.back().target, &target, sizeof target) == 0 &&
                      std::memcmp(&states_.back().state, &state, sizeof state) == 0;
    if (!same) states_.push_back({target, state});
    Draw d;
    d.kind = kind;
    d.state = static_cast<std::uint32_t>(states_.size() - 1);
    for (int i = 0; i < count; ++i) d.v[i] = v[i];
    draws_.push_back(d);
}

void Bands::DrawTriangle(const Target& target, const State& state, const Vertex& a, const Vertex& b, const Vertex& c) {
    const Vertex v[3] = {a, b, c};
    Record(Kind::Triangle, target, state, v, 3);
}

void Bands::DrawLine(const Target& target, const State& state, const Vertex& a, const Vertex& b) {
    const Vertex v[2] = {a, b};
    Record(Kind::Line, target, state, v, 2);
}

void Bands::DrawPoint(const Target& target, const State& state, const Vertex& p) { Record(Kind::Point, target, state, &p, 1); }

void Bands::DrawBand(int band) {
    // Triangles and points are clipped to the band's rows: their pixels do not depend on the
    // clip. A line's steps do, so it keeps the whole clip and writes only the band's rows.
    Rasteriser r, lines;
    const int top = band * bandRows_, bottom = band + 1 == threads_ ? INT_MAX : top + bandRows_;
    std::uint32_t current = UINT32_MAX;
    for (const Draw& d : draws_) {
        if (d.state != current) {
            current = d.state;
            const Recorded& rec = states_[current];
            r.target = lines.target = rec.target;
            r.state = lines.state = rec.state;
            r.state.clip.minY = std::max(r.state.clip.minY, top);
            r.state.clip.maxY = std::min(r.state.clip.maxY, bottom);
        }
        switch (d.kind) {
            case Kind::Triangle: r.DrawTriangle(d.v[0], d.v[1], d.v[2]); break;
            case Kind::Line: lines.DrawLineRows(d.v[0], d.v[1], top, bottom); break;
            case Kind::Point: r.DrawPoint(d.v[0]); break;
        }
    }
    r.stats.pixels += lines.stats.pixels;
    bandStats_[static_cast<std::size_t>(band)] = r.stats;
}

// A worker starts from the flushes already done, so it waits for the next one.
void Bands::Work(int band, std::uint64_t seen) {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return quit_ || generation_ != seen; });
            if (quit_) return;
            seen = generation_;
        }
        DrawBand(band);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (--running_ == 0) done_.notify_one();
        }
    }
}

void Bands::Flush() {
    if (draws_.empty()) return;
    // Bands split the tallest target's rows; a draw into a shorter one simply finds fewer.
    int height = 0;
    for (const Recorded& rec : states_) height = std::max(height, rec.target.height);
    bandRows_ = (height + threads_ - 1) / threads_;
    if (threads_ > 1) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            running_ = threads_ - 1;
            ++generation_;
        }
        start_.notify_all();
    }
    DrawBand(0);
    if (threads_ > 1) {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [&] { return running_ == 0; });
    }
    // Every band sets up every triangle it meets; the count is the same in each.
    stats.triangles += bandStats_[0].triangles;
    for (const Stats& s : bandStats_) stats.pixels += s.pixels;
    draws_.clear();
    states_.clear();
}

}  // namespace raster
