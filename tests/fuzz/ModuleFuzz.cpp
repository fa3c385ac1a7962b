// A module's bytes through the player: the sync-row scan, libopenmpt's load and a short render.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/sound/ModulePlayer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    std::string error;
    std::unique_ptr<sound::ModulePlayer> player = sound::ModulePlayer::Load(bytes.data(), bytes.size(), error);
    if (!player) return 0;
    // The scan decodes at most one cell a stored byte.
    if (player->ScannedCells() > bytes.size()) std::abort();
    if (player->SyncRowCount() < 0) std::abort();
    player->IsSyncRow(0, 0);
    player->Restart(true);
    std::vector<float> out(2 * sound::ModulePlayer::kReadFrames);
    std::vector<sound::SyncEvent> events;
    for (int read = 0; read < 8; ++read)
        player->Render(out.data(), sound::ModulePlayer::kReadFrames,
                       static_cast<std::int64_t>(read) * sound::ModulePlayer::kReadFrames, events);
    for (const sound::SyncEvent& e : events)
        if (e.frame < 0) std::abort();
    return 0;
}
