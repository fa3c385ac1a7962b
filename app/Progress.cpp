#include "app/Progress.h"

#include <algorithm>
#include <cmath>

std::string ProgressLine(const std::string& scene, long pass, long total, double fps) {
    constexpr int kBar = 20;
    const double done = total > 0 ? std::clamp(static_cast<double>(pass) / total, 0.0, 1.0) : 1.0;
    const int filled = static_cast<int>(done * kBar);
    std::string bar(kBar, '.');
    std::fill_n(bar.begin(), filled, '#');

    char left[32];
    if (pass >= total) {
        std::snprintf(left, sizeof left, "0:00");
    } else if (!(fps > 0) || !std::isfinite(fps)) {
        std::snprintf(left, sizeof left, "-:--");
    } else {
        const long seconds = std::lround(std::ceil((total - pass) / fps));
        std::snprintf(left, sizeof left, "%ld:%02ld", seconds / 60, seconds % 60);
    }
    const long shownFps = std::isfinite(fps) && fps > 0 ? std::lround(fps) : 0;
    char line[160];
    std::snprintf(line, sizeof line, "%-20.20s %3d%% [%s] %4ld fps %5s left", scene.c_str(),
                  static_cast<int>(done * 100), bar.c_str(), shownFps, left);
    return line;
}

Progress::Progress(std::FILE* out_, long totalPasses, double now)
    : out(out_), total(totalPasses), start(now), lastDraw(now) {}

void Progress::SceneBegins(const char* name) {
    scenes.emplace_back(name);
}

void Progress::SceneEnds() {
    if (!scenes.empty()) scenes.pop_back();
}

void Progress::Pass(long pass, double now) {
    if (finished) return;
    lastPass = pass;
    lastNow = now;
    // The first drawing comes at once, so that a short capture shows something too.
    if (drawn > 0 && now - lastDraw < kRedrawInterval) return;
    Draw(pass, now);
}

void Progress::Draw(long pass, double now) {
    lastDraw = now;
    ++drawn;
    if (!out) return;
    const double elapsed = now - start;
    const double fps = elapsed > 0 ? pass / elapsed : 0;
    std::fprintf(out, "\r%s", ProgressLine(scenes.empty() ? "" : scenes.back(), pass, total, fps).c_str());
    std::fflush(out);
}

void Progress::Finish() {
    if (finished) return;
    finished = true;
    if (drawn > 0) Draw(lastPass, lastNow);  // where it ended, not where it was last drawn
    if (out && drawn > 0) {
        std::fputc('\n', out);
        std::fflush(out);
    }
}

long CapturePasses(long maxPasses, double tailSeconds) {
    constexpr int kPassesPerSecond = 30;
    const long whole = kShowPasses + static_cast<long>(tailSeconds * kPassesPerSecond);
    return maxPasses >= 0 ? std::min(maxPasses, whole) : whole;
}
