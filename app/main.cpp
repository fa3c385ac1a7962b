// solmire: plays the show full screen with sound until Escape, or renders it into files.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/Show.h"
#include "app/VideoFile.h"

namespace {

constexpr const char* kHelp =
    "Usage: solmire [options]\n"
    "Plays the show full screen with sound until Escape.\n"
    "\n"
    "Options:\n"
    "  --capture DIR   render the show without a window or sound card into DIR:\n"
    "                  frame-000000.png ... (one per pass, 30 per second) and audio.wav.\n"
    "                  Two runs give identical files. On a terminal a progress bar shows\n"
    "                  the scene, how far, the speed and the time left\n"
    "  --capture FILE.mp4 (or .mkv, .webm): one video file with its sound, at 30 frames\n"
    "                  per second, made by the ffmpeg program; without ffmpeg the\n"
    "                  pictures and audio.wav go into a folder named after the file\n"
    "  --frames N      with --capture: stop after N passes\n"
    "  --every N       with --capture: write only every Nth picture, each still numbered\n"
    "                  by its pass; audio.wav stays whole\n"
    "  --benchmark     render the show as --capture does (no window, no sound card, the\n"
    "                  music rendered) but write no file; print one line per scene\n"
    "                  (passes, mean and worst pass time in ms), a total line (passes per\n"
    "                  second and how many times faster than real time), and in the\n"
    "                  endless last loop its resident memory and pace after one minute\n"
    "                  and at the end\n"
    "  --hashes        render the show as --capture does but write nothing; print on stdout\n"
    "                  a hash of each frame (frame N HASH) and, at the end, of all the\n"
    "                  audio (audio HASH): two builds that agree on these agree on the show\n"
    "  --tail SECONDS  with --capture, --benchmark or --hashes: seconds of the show's endless last\n"
    "                  loop to render (default 10)\n"
    "  --scene NAME    start at that scene, with the lights and the music where the show\n"
    "                  has them there; the scenes before it are run unseen first. Works\n"
    "                  with --capture and --benchmark too\n"
    "  --list-scenes   print the scenes in playing order, with where each starts in the\n"
    "                  show (minutes:seconds) and in the music (module, order and row)\n"
    "  --trace         print a line on stderr when each scene begins and ends, at each\n"
    "                  music cue, and when the endless last loop starts\n"
    "  --data DIR      where the content pack is (default: the data folder beside this program)\n"
    "  --windowed      play in a window instead of full screen\n"
    "  --console       open the in-frame console from the start (shown in frames with an\n"
    "                  additive pass); type getfromfile FILE, set VAR asnumber N,\n"
    "                  set VAR asname NAME, move VAR to X Y Z, exit. Keys are read by their\n"
    "                  place on a French AZERTY keyboard: lower case, space, keypad digits\n"
    "                  and point\n"
    "  --keymap MAP    the console's keys: azerty (default, by place as above) or system\n"
    "                  (the characters of your own keyboard layout)\n"
    "  --version       the program's version\n"
    "  --scale N       draw the 3D at N x 640 by N x 480 (1 to 4, default 1); pictures and\n"
    "                  the 2D effects are scaled up. Captures are written at that size\n"
    "  --dither on|off the board's 4x4 ordered dither (default on)\n"
    "  --threads N     draw each frame in N horizontal bands at once (1 to 64, default: one\n"
    "                  per core); the pictures are the same whatever N\n"
    "  Keys: Alt+Enter switches between full screen and a window; F12 saves the shown frame\n"
    "  as solmire-NNNN.png in the folder the program was started from.\n"
    "  --help          this text\n";

[[noreturn]] void Usage(const char* problem) {
    std::fprintf(stderr, "solmire: %s\n%s", problem, kHelp);
    std::exit(2);
}

long ParseCount(const char* text, const char* option) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0) Usage((std::string(option) + " needs a whole number of 0 or more").c_str());
    return v;
}

std::filesystem::path DefaultDataDir() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path("data") : self.parent_path() / "data";
}

}  // namespace

int main(int argc, char** argv) {
    ShowOptions options;
    std::filesystem::path dataDir = DefaultDataDir();
    bool tailGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) Usage((arg + " needs a value").c_str());
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("solmire %s\n", SOLMIRE_VERSION);
            return 0;
        } else if (arg == "--scene") {
            options.startScene = value();
            if (FindShowStep(options.startScene) < 0) Usage(("--scene is " + ShowStepNames()).c_str());
        } else if (arg == "--list-scenes") {
            options.listScenes = true;
        } else if (arg == "--capture") {
            options.captureDir = std::filesystem::absolute(value()).string();
        } else if (arg == "--benchmark") {
            options.benchmark = true;
        } else if (arg == "--hashes") {
            options.hashes = true;
        } else if (arg == "--frames") {
            options.maxPasses = ParseCount(value(), "--frames");
        } else if (arg == "--every") {
            options.pictureEvery = ParseCount(value(), "--every");
            if (options.pictureEvery == 0) Usage("--every needs a whole number of 1 or more");
        } else if (arg == "--tail") {
            char* end = nullptr;
            const char* text = value();
            options.tailSeconds = std::strtod(text, &end);
            if (!*text || *end || !(options.tailSeconds >= 0) || options.tailSeconds > 1e6)
                Usage("--tail needs a number of seconds from 0 to 1000000");
            tailGiven = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--data") {
            dataDir = value();
        } else if (arg == "--windowed") {
            options.windowed = true;
        } else if (arg == "--console") {
            options.console = true;
        } else if (arg == "--renderer") {
            if (!ParseRendererChoice(value(), options.renderer)) Usage("--renderer is glide, d3d or d3dsoft");
        } else if (arg == "--scale") {
            const std::string text = value();
            if (text.size() != 1 || text[0] < '1' || text[0] > '4') Usage("--scale is 1, 2, 3 or 4");
            options.scale = text[0] - '0';
        } else if (arg == "--dither") {
            const std::string text = value();
            if (text != "on" && text != "off") Usage("--dither is on or off");
            options.dither = text == "on";
        } else if (arg == "--threads") {
            const char* text = value();
            char* end = nullptr;
            const long n = std::strtol(text, &end, 10);
            if (!*text || *end || n < 1 || n > 64) Usage("--threads is a whole number from 1 to 64");
            options.threads = static_cast<int>(n);
        } else if (arg == "--keymap") {
            const std::string map = value();
            if (map != "azerty" && map != "system") Usage("--keymap is azerty or system");
            options.systemKeymap = map == "system";
        } else {
            Usage(("unknown option " + arg).c_str());
        }
    }
    if (options.captureDir.empty() && !options.hashes && (options.maxPasses >= 0 || options.pictureEvery != 1))
        Usage("--frames and --every go with --capture");
    if (options.hashes && (options.benchmark || !options.captureDir.empty() || options.pictureEvery != 1))
        Usage("--hashes writes nothing: not with --capture, --benchmark or --every");
    if (options.pictureEvery != 1 && IsVideoFileName(options.captureDir))
        Usage("--every goes with --capture DIR, not with a video file");
    // A benchmark takes what changes how the show is drawn (--renderer, the drawing's scale)
    // and renders it as a capture would; nothing that writes or stops it early.
    if (options.benchmark && !options.captureDir.empty()) Usage("--benchmark writes nothing: not with --capture");
    if (tailGiven && options.captureDir.empty() && !options.benchmark && !options.hashes)
        Usage("--tail goes with --capture, --benchmark or --hashes");
    if (options.listScenes && (!options.captureDir.empty() || options.benchmark || options.hashes || !options.startScene.empty()))
        Usage("--list-scenes plays nothing: not with --capture, --benchmark, --hashes or --scene");

    std::error_code cwdError;
    const auto startedIn = std::filesystem::current_path(cwdError);
    if (!cwdError) options.screenshotDir = startedIn.string();
    // The show reads its files by their plain names, from the content folder.
    if (!std::filesystem::is_directory(dataDir) || chdir(dataDir.c_str()) != 0) {
        std::fprintf(stderr,
                     "solmire: no content pack in %s\n"
                     "Build it with ./play (or cmake --build build), or point --data at it.\n",
                     dataDir.c_str());
        return 2;
    }
    return RunShow(options);
}
