#include "tools/assetgen/xm/XmWriter.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace xm {
namespace {

// Sizes fixed by the format.
constexpr std::uint32_t kHeaderSize = 276;           // from the size field to the end of the order table
constexpr std::uint32_t kPatternHeaderSize = 9;
constexpr std::uint32_t kInstrumentHeaderSize = 263; // with samples; trailing bytes are reserved
constexpr std::uint32_t kEmptyInstrumentHeaderSize = 29;
constexpr std::uint32_t kSampleHeaderSize = 40;

class Out {
public:
    void U8(std::uint8_t v) { bytes_.push_back(v); }
    void U16(std::uint32_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    // A fixed-width text field, padded with zeros (or spaces where the format expects them).
    void Text(const std::string& s, std::size_t width, char pad = '\0') {
        for (std::size_t i = 0; i < width; ++i) U8(static_cast<std::uint8_t>(i < s.size() ? s[i] : pad));
    }
    void Zeros(std::size_t n) { bytes_.insert(bytes_.end(), n, 0); }
    std::size_t Size() const { return bytes_.size(); }
    void Patch16(std::size_t at, std::uint32_t v) {
        bytes_[at] = static_cast<std::uint8_t>(v);
        bytes_[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

void Require(bool ok, const char* what) {
    if (!ok) throw std::invalid_argument(std::string("xm: ") + what + " out of range");
}

void CheckModule(const Module& m) {
    Require(m.channels >= 1 && m.channels <= 32, "channels");
    Require(!m.orders.empty() && m.orders.size() <= 256, "order count");
    Require(m.restart >= 0 && static_cast<std::size_t>(m.restart) < m.orders.size(), "restart position");
    Require(!m.patterns.empty() && m.patterns.size() <= 256, "pattern count");
    Require(m.instruments.size() <= 128, "instrument count");
    Require(m.speed >= 1 && m.speed <= 31, "speed");
    Require(m.bpm >= 32 && m.bpm <= 255, "bpm");
    for (std::uint8_t o : m.orders) Require(o < m.patterns.size(), "order entry");
    for (const Pattern& p : m.patterns) {
        Require(p.rows >= 1 && p.rows <= 256, "pattern rows");
        Require(p.cells.size() <= static_cast<std::size_t>(p.rows) * m.channels, "pattern cells");
        for (const Cell& c : p.cells) {
            Require(c.note <= kKeyOff, "note");
            Require(c.instrument <= m.instruments.size(), "cell instrument");
            Require(c.effect <= 35, "effect");
        }
    }
    for (const Instrument& in : m.instruments) {
        Require(in.samples.size() <= 16, "sample count");
        for (std::uint8_t s : in.noteSample) Require(in.samples.empty() || s < in.samples.size(), "note sample");
        for (const Envelope* e : {&in.volumeEnvelope, &in.panningEnvelope}) {
            const int n = static_cast<int>(e->points.size());
            Require(n <= 12, "envelope points");
            Require(e->sustain < n && e->loopStart < n && e->loopEnd < n, "envelope point index");
            Require(e->loopStart <= e->loopEnd, "envelope loop");
            for (const EnvelopePoint& pt : e->points) Require(pt.value <= 64, "envelope value");
        }
        for (const Sample& s : in.samples) {
            Require(s.data.size() <= 0x7FFFFFFFu / 2, "sample length");
            Require(s.volume <= 64, "sample volume");
            if (s.loop != LoopType::None && s.loopLength > 0)
                Require(s.loopStart < s.data.size() && s.loopLength <= s.data.size() - s.loopStart, "sample loop");
        }
    }
}

// Packs one cell: a flag byte says which of the five fields follow; an empty cell is one byte.
void PackCell(Out& out, const Cell& c) {
    std::uint8_t flags = 0x80;
    if (c.note) flags |= 0x01;
    if (c.instrument) flags |= 0x02;
    if (c.volume) flags |= 0x04;
    if (c.effect) flags |= 0x08;
    if (c.param) flags |= 0x10;
    out.U8(flags);
    if (c.note) out.U8(c.note);
    if (c.instrument) out.U8(c.instrument);
    if (c.volume) out.U8(c.volume);
    if (c.effect) out.U8(c.effect);
    if (c.param) out.U8(c.param);
}

void WritePattern(Out& out, const Pattern& p, int channels) {
    out.U32(kPatternHeaderSize);
    out.U8(0);  // packing type
    out.U16(static_cast<std::uint32_t>(p.rows));
    const std::size_t sizeAt = out.Size();
    out.U16(0);
    const std::size_t start = out.Size();
    const Cell empty;
    const std::size_t total = static_cast<std::size_t>(p.rows) * channels;
    for (std::size_t i = 0; i < total; ++i) PackCell(out, i < p.cells.size() ? p.cells[i] : empty);
    const std::size_t packed = out.Size() - start;
    if (packed > 0xFFFF) throw std::invalid_argument("xm: packed pattern larger than 64 KiB");
    out.Patch16(sizeAt, static_cast<std::uint32_t>(packed));
}

void WriteEnvelope(Out& out, const Envelope& e) {
    for (std::size_t i = 0; i < 12; ++i) {
        if (i < e.points.size()) {
            out.U16(e.points[i].tick);
            out.U16(e.points[i].value);
        } else {
            out.U32(0);
        }
    }
}

std::uint8_t EnvelopeType(const Envelope& e) {
    std::uint8_t t = 0;
    if (e.enabled && !e.points.empty()) t |= 1;
    if (e.sustain >= 0) t |= 2;
    if (e.loopStart >= 0 && e.loopEnd >= 0) t |= 4;
    return t;
}

void WriteInstrument(Out& out, const Instrument& in) {
    const std::size_t start = out.Size();
    out.U32(in.samples.empty() ? kEmptyInstrumentHeaderSize : kInstrumentHeaderSize);
    out.Text(in.name, 22);
    out.U8(0);  // type
    out.U16(static_cast<std::uint32_t>(in.samples.size()));
    if (in.samples.empty()) return;
    out.U32(kSampleHeaderSize);
    for (std::uint8_t s : in.noteSample) out.U8(s);
    WriteEnvelope(out, in.volumeEnvelope);
    WriteEnvelope(out, in.panningEnvelope);
    const Envelope& v = in.volumeEnvelope;
    const Envelope& p = in.panningEnvelope;
    out.U8(static_cast<std::uint8_t>(v.points.size()));
    out.U8(static_cast<std::uint8_t>(p.points.size()));
    out.U8(static_cast<std::uint8_t>(std::max(v.sustain, 0)));
    out.U8(static_cast<std::uint8_t>(std::max(v.loopStart, 0)));
    out.U8(static_cast<std::uint8_t>(std::max(v.loopEnd, 0)));
    out.U8(static_cast<std::uint8_t>(std::max(p.sustain, 0)));
    out.U8(static_cast<std::uint8_t>(std::max(p.loopStart, 0)));
    out.U8(static_cast<std::uint8_t>(std::max(p.loopEnd, 0)));
    out.U8(EnvelopeType(v));
    out.U8(EnvelopeType(p));
    out.U8(in.vibratoType);
    out.U8(in.vibratoSweep);
    out.U8(in.vibratoDepth);
    out.U8(in.vibratoRate);
    out.U16(in.fadeout);
    out.Zeros(kInstrumentHeaderSize - (out.Size() - start));

    for (const Sample& s : in.samples) {
        const bool looped = s.loop != LoopType::None && s.loopLength > 0;
        out.U32(static_cast<std::uint32_t>(s.data.size() * 2));  // lengths are in bytes
        out.U32(looped ? s.loopStart * 2 : 0);
        out.U32(looped ? s.loopLength * 2 : 0);
        out.U8(s.volume);
        out.U8(static_cast<std::uint8_t>(s.finetune));
        out.U8(static_cast<std::uint8_t>((looped ? static_cast<std::uint8_t>(s.loop) : 0) | 0x10));  // 16-bit
        out.U8(s.panning);
        out.U8(static_cast<std::uint8_t>(s.relativeNote));
        out.U8(0);  // delta encoding
        out.Text(s.name, 22);
    }
    for (const Sample& s : in.samples) {
        std::int16_t previous = 0;
        for (std::int16_t v16 : s.data) {
            out.U16(static_cast<std::uint16_t>(static_cast<std::uint16_t>(v16) - static_cast<std::uint16_t>(previous)));
            previous = v16;
        }
    }
}

}  // namespace

std::vector<std::uint8_t> Write(const Module& m) {
    CheckModule(m);
    Out out;
    out.Text("Extended Module: ", 17);
    out.Text(m.name, 20);
    out.U8(0x1A);
    out.Text(m.tracker, 20, ' ');
    out.U16(0x0104);
    out.U32(kHeaderSize);
    out.U16(static_cast<std::uint32_t>(m.orders.size()));
    out.U16(static_cast<std::uint32_t>(m.restart));
    out.U16(static_cast<std::uint32_t>(m.channels));
    out.U16(static_cast<std::uint32_t>(m.patterns.size()));
    out.U16(static_cast<std::uint32_t>(m.instruments.size()));
    out.U16(m.linearFrequencies ? 1 : 0);
    out.U16(static_cast<std::uint32_t>(m.speed));
    out.U16(static_cast<std::uint32_t>(m.bpm));
    for (std::size_t i = 0; i < 256; ++i) out.U8(i < m.orders.size() ? m.orders[i] : 0);
    for (const Pattern& p : m.patterns) WritePattern(out, p, m.channels);
    for (const Instrument& in : m.instruments) WriteInstrument(out, in);
    return out.Take();
}

bool WriteFile(const Module& module, const std::string& path) {
    const std::vector<std::uint8_t> bytes = Write(module);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f.flush());
}

}  // namespace xm
