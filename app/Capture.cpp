#include "app/Capture.h"

#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/Globals.h"
#include "platform/os/ImageFile.h"

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
        const bool ok = os::WritePng565(job.path, job.pixels.data(), job.width, job.height);
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

void Capture::StartHashing(std::FILE* out) {
    writing = false;
    hashes = out;
    audioHash = HashBytes(nullptr, 0);
}

std::uint64_t HashBytes(const void* data, std::size_t size, std::uint64_t hash) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ull;
    return hash;
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
    if (hashes) {
        const std::uint64_t hash = HashBytes(pixels, static_cast<std::size_t>(width) * height * sizeof *pixels);
        std::fprintf(hashes, "frame %06ld %016llx\n", framesWritten, static_cast<unsigned long long>(hash));
    } else if (writing && video) {
        if (!video->WriteFrame(pixels, width, height)) return Stop(video->Error());
    } else if (writing && framesWritten % pictureEvery == 0) {
        if (pngs) {
            if (pngs->Failed()) return Stop("");
            pngs->Submit(framesWritten, PictureName(framesWritten), lastFrame, width, height);
        } else if (!os::WritePng565(PictureName(framesWritten), pixels, width, height)) {
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
    if (hashes) audioHash = HashBytes(audio, sizeof audio, audioHash);
    if (!writing || failed) return;
    if (pngs && pngs->Failed()) {
        Stop("");
        return;
    }
    if (!wav.Append(audio, kFramesPerPass)) Stop("cannot write " + wavPath);
}

bool Capture::Close() {
    if (hashes) {
        std::fprintf(hashes, "audio %016llx\n", static_cast<unsigned long long>(audioHash));
        std::fflush(hashes);
    }
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
