// A capture into one video file: made by ffmpeg with every frame and the sound, a folder of
// pictures when ffmpeg is missing, and an ffmpeg that fails is a failure with one line and no
// file left. The progress bar is drawn when stderr is a terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "app/Capture.h"
#include "app/Progress.h"
#include "platform/sound/Sample.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code = -1;
    std::string err;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path Folder(const std::string& name) {
    const fs::path dir = fs::path(::testing::TempDir()) / (name + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// Starts the program with `err` as its stderr and PATH set to `path` (unless empty).
pid_t Start(const std::vector<std::string>& args, int err, const std::string& path) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (err < 0 || null < 0) _exit(126);
        dup2(null, 1);
        dup2(err, 2);
        if (!path.empty()) setenv("PATH", path.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(SOLMIRE_SHOW)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(SOLMIRE_SHOW, argv.data());
        _exit(127);
    }
    return pid;
}

// The program run to its end, or interrupted (as by Ctrl+C) once `ready` says so; its stderr a
// file, or a terminal when `terminal`.
Outcome Solmire(const std::vector<std::string>& args, const std::string& path, bool terminal = false,
                const std::function<bool()>& ready = {}) {
    const fs::path errFile = fs::path(::testing::TempDir()) / ("solmire_video_err_" + std::to_string(getpid()));
    int err = -1, master = -1;
    if (terminal) {
        termios raw{};
        cfmakeraw(&raw);  // the bytes as written, no \r added before \n
        if (openpty(&master, &err, nullptr, &raw, nullptr) != 0) return {};
        fcntl(master, F_SETFD, FD_CLOEXEC);
    } else {
        err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    const pid_t pid = Start(args, err, path);
    close(err);
    int status = 0;
    Outcome run;
    if (ready) {
        while (!ready() && waitpid(pid, &status, WNOHANG) == 0) usleep(20000);
        kill(pid, SIGINT);
    }
    if (terminal) {
        char buffer[4096];
        // Read until the program has gone (EIO on Linux once the last holder of the terminal closes it).
        for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) run.err.append(buffer, static_cast<std::size_t>(n));
        close(master);
    }
    waitpid(pid, &status, 0);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!terminal) run.err = ReadAll(errFile);
    fs::remove(errFile);
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1) lines.push_back(text.substr(from, at - from));
    if (from < text.size()) lines.push_back(text.substr(from));
    return lines;
}

void WriteScript(const fs::path& file, const std::string& body) {
    std::ofstream(file) << "#!/bin/sh\n" << body;
    chmod(file.c_str(), 0755);
}

// Everything in `dir` but the fake programs' folder.
std::vector<std::string> Left(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != "bin") names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(VideoCapture, WithoutFfmpegPicturesAndSoundGoIntoAFolderNamedAfterTheFileWithTheBarDrawn) {
    const fs::path root = Folder("solmire_video_fallback_");
    fs::create_directories(root / "bin");  // a PATH with no ffmpeg on it
    const Outcome run = Solmire({"--capture", (root / "show.mp4").string(), "--frames", "8"}, (root / "bin").string(), true);
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.err);
    ASSERT_EQ(lines.size(), 3u) << run.err;
    EXPECT_EQ(lines[0], "solmire: ffmpeg is not installed (not on PATH): writing PNG frames and audio.wav into " +
                            (root / "show").string() + "/ instead of " + (root / "show.mp4").string());
    // The bar, redrawn in place and ended by its newline before the closing words.
    const std::regex bar(R"((\r[A-Za-z]* +\d+% \[[#.]{20}\] +\d+ fps +(\d+:\d\d|-:--) left)+)");
    EXPECT_TRUE(std::regex_match(lines[1], bar)) << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].rfind('\r') + 1, 20), "TitleScene          ");
    EXPECT_NE(lines[1].find("100% [####################]"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "solmire: captured 8 frames, 8 passes");

    EXPECT_EQ(Left(root), std::vector<std::string>{"show"});
    int pictures = 0;
    for (const auto& e : fs::directory_iterator(root / "show")) pictures += e.path().extension() == ".png";
    EXPECT_EQ(pictures, 8);
    std::string error;
    const auto wav = sound::Sample::LoadWav((root / "show" / "audio.wav").string(), error);
    ASSERT_TRUE(wav) << error;
    EXPECT_EQ(wav->Frames(), 8u * Capture::kFramesPerPass);
    fs::remove_all(root);
}

TEST(VideoCapture, AnFfmpegThatFailsIsAFailureInOneLineAndLeavesNoFile) {
    const std::string list = "echo ' V....D libx264  H.264'; echo ' A..... aac  AAC'; exit 0";
    struct Case {
        const char* name;
        std::string script;
        std::string said;  // what the one line must hold
    };
    const std::vector<Case> cases = {
        // Gives up while frames still come: the pipe breaks under the program.
        {"dies encoding",
         "case \"$*\" in *-encoders*) " + list + ";; esac\n/usr/bin/head -c 1000 >/dev/null\necho 'out of cheese' >&2\nexit 3\n",
         "ffmpeg failed encoding .*show\\.mp4 \\(exit code 3\\): out of cheese"},
        // Takes every frame, then fails at the end of the encoding.
        {"fails at the end", "case \"$*\" in *-encoders*) " + list + ";; esac\n/bin/cat >/dev/null\nexit 4\n",
         "ffmpeg failed encoding .*show\\.mp4 \\(exit code 4\\)"},
        // Encodes, but the audio cannot be muxed in.
        {"fails muxing",
         "case \"$*\" in *-encoders*) " + list + ";; *-nostdin*) echo 'no audio' >&2; exit 5;; esac\n/bin/cat >/dev/null\n",
         "ffmpeg failed muxing the audio into .*show\\.mp4 \\(exit code 5\\): no audio"},
        // Cannot even list its encoders.
        {"cannot list", "exit 6\n", ".*ffmpeg failed listing its encoders \\(exit code 6\\): cannot make .*show\\.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path root = Folder("solmire_video_failing_");
        fs::create_directories(root / "bin");
        WriteScript(root / "bin" / "ffmpeg", c.script);
        const Outcome run = Solmire({"--capture", (root / "show.mp4").string(), "--frames", "40"}, (root / "bin").string());
        EXPECT_EQ(run.code, 1) << run.err;
        const std::vector<std::string> lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 1u) << run.err;
        EXPECT_TRUE(std::regex_match(lines[0], std::regex("solmire: " + c.said))) << lines[0];
        // Neither the file nor the working folder beside it is left.
        EXPECT_EQ(Left(root), std::vector<std::string>{}) << run.err;
        fs::remove_all(root);
    }
}

TEST(VideoCapture, AnFfmpegWithoutTheEncodersFallsBackToPictures) {
    const fs::path root = Folder("solmire_video_noaac_");
    fs::create_directories(root / "bin");
    WriteScript(root / "bin" / "ffmpeg", "echo ' V....D libvpx-vp9  VP9'; echo ' A..... aac  AAC'\n");
    const Outcome run = Solmire({"--capture", (root / "clip.webm").string(), "--frames", "3"}, (root / "bin").string());
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Lines(run.err).at(0), "solmire: ffmpeg has no libopus or libvorbis encoder: writing PNG frames and audio.wav into " +
                                        (root / "clip").string() + "/ instead of " + (root / "clip.webm").string());
    EXPECT_TRUE(fs::exists(root / "clip" / "frame-000002.png"));
    EXPECT_EQ(Left(root), std::vector<std::string>{"clip"});
    fs::remove_all(root);
}

TEST(CaptureInterrupted, CtrlCClosesThePicturesAndTheAudioAsAtTheEnd) {
    const fs::path root = Folder("solmire_interrupted_");
    const fs::path sign = root / "shots" / "frame-000020.png";
    const Outcome run = Solmire({"--capture", (root / "shots").string()}, "", false, [&] { return fs::exists(sign); });
    ASSERT_EQ(run.code, 130) << run.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(run.err, m, std::regex("solmire: interrupted: captured (\\d+) frames, (\\d+) passes\n")))
        << run.err;
    const long frames = std::stol(m[1]);
    EXPECT_GT(frames, 20);
    long pictures = 0;
    for (const auto& e : fs::directory_iterator(root / "shots")) pictures += e.path().extension() == ".png";
    EXPECT_EQ(pictures, frames);
    std::string error;
    const auto wav = sound::Sample::LoadWav((root / "shots" / "audio.wav").string(), error);
    ASSERT_TRUE(wav) << error;
    EXPECT_EQ(wav->Frames(), static_cast<std::size_t>(std::stol(m[2])) * Capture::kFramesPerPass);
    fs::remove_all(root);
}

#ifdef SOLMIRE_FFPROBE
// ffprobe's answer for one stream as key=value lines.
std::string Probe(const fs::path& file, const char* stream, const char* entries) {
    std::string out;
    const std::string command = std::string(SOLMIRE_FFPROBE) + " -v error -count_frames -select_streams " + stream +
                                " -show_entries stream=" + entries + " -of default=noprint_wrappers=1 " + file.string();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
    return out;
}

TEST(VideoCapture, TheVideoFileHasEveryFrameAtItsSizeAndTheSound) {
    const fs::path root = Folder("solmire_video_file_");
    const std::string path = fs::path(SOLMIRE_FFMPEG).parent_path().string();
    for (const char* name : {"show.mp4", "show.webm"}) {
        SCOPED_TRACE(name);
        const Outcome run = Solmire({"--capture", (root / name).string(), "--frames", "45"}, path);
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.err, "solmire: captured 45 frames, 45 passes\n");
        const std::string video = Probe(root / name, "v:0", "width,height,r_frame_rate,nb_read_frames");
        EXPECT_EQ(video, "width=640\nheight=480\nr_frame_rate=30/1\nnb_read_frames=45\n");
        const std::string audio = Probe(root / name, "a:0", "codec_type,channels");
        EXPECT_EQ(audio, "codec_type=audio\nchannels=2\n");
    }
    // Two runs make the same bytes, as a folder capture does.
    ASSERT_EQ(Solmire({"--capture", (root / "again.mp4").string(), "--frames", "45"}, path).code, 0);
    EXPECT_TRUE(ReadAll(root / "again.mp4") == ReadAll(root / "show.mp4"));
    EXPECT_EQ(Left(root), (std::vector<std::string>{"again.mp4", "show.mp4", "show.webm"}));
    fs::remove_all(root);
}

TEST(CaptureInterrupted, CtrlCMakesTheVideoOfTheFramesSoFar) {
    const fs::path root = Folder("solmire_interrupted_video_");
    const std::string path = fs::path(SOLMIRE_FFMPEG).parent_path().string();
    // Once the encoder has written some of its output, a few dozen frames in.
    auto encoding = [&] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(root, ec)) {
            const fs::path video = e.path() / "video.mkv";
            if (fs::exists(video, ec) && fs::file_size(video, ec) > 2000) return true;
        }
        return false;
    };
    const Outcome run = Solmire({"--capture", (root / "show.mkv").string()}, path, false, encoding);
    ASSERT_EQ(run.code, 130) << run.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(run.err, m, std::regex("solmire: interrupted: captured (\\d+) frames, \\d+ passes\n")))
        << run.err;
    EXPECT_EQ(Probe(root / "show.mkv", "v:0", "nb_read_frames"), "nb_read_frames=" + std::string(m[1]) + "\n");
    EXPECT_EQ(Probe(root / "show.mkv", "a:0", "codec_type"), "codec_type=audio\n");
    EXPECT_EQ(Left(root), std::vector<std::string>{"show.mkv"});
    fs::remove_all(root);
}
#endif

}  // namespace
