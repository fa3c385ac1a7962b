#include "app/Capture.h"

#include <png.h>

#include <cstdio>
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
        // Fast compression: a capture writes thousands of frames.
        png_set_compression_level(png, 1);
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) {
            const std::uint16_t* src = pixels + static_cast<std::size_t>(y) * width;
            for (int x = 0; x < width; ++x) {
                const unsigned p = src[x];
                const unsigned r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
                // Bit replication, so that full-scale 565 is full-scale 888.
                row[x * 3 + 0] = static_cast<png_byte>((r << 3) | (r >> 2));
                row[x * 3 + 1] = static_cast<png_byte>((g << 2) | (g >> 4));
                row[x * 3 + 2] = static_cast<png_byte>((b << 3) | (b >> 2));
            }
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

bool Capture::Open(const std::string& dir, long every) {
    directory = dir;
    pictureEvery = every < 1 ? 1 : every;
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::fprintf(stderr, "solmire: cannot create %s: %s\n", directory.c_str(), error.message().c_str());
        return false;
    }
    if (!wav.Open(directory + "/audio.wav", kAudioRate)) {
        std::fprintf(stderr, "solmire: cannot write %s/audio.wav\n", directory.c_str());
        return false;
    }
    return true;
}

void Capture::StartWithoutFiles() {
    writing = false;
}

bool Capture::WriteFrame(const std::uint16_t* pixels, int width, int height) {
    if (failed) return false;
    if (pixels != lastFrame.data()) {
        lastFrame.assign(pixels, pixels + static_cast<std::size_t>(width) * height);
        lastWidth = width;
        lastHeight = height;
    }
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06ld.png", framesWritten);
    if (writing && framesWritten % pictureEvery == 0 && !WritePng565(directory + name, pixels, width, height)) {
        std::fprintf(stderr, "solmire: cannot write %s%s\n", directory.c_str(), name);
        failed = true;
        return false;
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
    if (!wav.Append(audio, kFramesPerPass)) {
        std::fprintf(stderr, "solmire: cannot write %s/audio.wav\n", directory.c_str());
        failed = true;
    }
}

bool Capture::Close() {
    if (!writing) return true;
    const bool ok = wav.Close();
    if (!ok && !failed) std::fprintf(stderr, "solmire: cannot write %s/audio.wav\n", directory.c_str());
    return ok && !failed;
}
