#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class Object3D;
class Renderer;

// The readers' core, apart from files, the world and process exits, so that tests, tools and
// fuzzers can feed them any bytes. Each finished object goes to the sink, in file order; an
// object the file ends in the middle of is dropped. (An ASE object needs no mapping or material,
// so one cut just after its faces, or after its mapping, reads as an object without them.)
using ObjectSink = std::function<void(std::unique_ptr<Object3D>)>;

// renderer may be null: every texture handle is then 0.
void ReadAse(std::string_view text, Renderer* renderer, const ObjectSink& sink);
void ReadAsc(std::string_view text, Renderer* renderer, const ObjectSink& sink);

// The whole file into out; false when it cannot be opened. Reading stops after maxBytes, so a
// path naming an endless device cannot hang the loader; the readers then see a cut file.
constexpr std::size_t kMaxModelFileBytes = std::size_t{512} << 20;
bool ReadModelFile(const char* path, std::string& out, std::size_t maxBytes = kMaxModelFileBytes);

// Texture handle for a name, or -1 (untextured) for a name that cannot name a picture.
int TextureHandle(Renderer* renderer, std::string_view name);
