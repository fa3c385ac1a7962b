#include "app/Benchmark.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>

Benchmark::Benchmark(std::FILE* out_, std::function<double()> now_, std::function<double()> cpu_,
                     std::function<long()> resident_)
    : out(out_), now(std::move(now_)), cpu(std::move(cpu_)), resident(std::move(resident_)) {
    rows.push_back({"StartUp", 0, 0, 0});
    start = last = now();
}

void Benchmark::SceneBegins(const char* name) {
    outer.push_back(current);
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.name == name; });
    current = static_cast<std::size_t>(it - rows.begin());
    if (it == rows.end()) rows.push_back({name, 0, 0, 0});
}

void Benchmark::SceneEnds() {
    if (outer.empty()) return;
    current = outer.back();
    outer.pop_back();
}

void Benchmark::FinalLoopBegins() {
    SceneBegins("final loop");
    inFinalLoop = true;
    finalPasses = 0;
    loopStart = cpu();
    passEnds.assign(kSoakWindowPasses + 1, 0);
}

void Benchmark::EndOfPass() {
    const double t = now();
    Row& row = rows[current];
    ++row.passes;
    row.total += t - last;
    row.worst = std::max(row.worst, t - last);
    last = t;
    ++passes;
    if (!inFinalLoop) return;
    ++finalPasses;
    lastCpu = cpu();
    passEnds[static_cast<std::size_t>(finalPasses) % passEnds.size()] = lastCpu;
    if (finalPasses == kSoakWindowPasses) Soak("first minute");
}

void Benchmark::Soak(const char* when) {
    // The pace over the last minute of the loop (or all of it, when shorter).
    const long n = std::min(finalPasses, kSoakWindowPasses);
    const long from = finalPasses - n;
    const double then = from == 0 ? loopStart : passEnds[static_cast<std::size_t>(from) % passEnds.size()];
    const double elapsed = lastCpu - then;
    const double rate = elapsed > 0 ? n / elapsed : 0;
    std::fprintf(out, "soak %s at %.0f s: resident %ld KiB, %.1f passes per cpu second\n", when,
                 static_cast<double>(finalPasses) / kPassesPerSecond, resident ? resident() : -1L, rate);
    std::fflush(out);
}

void Benchmark::Finish() {
    if (inFinalLoop) Soak("end");
    for (const Row& r : rows) {
        if (r.passes == 0) continue;
        std::fprintf(out, "scene %s passes %ld mean %.3f ms worst %.3f ms\n", r.name.c_str(), r.passes,
                     1000 * r.total / r.passes, 1000 * r.worst);
    }
    const double seconds = last - start;
    const double fps = seconds > 0 ? passes / seconds : 0;
    std::fprintf(out, "total passes %ld seconds %.2f fps %.1f realtime %.2fx\n", passes, seconds, fps,
                 fps / kPassesPerSecond);
    std::fflush(out);
}

double Benchmark::CpuSeconds() {
    timespec t{};
    if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return 0;
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

long Benchmark::ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, residentPages = 0;
    if (!(statm >> size >> residentPages)) return -1;
    return residentPages * (sysconf(_SC_PAGESIZE) / 1024);
}
