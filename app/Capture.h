#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/VideoFile.h"
#include "platform/sound/WavWriter.h"

// Pictures written as PNG files on worker threads, so that compressing them keeps pace with the
// renderer. Each file's bytes depend on its picture alone: the same on every run.
class PngQueue {
public:
    explicit PngQueue(unsigned workers);
    ~PngQueue();
    PngQueue(const PngQueue&) = delete;
    PngQueue& operator=(const PngQueue&) = delete;

    // Queues picture `number` for `path`; waits while the workers are a few pictures behind.
    // After a failure nothing more is written.
    void Submit(long number, std::string path, std::vector<std::uint16_t> pixels, int width, int height);
    // True once any picture has failed (the workers may still be finishing others).
    bool Failed();
    // Waits until every queued picture is written or dropped; the lowest number that failed,
    // or -1.
    long Drain();

private:
    struct Job {
        long number;
        std::string path;
        std::vector<std::uint16_t> pixels;
        int width, height;
    };
    void Work();

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Job> jobs;
    std::size_t busy = 0;
    std::size_t limit;
    long firstFailure = -1;
    bool stopping = false;
    std::vector<std::thread> threads;
};

// Headless, deterministic rendering of the show into files: every pass advances a virtual
// clock by 1/30 s and the music by the same amount of audio; every shown frame becomes
// DIR/frame-NNNNNN.png and the audio DIR/audio.wav, or both go into one video file.
class Capture {
public:
    static constexpr int kPassesPerSecond = 30;
    static constexpr int kAudioRate = 44100;
    static constexpr int kFramesPerPass = kAudioRate / kPassesPerSecond;  // 1470 stereo frames

    // False (with a message on stderr) when the folder or the audio file cannot be made.
    // pictureEvery: write the picture of every so many shown frames only (1: all of them);
    // the others still count, so a picture's number is always its pass in the show.
    bool Open(const std::string& directory, long pictureEvery = 1);
    // Frames and audio into one video file made by ffmpeg (see VideoFile); false (with a message)
    // when it cannot start.
    bool OpenVideo(const std::string& ffmpeg, const std::string& file, const VideoFormat& format);
    // The same passes, clock and music with no file written: a benchmark of the show.
    void StartWithoutFiles();
    // No file either, but each shown frame's hash as a line on `out` ("frame N HASH") and, on
    // Close, one of all the audio ("audio HASH"): what two builds of the show compare.
    void StartHashing(std::FILE* out);
    // Shows one RGB565 frame: the next PNG when its number is due; false on a write error, which
    // is said once on stderr (naming the file, of which nothing is left) and ends the writing.
    bool WriteFrame(const std::uint16_t* pixels, int width, int height);
    // A pass in which nothing was drawn (a wait, a fade) shows the last frame again, so the
    // pictures keep time with the audio.
    void RepeatLastFrame();
    // One pass of virtual time: the clock and the music move on by 1/30 s.
    void EndOfPass();
    // Waits for the pictures, closes the audio file and, for a video, makes the file; false
    // when anything failed. Said once on stderr, naming the file: of pictures, those before it
    // are left whole and none after; the audio written so far stays playable either way; a
    // video is made whole or not at all.
    bool Close();

    long ClockMs() const { return passes * 1000L / kPassesPerSecond; }
    long Passes() const { return passes; }
    long FramesWritten() const { return framesWritten; }
    bool Failed() const { return failed; }
    bool IsVideo() const { return video != nullptr; }

    // Workers that write the pictures: 0 writes each at once on the calling thread.
    void SetPngWorkers(unsigned workers) { pngWorkers = workers; }

private:
    bool Stop(const std::string& line);
    std::string PictureName(long number) const;

    std::string directory;
    std::unique_ptr<PngQueue> pngs;
    unsigned pngWorkers = 0;
    std::unique_ptr<VideoFile> video;
    sound::WavWriter wav;
    std::string wavPath;
    std::vector<std::uint16_t> lastFrame;
    int lastWidth = 0, lastHeight = 0;
    long passes = 0;
    long framesWritten = 0;
    long pictureEvery = 1;
    bool failed = false;
    std::string problem;  // the one line said when the capture stops on a fault
    bool writing = true;
    std::FILE* hashes = nullptr;
    std::uint64_t audioHash = 0;
};

// FNV-1a, 64 bits, continued from `hash`: over the bytes as they lie in memory (the pixels'
// and samples' own byte order, little-endian on every build the show has).
std::uint64_t HashBytes(const void* data, std::size_t size, std::uint64_t hash = 0xcbf29ce484222325ull);
