#include "app/Capture.h"

#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/Globals.h"

bool WritePng565(const std::string& path, const std::uint16_t* pixels, int width, int height) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    // The capture says itself which file failed: libpng's own words would be a second line.
    png_structp png = png_create_write_struct(
        PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
        [](png_structp, png_const_charp) {});
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row(static_cast<std::size_t>(width) * 3);
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        // Fast compression: a capture writes thousands of frames. The board's dithered pictures
        // gain nothing from row filters (they came out larger, at twice the time, than
        // unfiltered rows), so none is tried.
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            Rgb565ToRgb24(pixels + static_cast<std::size_t>(y) * width, static_cast<std::size_t>(width), row.data());
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    ok = std::fclose(file) == 0 && ok;
    // No cut picture is left behind to pass for a frame.
    if (!ok) std::remove(path.c_str());
    return ok;
}

PngQueue::PngQueue(unsigned workers) : limit(2 * std::max(1u, workers)) {
    for (unsigned i = 0; i < std::max(1u, workers); ++i) threads.emplace_back([this] { Work(); });
}

PngQueue::~PngQueue() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& t : threads) t.join();
}

void PngQueue::Submit(long number, std::string path, std::vector<std::uint16_t> pixels, int width, int height) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return jobs.size() < limit || firstFailure >= 0; });
    if (firstFailure >= 0) return;
    jobs.push_back({number, std::move(path), std::move(pixels), width, height});
    changed.notify_all();
}

bool PngQueue::Failed() {
    std::lock_guard<std::mutex> lock(mutex);
    return firstFailure >= 0;
}

long PngQueue::Drain() {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return jobs.empty() && busy == 0; });
    return firstFailure;
}

void PngQueue::Work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty()) return;
        Job job = std::move(jobs.front());
        jobs.pop_front();
        // Once a picture has failed the later ones are dropped: the capture ends there.
        if (firstFailure >= 0) {
            changed.notify_all();
            continue;
        }
        ++busy;
        lock.unlock();
        const bool ok = WritePng565(job.path, job.pixels.data(), job.width, job.height);
        lock.lock();
        --busy;
        if (!ok && (firstFailure < 0 || job.number < firstFailure)) firstFailure = job.number;
        changed.notify_all();
    }
}

bool Capture::Open(const std::string& dir, long every) {
    directory = dir;
    pictureEvery = every < 1 ? 1 : every;
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::fprintf(stderr, "solmire: cannot create %s: %s\n", directory.c_str(), error.message().c_str());
        return false;
    }
    wavPath = directory + "/audio.wav";
    if (!wav.Open(wavPath, kAudioRate)) {
        std::fprintf(stderr, "solmire: cannot write %s\n", wavPath.c_str());
        return false;
    }
    if (pngWorkers > 0) pngs = std::make_unique<PngQueue>(pngWorkers);
    return true;
}

bool Capture::OpenVideo(const std::string& ffmpeg, const std::string& file, const VideoFormat& format) {
    video = std::make_unique<VideoFile>();
    if (!video->Open(ffmpeg, file, format)) {
        std::fprintf(stderr, "solmire: %s\n", video->Error().c_str());
        return false;
    }
    wavPath = video->AudioPath();
    if (!wav.Open(wavPath, kAudioRate)) {
        std::fprintf(stderr, "solmire: cannot write %s\n", wavPath.c_str());
        video->Abandon();
        return false;
    }
    return true;
}

void Capture::StartWithoutFiles() {
    writing = false;
}

std::string Capture::PictureName(long number) const {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", number);
    return directory + name;
}

bool Capture::Stop(const std::string& line) {
    if (!failed) problem = line;
    failed = true;
    return false;
}

bool Capture::WriteFrame(const std::uint16_t* pixels, int width, int height) {
    if (failed) return false;
    if (pixels != lastFrame.data()) {
        lastFrame.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
        lastWidth = width;
        lastHeight = height;
    }
    if (writing && video) {
        if (!video->WriteFrame(pixels, width, height)) return Stop(video->Error());
    } else if (writing && framesWritten % pictureEvery == 0) {
        if (pngs) {
            if (pngs->Failed()) return Stop("");
            pngs->Submit(framesWritten, PictureName(framesWritten), lastFrame, width, height);
        } else if (!WritePng565(PictureName(framesWritten), pixels, width, height)) {
            return Stop("cannot write " + PictureName(framesWritten));
        }
    }
    ++framesWritten;
    return true;
}

void Capture::RepeatLastFrame() {
    if (!lastFrame.empty()) WriteFrame(lastFrame.data(), lastWidth, lastHeight);
}

void Capture::EndOfPass() {
    std::int16_t audio[kFramesPerPass * 2];
    soundtrack.RenderVirtual(audio, kFramesPerPass);
    ++passes;
    if (!writing || failed) return;
    if (pngs && pngs->Failed()) {
        Stop("");
        return;
    }
    if (!wav.Append(audio, kFramesPerPass)) Stop("cannot write " + wavPath);
}

bool Capture::Close() {
    if (!writing) return true;
    if (pngs) {
        const long bad = pngs->Drain();
        pngs.reset();
        if (bad >= 0) {
            // The pictures stop at the first that failed: later ones the workers finished go.
            for (long n = bad + 1; n < framesWritten; ++n) ::unlink(PictureName(n).c_str());
            failed = false;
            Stop("cannot write " + PictureName(bad));
        }
    }
    if (!wav.Close()) Stop("cannot write " + wavPath);
    if (video) {
        if (!failed && !video->Finish()) Stop(video->Error());
        if (failed) video->Abandon();
    }
    if (failed) std::fprintf(stderr, "solmire: %s\n", problem.c_str());
    return !failed;
}
