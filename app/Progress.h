#pragma once

// The line a capture keeps redrawn on a terminal: which scene, how far into the show, how fast
// and how long is left. The clock is a parameter, so a test can drive it by hand.

#include <cstdio>
#include <string>
#include <vector>

// Passes from the show's first frame to the start of its endless last loop (the trace's "final
// loop at pass P"); a test keeps it in step with the show.
constexpr long kShowPasses = 12134;

// One progress line, without the carriage return: the scene's name, the percent of `total`
// passes done, a bar, passes per second and the time left at that pace, e.g.
//   "TitleScene           37% [#######.............]  112 fps  1:05 left"
// The fields keep their widths, so a redrawn line covers the one before.
std::string ProgressLine(const std::string& scene, long pass, long total, double fps);

class Progress {
public:
    // Redraws at most this often, in seconds.
    static constexpr double kRedrawInterval = 0.25;

    // `out` null: nothing is drawn (stderr is not a terminal); the calls still work.
    Progress(std::FILE* out, long totalPasses, double now);

    void SceneBegins(const char* name);
    void SceneEnds();
    // `pass` passes are done at time `now` (seconds): redraws when the last drawing is old enough.
    void Pass(long pass, double now);
    // Ends the line, once, so that what is printed next starts on a line of its own.
    void Finish();

    long Drawn() const { return drawn; }

private:
    void Draw(long pass, double now);

    std::FILE* out;
    long total;
    double start;
    double lastDraw = 0;
    long lastPass = 0;
    double lastNow = 0;
    long drawn = 0;
    bool finished = false;
    std::vector<std::string> scenes;  // the current scene last; one may run inside another
};

// The total a capture's bar counts to: the show to its last loop plus the tail kept of it,
// or fewer when the capture stops after `maxPasses` (-1: no limit).
long CapturePasses(long maxPasses, double tailSeconds);
