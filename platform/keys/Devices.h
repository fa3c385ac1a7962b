#pragma once

#include <array>
#include <cstdint>
#include <deque>

// Buffered keyboard and mouse, in the manner of the 1998 input API: each device keeps the
// records of its state changes until they are read, and the keyboard keeps a snapshot of the
// keys held. platform/keys turns SDL events into these records; tests feed them directly.
namespace keys {

// One buffered record: which key or axis (object offset), its data (0x80 pressed / 0
// released for keys and buttons, a signed relative motion for axes), when, and in what order.
struct Record {
    std::uint32_t offset = 0;
    std::uint32_t data = 0;
    std::uint32_t timeStamp = 0;
    std::uint32_t sequence = 0;
};
static_assert(sizeof(Record) == 16);

class BufferedDevice {
public:
    static constexpr int kDefaultCapacity = 32;
    explicit BufferedDevice(int capacity = kDefaultCapacity) : capacity_(capacity > 0 ? capacity : 1) {}

    // A full buffer loses the new record and remembers that it overflowed.
    void Push(std::uint32_t offset, std::uint32_t data, std::uint32_t timeStamp);
    // Moves up to max oldest records into out; returns how many.
    int Read(Record* out, int max);
    int Pending() const { return static_cast<int>(records_.size()); }
    // True once since the last call when records were lost.
    bool TakeOverflow();
    void Clear();

private:
    std::deque<Record> records_;
    int capacity_;
    std::uint32_t nextSequence_ = 1;
    bool overflowed_ = false;
};

class Keyboard {
public:
    // A change of a key's state: updates the snapshot and buffers a record. Repeats of an
    // already held key are not changes and buffer nothing.
    void KeyEvent(std::uint8_t dik, bool pressed, std::uint32_t timeStamp);
    // 256 bytes, bit 0x80 set while the key is held.
    void GetState(std::uint8_t out[256]) const;
    bool IsHeld(std::uint8_t dik) const { return (state_[dik] & 0x80) != 0; }
    BufferedDevice& Buffer() { return buffer_; }
    // Characters as the system's keyboard layout gives them (printable ASCII kept), with the
    // presses of Backspace, Tab and Return as 8, 9 and 10, in the order they came. At most
    // kTextCapacity wait; later ones are lost.
    static constexpr int kTextCapacity = 256;
    void TextEvent(const char* utf8);
    // Moves up to max waiting characters into out; returns how many.
    int TakeText(char* out, int max);
    // Releases every key (focus lost) without buffering records.
    void ReleaseAll() { state_.fill(0); }
    void Reset();

private:
    void PushText(char c);

    std::array<std::uint8_t, 256> state_{};
    BufferedDevice buffer_;
    std::deque<char> text_;
};

class Mouse {
public:
    void Motion(int dx, int dy, std::uint32_t timeStamp);
    void Wheel(int dz, std::uint32_t timeStamp);
    // button 0 left, 1 right, 2 middle, 3 the fourth; others are ignored.
    void Button(int button, bool pressed, std::uint32_t timeStamp);
    BufferedDevice& Buffer() { return buffer_; }
    void Reset() { buffer_.Clear(); }

private:
    BufferedDevice buffer_;
};

// The system keyboard and mouse.
Keyboard& SystemKeyboard();
Mouse& SystemMouse();

// Connects both devices to the system's events (SDL). False when the event system cannot
// start. Safe to call again.
bool OpenSystemDevices();
// Drains pending system events into the devices (and the window's message queue).
void PollSystemDevices();

}  // namespace keys
