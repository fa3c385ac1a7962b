#include <string>

#include "engine/loaders/ModelReaders.h"
#include "engine/loaders/Reader3ds.h"
#include "engine/video/ErrorBox.h"
#include "engine/world/Object3D.h"
#include "engine/world/World.h"

void World::Load3ds(const char* fileName) {
    std::string data;
    if (!ReadModelFile(fileName, data)) {
        const std::string message = std::string("Couldn't find 3DS file : ") + (fileName ? fileName : "");
        FatalError("V3D Error", message.c_str(), 23);
    }
    Reader3ds reader(reinterpret_cast<const unsigned char*>(data.data()), data.size(), renderer);
    if (reader.Read() == Reader3ds::Status::kUnsupportedVersion)
        FatalError("V3D Error", "3DS Format version not supported", -99);
    // Objects join the world only once the whole file has been read.
    for (std::unique_ptr<Object3D>& object : reader.Objects()) AddObject(object.release());
}
