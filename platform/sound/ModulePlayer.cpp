#include "platform/sound/ModulePlayer.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

namespace sound {

namespace {

constexpr std::uint8_t kSyncEffect = 32;  // W: effects 0-9 are themselves, A..Z are 10..35
// FastTracker 2's own limits: 256 patterns of 256 rows on 32 channels.
constexpr std::uint64_t kFt2Cells = 256 * 256 * 32;

// Little-endian reads that see zeros past the end of the file, as libopenmpt's reader does.
struct Bytes {
    const std::uint8_t* data;
    std::uint64_t size;
    std::uint64_t U8(std::uint64_t at) const { return at < size ? data[at] : 0; }
    std::uint64_t U16(std::uint64_t at) const { return U8(at) | U8(at + 1) << 8; }
    std::uint64_t U32(std::uint64_t at) const { return U16(at) | U16(at + 2) << 16; }
};

struct XmPattern {
    std::uint64_t header = 0, fields = 0, begin = 0, end = 0, rows = 0;
    bool wellFormed = false;  // header and packed data whole, inside the file, back to back
};

struct XmFile {
    std::uint64_t channels = 0;
    std::vector<XmPattern> patterns;  // those that start inside the file
    std::uint64_t claimedCells = 0;   // rows x channels over every pattern the header counts
};

// Walks the patterns as libopenmpt 0.6 reads an XM: they follow the header (from version 1.04)
// or the instrument headers (1.02, 1.03); each is a header (size, packing, rows, packed size)
// and a chunk of packed cells. A header size reaching past the end leaves the reader just
// after those fields; rows are 64 when 0 and at most 1024. False when the file is no XM.
bool WalkXm(const Bytes& f, XmFile& xm) {
    // Channels beyond the library's 127 make it refuse the file: so must any copy of it.
    if (f.size < 80 || std::memcmp(f.data, "Extended Module: ", 17) != 0 || f.U16(68) == 0 || f.U16(68) > 127)
        return false;
    const std::uint64_t version = f.U16(58);
    xm.channels = f.U16(68);
    std::uint64_t at = 60 + f.U32(60);
    if (version < 0x0104) {
        // Each instrument: its header (263 bytes when it says 0), then 40 bytes a sample header,
        // each read only if whole; the sample data comes after the patterns.
        const std::uint64_t instruments = std::min<std::uint64_t>(f.U16(72), 255);
        for (std::uint64_t i = 0; i < instruments && at + 4 <= f.size; ++i) {
            const std::uint64_t size = f.U32(at) ? f.U32(at) : 263;
            std::uint64_t samples = size >= 29 ? f.U16(at + 27) : 0;
            for (at = std::min(at + size, f.size); samples > 0 && at + 40 <= f.size; --samples) at += 40;
        }
    }
    const std::uint64_t patterns = f.U16(70);
    const std::uint64_t fields = version == 0x0102 ? 8 : 9;
    for (std::uint64_t p = 0; p < patterns; ++p) {
        if (at >= f.size) {  // the rest read as zeros: empty patterns of 64 rows
            xm.claimedCells += (patterns - p) * 64 * xm.channels;
            break;
        }
        XmPattern pat;
        pat.header = at;
        pat.fields = fields;
        const std::uint64_t rows = version == 0x0102 ? f.U8(at + 5) + 1 : f.U16(at + 5);
        pat.rows = rows == 0 ? 64 : std::min<std::uint64_t>(rows, 1024);
        const std::uint64_t headerSize = f.U32(at), packed = f.U16(at + fields - 2);
        pat.begin = std::min(at + headerSize <= f.size ? at + headerSize : at + fields, f.size);
        pat.end = std::min(pat.begin + packed, f.size);
        pat.wellFormed = headerSize >= fields && at + headerSize + packed <= f.size;
        xm.claimedCells += pat.rows * xm.channels;
        xm.patterns.push_back(pat);
        at = pat.end;
    }
    return true;
}

// Decodes a pattern's cells, row by row, channel by channel, until its chunk ends (the cells
// after it are empty): visit(index, first byte, end byte, {note, instrument, volume, effect,
// parameter}). Every cell costs at least one byte of the chunk.
template <typename Visit>
void DecodeCells(const Bytes& f, const XmPattern& p, std::uint64_t channels, Visit&& visit) {
    std::uint64_t in = p.begin;
    auto next = [&]() -> std::uint8_t { return in < p.end ? f.data[in++] : 0; };
    for (std::uint64_t cell = 0; cell < p.rows * channels && in < p.end; ++cell) {
        const std::uint64_t first = in;
        std::uint8_t c[5] = {};
        // A lead byte with the top bit set says which fields follow; else it is the note and
        // the four other fields follow.
        const std::uint8_t lead = next();
        const std::uint8_t present = (lead & 0x80) ? lead : 0x1E;
        if (!(lead & 0x80)) c[0] = lead;
        else if (lead & 0x01) c[0] = next();
        for (int k = 1; k < 5; ++k)
            if (present & (1 << k)) c[k] = next();
        visit(cell, first, in, c);
    }
}

// The file with only the first `keep` channels: each pattern's cells copied byte for byte but
// those of the channels left out. Empty when the patterns are not laid out back to back as
// their headers say, or the library would find the result too short for its header.
std::vector<std::uint8_t> KeepChannels(const Bytes& f, const XmFile& xm, std::uint64_t keep) {
    if (xm.patterns.size() != f.U16(70)) return {};
    for (const XmPattern& p : xm.patterns)
        if (!p.wellFormed) return {};
    const std::uint64_t first = xm.patterns.empty() ? f.size : xm.patterns.front().header;
    std::vector<std::uint8_t> out(f.data, f.data + first);
    out[68] = static_cast<std::uint8_t>(keep);
    out[69] = static_cast<std::uint8_t>(keep >> 8);
    for (const XmPattern& p : xm.patterns) {
        out.insert(out.end(), f.data + p.header, f.data + p.begin);
        const std::size_t packedAt = out.size() - (p.begin - p.header) + p.fields - 2;
        const std::size_t dataAt = out.size();
        DecodeCells(f, p, xm.channels, [&](std::uint64_t cell, std::uint64_t from, std::uint64_t to, const std::uint8_t*) {
            if (cell % xm.channels < keep) out.insert(out.end(), f.data + from, f.data + to);
        });
        out[packedAt] = static_cast<std::uint8_t>(out.size() - dataAt);
        out[packedAt + 1] = static_cast<std::uint8_t>((out.size() - dataAt) >> 8);
    }
    out.insert(out.end(), f.data + (xm.patterns.empty() ? f.size : xm.patterns.back().end), f.data + f.size);
    if (out.size() < 80 + f.U16(64) + 4 * (f.U16(70) + f.U16(72))) return {};
    return out;
}

}  // namespace

std::unique_ptr<ModulePlayer> ModulePlayer::Load(const void* data, std::size_t size, std::string& error) {
    std::unique_ptr<ModulePlayer> player(new ModulePlayer());
    const Bytes file{static_cast<const std::uint8_t*>(data), data ? size : 0};
    XmFile xm;
    const bool isXm = WalkXm(file, xm);
    std::uint64_t used = 0;  // 1 + the last channel holding anything
    for (std::size_t p = 0; isXm && p < xm.patterns.size(); ++p) {
        DecodeCells(file, xm.patterns[p], xm.channels, [&](std::uint64_t cell, std::uint64_t, std::uint64_t, const std::uint8_t* c) {
            ++player->scannedCells_;
            if (c[0] | c[1] | c[2] | c[3] | c[4]) used = std::max(used, cell % xm.channels + 1);
            // The first channel holding W gives the value; more on the row still make one event.
            if (c[3] == kSyncEffect)
                player->syncRows_.emplace(std::make_pair(static_cast<int>(p), static_cast<int>(cell / xm.channels)), c[4]);
        });
    }
    std::vector<std::uint8_t> trimmed;
    if (isXm && xm.claimedCells > kFt2Cells && used < xm.channels) trimmed = KeepChannels(file, xm, std::max<std::uint64_t>(used, 1));
    try {
        // Sub-song durations are worked out by walking the whole song: left until asked for.
        const std::map<std::string, std::string> ctls{{"load.skip_subsongs_init", "1"}};
        player->module_ = trimmed.empty() ? std::make_unique<openmpt::module>(data, size, player->log_, ctls)
                                          : std::make_unique<openmpt::module>(trimmed, player->log_, ctls);
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
    const std::string type = player->module_->get_metadata("type");
    if (type != "xm" && type != "oxm") player->syncRows_.clear();
    // Cubic interpolation: the quality of the mixers of the time, at half the cost of the
    // library's default 8-tap filter.
    player->module_->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 4);
    player->Restart(true);
    return player;
}

std::unique_ptr<ModulePlayer> ModulePlayer::LoadFile(const std::string& path, std::string& error) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        error = "cannot open " + path;
        return nullptr;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (f.bad()) {
        error = "cannot read " + path;
        return nullptr;
    }
    return Load(bytes.data(), bytes.size(), error);
}

ModulePlayer::~ModulePlayer() = default;

void ModulePlayer::Restart(bool loop) {
    module_->set_repeat_count(loop ? -1 : 0);
    // Seeking walks the song, a cost in proportion to its rows and channels: not paid while
    // the module still stands at its start.
    if (moved_) module_->set_position_order_row(0, 0);
    moved_ = false;
    lastOrder_ = -1;
    lastRow_ = -1;
    ended_ = false;
}

void ModulePlayer::Render(float* out, std::size_t frames, std::int64_t firstFrame, std::vector<SyncEvent>& events) {
    std::size_t done = 0;
    while (done < frames) {
        const std::size_t want = std::min(kReadFrames, frames - done);
        std::size_t got = 0;
        if (!ended_) {
            got = module_->read_interleaved_stereo(kMixRate, want, out + 2 * done);
            moved_ = true;
            if (got == 0) ended_ = true;
        }
        if (got == 0) {
            std::fill(out + 2 * done, out + 2 * frames, 0.0f);
            return;
        }
        done += got;
        // Counted by (order, row): a pattern played at two orders is two different places.
        const int order = module_->get_current_order();
        const int row = module_->get_current_row();
        if (order != lastOrder_ || row != lastRow_) {
            lastOrder_ = order;
            lastRow_ = row;
            const int pattern = module_->get_order_pattern(order);
            const auto sync = syncRows_.find({pattern, row});
            if (sync != syncRows_.end())
                events.push_back({firstFrame + static_cast<std::int64_t>(done), order, row, sync->second});
        }
    }
}

bool ModulePlayer::IsSyncRow(int pattern, int row) const { return syncRows_.count({pattern, row}) != 0; }

int ModulePlayer::SyncRowCount() const { return static_cast<int>(syncRows_.size()); }

int ModulePlayer::Channels() const { return module_->get_num_channels(); }

double ModulePlayer::DurationSeconds() const {
    if (duration_ < 0) duration_ = module_->get_duration_seconds();
    return duration_;
}

std::string ModulePlayer::Log() const { return log_.str(); }

}  // namespace sound
