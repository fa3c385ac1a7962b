// Writes the fuzzers' seed corpora into DIR/ase, DIR/asc, DIR/3ds, DIR/bmp, DIR/paths, DIR/xm
// and DIR/wav: small valid files that between them reach every keyword, chunk and field the
// readers act on.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/BmpFiles.h"
#include "support/ModelFiles.h"
#include "tools/assetgen/xm/XmWriter.h"

using modelfiles::Chunk;
using modelfiles::Mesh;

namespace {

Mesh Quad(const std::string& name) {
    Mesh m;
    m.name = name;
    m.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}};
    m.faces = {{0, 1, 2}, {0, 2, 3}, {4, 1, 2}};
    m.mapping = {{0, 0.25f}, {1, 0}, {1, 1}, {0, 1}};
    m.materialRef = 1;
    m.groups = {{"metal", {0, 2}}, {"glass", {1}}};
    m.faceMaterials = {"Rust", "", "Rust"};
    return m;
}

std::string Text(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

bmp::Index Index(int perX, int perY) {
    return [=](int x, int y) { return static_cast<std::uint8_t>(x * perX + y * perY); };
}

bmp::Rgb Colour(int x, int y) { return {static_cast<std::uint8_t>(x * 40), static_cast<std::uint8_t>(y * 50), 7}; }

std::vector<bmp::Rgb> Ramp() {
    std::vector<bmp::Rgb> palette(256);
    for (int i = 0; i < 256; ++i)
        palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)};
    return palette;
}

// Two channels, a tone, two patterns with sync rows (W with values) and a jump back.
std::string Module() {
    xm::Module m;
    m.name = "seed";
    m.channels = 2;
    m.speed = 3;
    m.orders = {0, 1, 0};
    m.patterns.emplace_back(16, 2);
    m.patterns.emplace_back(8, 2);
    xm::Instrument in;
    in.name = "tone";
    xm::Sample s;
    for (int i = 0; i < 64; ++i) s.data.push_back(static_cast<std::int16_t>((i % 16) * 1500 - 12000));
    s.loop = xm::LoopType::Forward;
    s.loopLength = 64;
    in.samples.push_back(s);
    m.instruments.push_back(in);
    m.patterns[0].At(0, 0, 2) = {xm::Note(4, 0), 1, 0x40, 0, 0};
    m.patterns[0].At(4, 1, 2) = {0, 0, 0, xm::EffectLetter('W'), 3};
    m.patterns[0].At(12, 0, 2) = {xm::Note(4, 7), 1, 0, xm::EffectLetter('W'), 0};
    m.patterns[1].At(2, 1, 2) = {0, 0, 0, xm::EffectLetter('W'), 9};
    m.patterns[1].At(7, 0, 2) = {0, 0, 0, xm::EffectLetter('B'), 1};
    return Text(xm::Write(m));
}

// A RIFF WAVE with a PCM format chunk of the given layout and `frames` frames of a ramp.
std::string Wav(int channels, int bits, int rate, int frames, bool extraChunk) {
    std::string b;
    auto put = [&](std::uint32_t v, int n) { for (int i = 0; i < n; ++i) b.push_back(static_cast<char>(v >> (8 * i))); };
    const int frameBytes = channels * bits / 8;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * frameBytes);
    b += "RIFF";
    put(36 + dataBytes + (extraChunk ? 12 : 0), 4);
    b += "WAVEfmt ";
    put(16, 4), put(1, 2), put(channels, 2), put(rate, 4), put(rate * frameBytes, 4), put(frameBytes, 2), put(bits, 2);
    if (extraChunk) b += "LIST", put(4, 4), b += "INFO";
    b += "data";
    put(dataBytes, 4);
    for (std::uint32_t i = 0; i < dataBytes; ++i) b.push_back(static_cast<char>(i * 37));
    return b;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Mesh plain = Quad("Plain");
    plain.mapping.clear();
    plain.faceMaterials.clear();
    const Mesh grid = modelfiles::GridMesh("Grid", 6, 5, 30);
    const std::vector<Chunk> chunks = {Chunk(0xAFFF).Add(Chunk(0xA000).Name("metal")), Chunk(0x2100).U32(0),
                                       modelfiles::NamedObject(Quad("One")), modelfiles::NamedObject(plain, true),
                                       modelfiles::NamedObject(Quad("A_long_object_name"))};
    const std::pair<const char*, std::string> files[] = {
        {"ase/two.ase", modelfiles::MakeAse({"maps\\a.bmp", std::nullopt, "b.bmp"}, {Quad("One"), plain})},
        {"ase/grid.ase", modelfiles::MakeAse({"g.bmp"}, {grid})},
        {"asc/two.asc", modelfiles::MakeAsc({Quad("One"), plain})},
        {"asc/grid.asc", modelfiles::MakeAsc({grid})},
        {"3ds/three.3ds", modelfiles::Make3ds(chunks)},
        {"3ds/grid.3ds", modelfiles::Make3ds(std::vector<Mesh>{grid})},
        {"bmp/ramp8.bmp", Text(bmp::Bmp8(13, 7, Ramp(), Index(16, 1)))},
        {"bmp/rle8.bmp", Text(bmp::Bmp8Rle(9, 5, Ramp(), [](int x, int y) { return Index(1, 1)(x / 3, y); }))},
        {"bmp/rgb24.bmp", Text(bmp::Bmp24(6, 5, Colour, true))},
        {"paths/two.txt", "ship:2\n1.5,2,-3,0,90,0.25,10;\n4,5,6,7,8,9,20;\ncamera:1 0,0,-100,0,0,0,0,\n"},
        {"paths/many.txt", "a_label_longer_than_nineteen:3 1,2,3,4,5,6,7,1,2,3,4,5,6,7,1,2,3,4,5,6,7,b:0\nc:25" +
                               std::string(" 1e3;-2.5e-1;3;4;5;6;1;") + "\n"},
        {"xm/seed.xm", Module()},
        {"wav/stereo16.wav", Wav(2, 16, 22050, 40, false)},
        {"wav/mono8.wav", Wav(1, 8, 11025, 33, true)},
        {"wav/mono32.wav", Wav(1, 32, 44100, 10, false)}};
    bool ok = true;
    for (const char* sub : {"", "/ase", "/asc", "/3ds", "/bmp", "/paths", "/xm", "/wav"}) mkdir((dir + sub).c_str(), 0755);
    for (const auto& [name, bytes] : files) ok &= modelfiles::WriteFile(dir + "/" + name, bytes);
    if (!ok) {
        std::fprintf(stderr, "fuzz_seeds: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
