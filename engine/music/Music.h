#pragma once

// The music layer: plays the soundtrack module in a loop and counts its sync commands in
// `syncCount`, which the scenes compare with their marks to follow the music. Also changes
// module with a fade out and in, and plays short WAV samples.
//
// Two ways to run, chosen before Init:
// - real play (the default): the sound card, or SDL's dummy driver where there is none, mixes
//   on its own thread; `syncCount` rises when each sync row is heard.
// - virtual clock (UseVirtualClock, for capture): no device and no thread; the music moves only
//   when the caller pulls audio with RenderVirtual, and `syncCount` rises inside that call for
//   each sync row that begins in the frames pulled. Fades then take virtual time (SetFadeClock).

#include "engine/music/Fade.h"
#include "platform/sound/SoundSystem.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class Music {
public:
    static constexpr int kMaxSamples = 255;
    static constexpr int kSampleRate = 22050;  // samples play at this rate, whatever their file says

    int module = 0;          // handle of the module loaded last; 0 before any (or after a failed load)
    int playHandle = 0;      // the playing module
    int samples[kMaxSamples] = {};  // loaded WAV samples, in load order
    std::int32_t sampleCount = 0;
    // Sync events since start. Only grows; never reset, not even by ChangeModule. Written by the
    // sound thread, read by the scenes: atomic so that each read sees a whole, current value.
    std::atomic<std::int32_t> syncCount{0};

    Music();
    ~Music();  // closes
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    // Starts the sound output at 44100 Hz. No configuration dialog: with noConfig 0 the chosen
    // output is printed on stdout instead.
    void Init(int noConfig);
    // Loads a module and plays it in a loop. A module that does not load leaves the music
    // silent and `syncCount` still; that is said on stderr.
    void PlayModule(const char* fileName);
    // Fades the current module out (about 1.5 s), stops it, plays `fileName`, fades it in to 63.
    void ChangeModule(const char* fileName);
    // Stops the sound output; safe with no module and when repeated.
    void Close();
    // Loads a WAV file into the next slot; on failure (or with all 255 slots taken) an error box
    // "Couldn't load WAV file" and exit code 155.
    void LoadSample(const char* fileName);
    // Plays a loaded sample at 22050 Hz, full volume, centre; on failure (including an index
    // that names no loaded sample) an error box "Couldn't play Sample" and exit code 155.
    void PlaySample(int index);

    // Capture mode; call before Init.
    void UseVirtualClock();
    // From the virtual clock to the sound card, the music going on from where it was pulled to
    // (a show started at a later scene gets there headless first). Without effect unless the
    // virtual clock was in use.
    void LeaveVirtualClock();
    // The file of the module played last ("" before any), and its order and row as far as it
    // has been mixed; false when no module plays.
    const std::string& PlayingFile() const { return playingFile_; }
    bool Position(int& order, int& row) const { return sound_.MusicPosition(order, row); }
    // Virtual clock only: mixes exactly `frames` stereo frames (44100 Hz, interleaved int16)
    // into `out`, raising `syncCount` for each sync row inside them, which are also appended
    // to `events` when given. False (and silence) in real play or before Init.
    bool RenderVirtual(std::int16_t* out, std::size_t frames, std::vector<sound::SyncEvent>* events = nullptr);
    // The clock the fades are paced on. Real play defaults to real time; the virtual clock
    // defaults to the music's own position, waiting by rendering (and dropping) the audio.
    // A clock with empty members restores the default.
    void SetFadeClock(music::FadeClock clock);

    sound::SoundSystem& Sound() { return sound_; }

private:
    music::FadeClock FadeClockInUse();

    sound::SoundSystem sound_;
    bool virtualClock_ = false;
    music::FadeClock fadeClock_;
    std::string playingFile_;
};

// The sync callback: one more sync event for `music`; the arguments are not used.
void MusicSyncCallback(Music& music, unsigned syncValue, unsigned position, unsigned row);
