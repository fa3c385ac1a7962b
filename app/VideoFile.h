#pragma once

// One video file made by the ffmpeg program: the capture's frames piped to it raw as they are
// shown, the audio muxed in after (the capture writes it to a WAV beside the frames meanwhile).
// Until it is complete the file is built in a hidden folder beside it, so that a capture that
// fails or is stopped never leaves a cut video under the asked name.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A capture's name that asks for one video file: .mp4, .mkv or .webm, in any case.
bool IsVideoFileName(const std::string& path);
// Where a capture to that file goes when ffmpeg is missing: show.mp4 -> show.
std::string FallbackFolder(const std::string& path);
// The first executable `program` in the folders of `searchPath` (as PATH is written); empty when
// there is none.
std::string FindProgram(const std::string& program, const std::string& searchPath);

// The encoders and their settings for one file.
struct VideoFormat {
    std::string videoEncoder, audioEncoder;
    std::vector<std::string> videoOptions, audioOptions, muxOptions;
};
// Chooses, for the file's kind, the first encoders of our preference that `encoderList` (what
// `ffmpeg -encoders` prints) offers: H.264 and AAC for .mp4 and .mkv, VP9 or VP8 and Opus or
// Vorbis for .webm. False when one kind has none; `missing` then says which.
bool ChooseVideoFormat(const std::string& path, const std::string& encoderList, VideoFormat& format,
                       std::string& missing);

// Runs `arguments` (the first is the program) with stdout into `output`; its exit code, or -1
// when it could not be started or did not exit by itself.
int RunForOutput(const std::vector<std::string>& arguments, std::string& output);

class VideoFile {
public:
    VideoFile() = default;
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;
    ~VideoFile();

    // Makes the working folder beside `output`; false (with Error()) when it cannot.
    bool Open(const std::string& ffmpeg, const std::string& output, const VideoFormat& format);
    // Where the capture writes the audio to be muxed in.
    std::string AudioPath() const { return work + "/audio.wav"; }
    const std::string& Output() const { return output; }
    // One RGB565 frame; the first starts the encoder at its size. False (with Error()) when the
    // encoder has gone or the size changes.
    bool WriteFrame(const std::uint16_t* pixels, int width, int height);
    // The frames are all there and the audio file is closed: ends the encoding, muxes the audio
    // in and puts the file under its name. False (with Error()) when any step failed.
    bool Finish();
    // Stops the encoder, and leaves nothing behind.
    void Abandon();

    const std::string& Error() const { return error; }
    long Frames() const { return frames; }

private:
    bool Fail(const std::string& what);
    // The encoder's exit, said as one line with the last thing it wrote on its log.
    bool EncoderFailed(const char* step, int code);
    void RemoveWork();

    std::string ffmpeg, output, work, error;
    VideoFormat format;
    pid_t encoder = -1;
    int pipe = -1;
    int width = 0, height = 0;
    long frames = 0;
    std::vector<std::uint8_t> rgb;  // the frame as it goes down the pipe
};
