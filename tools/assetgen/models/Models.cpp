// Every model file of the show, checked against the catalogue's object counts and names.
#include <sstream>

#include "tools/assetgen/Catalogue.h"
#include "tools/assetgen/Pack.h"
#include "tools/assetgen/models/Builders.h"
#include "tools/assetgen/writers/ModelWriters.h"

namespace assetgen {

namespace {

const ModelEntry* FindEntry(std::string_view file) {
    for (const auto& entry : kModels)
        if (entry.file == file) return &entry;
    return nullptr;
}

void Check(std::string_view file, const std::vector<Mesh>& objects, int expected, std::string_view names) {
    if (static_cast<int>(objects.size()) != expected)
        throw ContentError(std::string(file) + ": " + std::to_string(objects.size()) + " objects instead of " +
                           std::to_string(expected));
    std::istringstream in{std::string(names)};
    std::string name;
    for (std::size_t i = 0; in >> name; ++i)
        if (i >= objects.size() || objects[i].name != name)
            throw ContentError(std::string(file) + ": object " + std::to_string(i) + " must be named " + name);
}

void Add(Pack& pack, const std::string& file, const std::vector<Mesh>& objects, int expected = 1,
         std::string_view names = {}) {
    if (const ModelEntry* entry = FindEntry(file)) {
        expected = entry->objects;
        names = entry->names;
    }
    Check(file, objects, expected, names);
    if (file.ends_with(".ase")) {
        pack.AddText(file, WriteAse(objects));
    } else {
        pack.Add(file, Write3ds(objects));
    }
}

}  // namespace

void GenerateModels(Pack& pack) {
    using namespace build;
    // Title
    Add(pack, "vokar.3ds", {Emblem()});
    Add(pack, "torus.ase", {Torus()});
    Add(pack, "presents.3ds", {WordModel("presents", "presents", 8)});
    Add(pack, "end.3ds", {WordModel("end", "end", 6)});
    Add(pack, "of.3ds", {WordModel("of", "of", 6)});
    Add(pack, "solmire.3ds", {WordModel("solmire", "solmire", 6)});
    Add(pack, "fond.ase", {StarField()});
    Add(pack, "rochers.3ds", {Rock("rocher", 30, 3)});
    // Planet, cockpit, mothership
    Add(pack, "vaiss_mere.3ds", Mothership());
    Add(pack, "planete1.ase", {Planet()});
    Add(pack, "soleil.ase", {Sun()});
    Add(pack, "galaxie2.ase", {Backdrop("galaxy2", 800, 600, -1)});
    Add(pack, "anneau.ase", {PlanetRing()});
    Add(pack, "tunnel.ase", {Tunnel()});
    Add(pack, "cockpit.3ds", Cockpit());
    Add(pack, "fond_galax.ase", {Backdrop("galaxy", 720, 540, -1)});
    Add(pack, "cercle.ase", {Ring()});
    // Space battle and fleet
    Add(pack, "vland.ase", {Station()});
    Add(pack, "nuage.ase", {Nebula()});
    Add(pack, "xwing.ase", {XWing()});
    Add(pack, "tiefighter.3ds", {TieFighter()});
    Add(pack, "3ailes.3ds", {ThreeWings()});
    Add(pack, "ys21.3ds", {Ys21()});
    // Fountain
    Add(pack, "fondv.ase", {Card("soleilv", 90, 90)});
    Add(pack, "fontaine.ase", {Fountain()});
    // Mountains, forest, missiles
    Add(pack, "nuage2.ase", {CloudRing()});
    Add(pack, "fond_mont2.ase", {MountainBackdrop("mont2", 620, 480, 13, 0.4)});
    Add(pack, "foret1.ase", {Forest()});
    Add(pack, "foret2.ase", {Canopy()});
    Add(pack, "missile.ase", {Missile()});
    Add(pack, "fond_mont1.ase", {MountainBackdrop("mont1", 680, 500, 17)});
    Add(pack, "vokar.ase", LogoParts());
    // Lake, character, logo
    Add(pack, "energie.ase", {EnergyBall("energie", "energy", 50, 81)});
    Add(pack, "sol.3ds", {Ground()});
    Add(pack, "brouillard.ase", {Fog()});
    // Knee-high to the figure at the scene's scale (0.3); coarse, so the burst throws chunks.
    Add(pack, "ptitrocher1.ase", {Rock("rocher1", 60, 91, 8, 6)});
    Add(pack, "ptitrocher2.ase", {Rock("rocher2", 72, 92, 8, 6)});
    Add(pack, "ptitrocher3.ase", {Rock("rocher3", 54, 93, 8, 6)});
    Add(pack, "arbre1.ase", Tree(1));
    Add(pack, "arbre2.ase", Tree(2));
    Add(pack, "lac.ase", {Lake()});
    Add(pack, "vboy.ase", Figure());
    Add(pack, "mont2.ase", {MountainGround()});
    // Motorbikes
    Add(pack, "IntVokar.ase", Hall());
    Add(pack, "moto.ase", Motorbike());
    Add(pack, "car1.ase", Car(true, 1200));
    Add(pack, "car3.ase", Car(false, 40));
    // Greetings
    Add(pack, "pilier.ase", {Pillar()});
    for (int i = 0; i < 4; ++i) Add(pack, "pan" + std::to_string(i + 1) + ".ase", {Panel(i)});
    Add(pack, "ascen.ase", {Lift()});
    Add(pack, "greets.3ds", {WordModel("greets", "greets", 8)});
    Add(pack, "bye.3ds", {WordModel("bye", "bye", 10)});
    Add(pack, "boulemap.ase", {EnergyBall("boulemap", "boulemap", 60, 82)});
    for (std::string_view group : kGreetedGroups) {
        const std::string name(group);
        Add(pack, name + ".3ds", {WordModel(name.c_str(), name.c_str(), 8)});
    }
    for (const auto& entry : kModels)
        if (!pack.Find(std::string(entry.file))) throw ContentError(std::string(entry.file) + " was not generated");
}

}  // namespace assetgen
