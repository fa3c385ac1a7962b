// The two music modules of the pack.

#include "tools/assetgen/Pack.h"
#include "tools/assetgen/music/Greeting.h"
#include "tools/assetgen/music/Instruments.h"
#include "tools/assetgen/music/Song.h"

namespace assetgen {

void GenerateMusic(Pack& pack) {
    const std::vector<xm::Instrument> instruments = music::MakeInstruments();
    pack.Add("solmire.xm", xm::Write(music::ComposeSong(instruments)));
    pack.Add("greeting.xm", xm::Write(music::ComposeGreeting(instruments)));
}

}  // namespace assetgen
