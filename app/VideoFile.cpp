#include "app/VideoFile.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/os/ImageFile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Extension(const std::string& path) {
    return Lower(fs::path(path).extension().string());
}

// Starts a program with the given descriptors as its stdin, stdout and stderr (-1: /dev/null).
pid_t Spawn(const std::vector<std::string>& arguments, int in, int out, int err) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int fds[3] = {in, out, err};
    for (int target = 0; target < 3; ++target) {
        if (fds[target] >= 0)
            posix_spawn_file_actions_adddup2(&actions, fds[target], target);
        else
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null", target == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    // A group of its own: Ctrl+C on the terminal reaches the capture, which then ends the
    // encoding itself, instead of ffmpeg stopping in the middle of a frame.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : -1;
}

// The exit code; -1 when it ended by a signal.
int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string LastLine(const std::string& file) {
    std::ifstream in(file);
    std::string line, last;
    while (std::getline(in, line))
        if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
    return last;
}

}  // namespace

bool IsVideoFileName(const std::string& path) {
    const std::string ext = Extension(path);
    return ext == ".mp4" || ext == ".mkv" || ext == ".webm";
}

std::string FallbackFolder(const std::string& path) {
    return fs::path(path).replace_extension().string();
}

std::string FindProgram(const std::string& program, const std::string& searchPath) {
    std::size_t from = 0;
    while (from <= searchPath.size()) {
        std::size_t to = searchPath.find(':', from);
        if (to == std::string::npos) to = searchPath.size();
        // An empty entry is the working folder, as the shell takes it.
        const std::string dir = to > from ? searchPath.substr(from, to - from) : ".";
        const std::string candidate = dir + "/" + program;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        from = to + 1;
    }
    return {};
}

bool ChooseVideoFormat(const std::string& path, const std::string& encoderList, VideoFormat& format,
                       std::string& missing) {
    // The encoders ffmpeg offers, by name: the second word of each line of its list.
    std::vector<std::string> offered;
    std::istringstream lines(encoderList);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string flags, name;
        if (words >> flags >> name) offered.push_back(name);
    }
    auto has = [&](const char* name) { return std::find(offered.begin(), offered.end(), name) != offered.end(); };

    struct Choice {
        const char* encoder;
        std::vector<std::string> options;
    };
    const bool webm = Extension(path) == ".webm";
    // Speed matters: the whole show is thousands of frames, and the encoder runs beside the
    // renderer. yuv420p is what players everywhere take.
    const std::vector<Choice> video =
        webm ? std::vector<Choice>{{"libvpx-vp9",
                                    {"-deadline", "realtime", "-cpu-used", "8", "-row-mt", "1", "-crf", "30", "-b:v",
                                     "0", "-pix_fmt", "yuv420p"}},
                                   {"libvpx",
                                    {"-deadline", "realtime", "-cpu-used", "8", "-crf", "10", "-b:v", "6M", "-pix_fmt",
                                     "yuv420p"}}}
             : std::vector<Choice>{{"libx264", {"-preset", "veryfast", "-crf", "18", "-pix_fmt", "yuv420p"}},
                                   {"libopenh264", {"-b:v", "8M", "-pix_fmt", "yuv420p"}}};
    const std::vector<Choice> audio = webm ? std::vector<Choice>{{"libopus", {"-b:a", "160k"}},
                                                                 {"libvorbis", {"-q:a", "6"}}}
                                           : std::vector<Choice>{{"aac", {"-b:a", "192k"}}};
    auto pick = [&](const std::vector<Choice>& choices, std::string& encoder, std::vector<std::string>& options) {
        for (const Choice& c : choices) {
            if (!has(c.encoder)) continue;
            encoder = c.encoder;
            options = c.options;
            return true;
        }
        missing.clear();
        for (const Choice& c : choices) missing += (missing.empty() ? "" : " or ") + std::string(c.encoder);
        return false;
    };
    if (!pick(video, format.videoEncoder, format.videoOptions)) return false;
    if (!pick(audio, format.audioEncoder, format.audioOptions)) return false;
    // mp4: the index first, so that a player can start before the whole file is read.
    format.muxOptions.clear();
    if (Extension(path) == ".mp4") format.muxOptions = {"-movflags", "+faststart"};
    return true;
}

int RunForOutput(const std::vector<std::string>& arguments, std::string& output) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    const pid_t pid = Spawn(arguments, -1, fds[1], -1);
    close(fds[1]);
    output.clear();
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        output.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    return pid < 0 ? -1 : Wait(pid);
}

VideoFile::~VideoFile() {
    if (!work.empty()) Abandon();
}

bool VideoFile::Fail(const std::string& what) {
    if (error.empty()) error = what;
    return false;
}

bool VideoFile::Open(const std::string& program, const std::string& file, const VideoFormat& chosen) {
    ffmpeg = program;
    output = fs::absolute(file).string();
    format = chosen;
    // A write to an encoder that has gone must come back as an error, not end the program.
    signal(SIGPIPE, SIG_IGN);
    const fs::path folder = fs::path(output).parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::string pattern = (folder / ("." + fs::path(output).filename().string() + "-XXXXXX")).string();
    if (ec || !mkdtemp(pattern.data())) return Fail("cannot make a working folder beside " + output);
    work = pattern;
    return true;
}

bool VideoFile::WriteFrame(const std::uint16_t* pixels, int w, int h) {
    if (!error.empty()) return false;
    if (encoder < 0) {
        width = w;
        height = h;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return Fail("cannot make a pipe to ffmpeg");
        const int log = open((work + "/encode.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        std::vector<std::string> args = {ffmpeg, "-hide_banner", "-nostats", "-loglevel", "error",
                                         "-f", "rawvideo", "-pixel_format", "rgb24",
                                         "-video_size", std::to_string(w) + "x" + std::to_string(h),
                                         "-framerate", "30", "-i", "-", "-an", "-c:v", format.videoEncoder};
        args.insert(args.end(), format.videoOptions.begin(), format.videoOptions.end());
        args.insert(args.end(), {"-y", work + "/video.mkv"});
        encoder = Spawn(args, fds[0], -1, log);
        close(fds[0]);
        if (log >= 0) close(log);
        pipe = fds[1];
        if (encoder < 0) return Fail("cannot start " + ffmpeg);
    }
    if (w != width || h != height)
        return Fail("the frame's size changed from " + std::to_string(width) + "x" + std::to_string(height) +
                    " to " + std::to_string(w) + "x" + std::to_string(h) + " within " + output);
    // Converted here rather than by ffmpeg: its scaler takes three times as long from RGB565 as
    // from RGB24, and it would not expand the channels as the pictures do.
    const std::size_t count = static_cast<std::size_t>(w) * h;
    rgb.resize(count * 3);
    os::Rgb565ToRgb24(pixels, count, rgb.data());
    const std::uint8_t* bytes = rgb.data();
    std::size_t left = rgb.size();
    while (left > 0) {
        const ssize_t n = write(pipe, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(pipe);
            pipe = -1;
            const int code = Wait(encoder);
            encoder = -1;
            return EncoderFailed("encoding", code);
        }
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
    ++frames;
    return true;
}

bool VideoFile::EncoderFailed(const char* step, int code) {
    const std::string said = LastLine(work + "/encode.log");
    std::string line = "ffmpeg failed " + std::string(step) + " " + output;
    line += code >= 0 ? " (exit code " + std::to_string(code) + ")" : " (it was killed)";
    if (!said.empty()) line += ": " + said;
    return Fail(line);
}

bool VideoFile::Finish() {
    if (!error.empty()) return false;
    if (encoder < 0) return Fail("no frame was shown to put in " + output);
    close(pipe);
    pipe = -1;
    const int code = Wait(encoder);
    encoder = -1;
    if (code != 0) return EncoderFailed("encoding", code);

    // The second step copies the video as it is and encodes the audio beside it.
    const std::string muxed = work + "/out" + fs::path(output).extension().string();
    std::vector<std::string> args = {ffmpeg, "-hide_banner", "-nostdin", "-nostats", "-loglevel", "error",
                                     "-i", work + "/video.mkv", "-i", AudioPath(),
                                     "-map", "0:v:0", "-map", "1:a:0", "-c:v", "copy", "-c:a", format.audioEncoder};
    args.insert(args.end(), format.audioOptions.begin(), format.audioOptions.end());
    args.insert(args.end(), format.muxOptions.begin(), format.muxOptions.end());
    args.insert(args.end(), {"-y", muxed});
    const int log = open((work + "/encode.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t mux = Spawn(args, -1, -1, log);
    if (log >= 0) close(log);
    if (mux < 0) return Fail("cannot start " + ffmpeg);
    const int muxCode = Wait(mux);
    if (muxCode != 0) return EncoderFailed("muxing the audio into", muxCode);
    std::error_code ec;
    fs::rename(muxed, output, ec);
    if (ec) return Fail("cannot write " + output + ": " + ec.message());
    RemoveWork();
    return true;
}

void VideoFile::Abandon() {
    if (pipe >= 0) {
        close(pipe);
        pipe = -1;
    }
    if (encoder > 0) {
        kill(encoder, SIGTERM);
        Wait(encoder);
        encoder = -1;
    }
    RemoveWork();
}

void VideoFile::RemoveWork() {
    if (work.empty()) return;
    std::error_code ec;
    fs::remove_all(work, ec);
    work.clear();
}
