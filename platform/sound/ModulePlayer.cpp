#include "platform/sound/ModulePlayer.h"

#include <libopenmpt/libopenmpt.hpp>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace sound {

std::unique_ptr<ModulePlayer> ModulePlayer::Load(const void* data, std::size_t size, std::string& error) {
    std::unique_ptr<ModulePlayer> player(new ModulePlayer());
    try {
        player->module_ = std::make_unique<openmpt::module>(data, size, player->log_);
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
    openmpt::module& m = *player->module_;
    // Cubic interpolation: the quality of the mixers of the time, at half the cost of the
    // library's default 8-tap filter.
    m.set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 4);
    const int patterns = std::max(0, m.get_num_patterns());
    const int channels = std::max(0, m.get_num_channels());
    player->syncRows_.resize(static_cast<std::size_t>(patterns));
    player->syncValues_.resize(static_cast<std::size_t>(patterns));
    for (int p = 0; p < patterns; ++p) {
        const int rows = std::max(0, m.get_pattern_num_rows(p));
        auto& flags = player->syncRows_[static_cast<std::size_t>(p)];
        auto& values = player->syncValues_[static_cast<std::size_t>(p)];
        flags.assign(static_cast<std::size_t>(rows), false);
        values.assign(static_cast<std::size_t>(rows), 0);
        for (int r = 0; r < rows; ++r) {
            // The first channel holding W gives the value; more on the row still make one event.
            for (int c = channels - 1; c >= 0; --c) {
                // Compare the letter: libopenmpt's internal command numbers change between versions.
                if (m.format_pattern_row_channel_command(p, r, c, openmpt::module::command_effect) == "W") {
                    flags[static_cast<std::size_t>(r)] = true;
                    values[static_cast<std::size_t>(r)] =
                        m.get_pattern_row_channel_command(p, r, c, openmpt::module::command_parameter);
                }
            }
        }
    }
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
    module_->set_position_order_row(0, 0);
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
            if (IsSyncRow(pattern, row))
                events.push_back({firstFrame + static_cast<std::int64_t>(done), order, row, SyncValue(pattern, row)});
        }
    }
}

bool ModulePlayer::IsSyncRow(int pattern, int row) const {
    if (pattern < 0 || static_cast<std::size_t>(pattern) >= syncRows_.size()) return false;
    const auto& rows = syncRows_[static_cast<std::size_t>(pattern)];
    return row >= 0 && static_cast<std::size_t>(row) < rows.size() && rows[static_cast<std::size_t>(row)];
}

int ModulePlayer::SyncValue(int pattern, int row) const {
    return syncValues_[static_cast<std::size_t>(pattern)][static_cast<std::size_t>(row)];
}

int ModulePlayer::SyncRowCount() const {
    int n = 0;
    for (const auto& rows : syncRows_) n += static_cast<int>(std::count(rows.begin(), rows.end(), true));
    return n;
}

int ModulePlayer::Channels() const { return module_->get_num_channels(); }

double ModulePlayer::DurationSeconds() const { return module_->get_duration_seconds(); }

std::string ModulePlayer::Log() const { return log_.str(); }

}  // namespace sound
