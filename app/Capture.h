#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound/WavWriter.h"

// Headless, deterministic rendering of the show into files: every pass advances a virtual
// clock by 1/30 s and the music by the same amount of audio; every shown frame becomes
// DIR/frame-NNNNNN.png and the audio DIR/audio.wav.
class Capture {
public:
    static constexpr int kPassesPerSecond = 30;
    static constexpr int kAudioRate = 44100;
    static constexpr int kFramesPerPass = kAudioRate / kPassesPerSecond;  // 1470 stereo frames

    // False (with a message on stderr) when the folder or the audio file cannot be made.
    // pictureEvery: write the picture of every so many shown frames only (1: all of them);
    // the others still count, so a picture's number is always its pass in the show.
    bool Open(const std::string& directory, long pictureEvery = 1);
    // The same passes, clock and music with no file written: a benchmark of the show.
    void StartWithoutFiles();
    // Shows one RGB565 frame: the next PNG when its number is due; false on a write error, which
    // is said once on stderr (naming the file, of which nothing is left) and ends the writing.
    bool WriteFrame(const std::uint16_t* pixels, int width, int height);
    // A pass in which nothing was drawn (a wait, a fade) shows the last frame again, so the
    // pictures keep time with the audio.
    void RepeatLastFrame();
    // One pass of virtual time: the clock and the music move on by 1/30 s.
    void EndOfPass();
    // Closes the audio file; false when anything failed. The audio written so far stays
    // playable either way.
    bool Close();

    long ClockMs() const { return passes * 1000L / kPassesPerSecond; }
    long Passes() const { return passes; }
    long FramesWritten() const { return framesWritten; }
    bool Failed() const { return failed; }

private:
    std::string directory;
    sound::WavWriter wav;
    std::vector<std::uint16_t> lastFrame;
    int lastWidth = 0, lastHeight = 0;
    long passes = 0;
    long framesWritten = 0;
    long pictureEvery = 1;
    bool failed = false;
    bool writing = true;
};

// Writes an RGB565 image as an 8-bit RGB PNG; false on failure.
bool WritePng565(const std::string& path, const std::uint16_t* pixels, int width, int height);
