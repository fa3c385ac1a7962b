#pragma once

// What the show asks of its content: every model file with the number of objects its scenes
// count on (scenes fetch objects by index and take "the last object of the world", so one
// object too many shifts every index after it) and the object names they look up; the
// pictures whose size and depth the effects rely on; the path files with their path counts.
// The generator checks itself against these tables, and the content tests read the files back
// through the engine with them.

#include <string_view>

#include "content/GreetedGroups.h"

namespace assetgen {

struct ModelEntry {
    std::string_view file;
    int objects;
    // Names the scenes look up, in object order from the first object (empty: free names).
    std::string_view names;  // separated by blanks
};

// Sixteen invented greeted groups, one model each, in the greetings roll's order. The roll reads
// the same list, which is why it lives in content/, below both the show and this generator.
using content::kGreetedGroups;

inline constexpr ModelEntry kModels[] = {
    // Title
    {"vokar.3ds", 1, ""},
    {"torus.ase", 1, ""},
    {"presents.3ds", 1, ""},
    {"end.3ds", 1, ""},
    {"of.3ds", 1, ""},
    {"solmire.3ds", 1, ""},
    {"fond.ase", 1, ""},
    {"rochers.3ds", 1, ""},
    // Planet, cockpit, mothership
    {"vaiss_mere.3ds", 3, ""},
    {"planete1.ase", 1, ""},
    {"soleil.ase", 1, ""},
    {"galaxie2.ase", 1, ""},
    {"anneau.ase", 1, ""},
    {"tunnel.ase", 1, ""},
    {"cockpit.3ds", 4, "vitre tab1 tab2 tab03"},
    {"fond_galax.ase", 1, ""},
    {"cercle.ase", 1, ""},
    // Space battle and fleet
    {"vland.ase", 1, ""},
    {"nuage.ase", 1, ""},
    {"xwing.ase", 1, ""},
    {"tiefighter.3ds", 1, ""},
    {"3ailes.3ds", 1, ""},
    {"ys21.3ds", 1, ""},
    // Fountain
    {"fondv.ase", 1, ""},
    {"fontaine.ase", 1, ""},
    // Mountains, forest, missiles
    {"nuage2.ase", 1, ""},
    {"fond_mont2.ase", 1, ""},
    {"foret1.ase", 1, ""},
    {"foret2.ase", 1, ""},
    {"missile.ase", 1, ""},
    {"fond_mont1.ase", 1, ""},
    {"vokar.ase", 15, "1 2 3 4 5 6 7 8 9 10 11 12 13 bat socle"},
    // Lake, character, logo
    {"energie.ase", 1, ""},
    {"sol.3ds", 1, ""},
    {"brouillard.ase", 1, ""},
    {"ptitrocher1.ase", 1, ""},
    {"ptitrocher2.ase", 1, ""},
    {"ptitrocher3.ase", 1, ""},
    {"arbre1.ase", 2, ""},
    {"arbre2.ase", 2, ""},
    {"lac.ase", 1, ""},
    {"vboy.ase", 6, "tete corps brasg piedg brasd piedd"},
    {"mont2.ase", 1, ""},
    // Motorbikes
    {"IntVokar.ase", 23, ""},
    {"moto.ase", 6, ""},
    {"car1.ase", 7, ""},
    {"car3.ase", 7, ""},
    // Greetings
    {"pilier.ase", 1, ""},
    {"pan1.ase", 1, ""},
    {"pan2.ase", 1, ""},
    {"pan3.ase", 1, ""},
    {"pan4.ase", 1, ""},
    {"ascen.ase", 1, ""},
    {"greets.3ds", 1, ""},
    {"bye.3ds", 1, ""},
    {"boulemap.ase", 1, ""},
    // and one "<group>.3ds" of one object for each of kGreetedGroups
};

struct PictureEntry {
    std::string_view file;
    int width, height;  // 0: any
    int bits;           // 8 where the engine reads the bytes itself
};

inline constexpr PictureEntry kPictures[] = {
    {"pevin.bmp", 640, 480, 24},    {"pevin8.bmp", 640, 200, 8},    {"phare.bmp", 64, 64, 8},
    {"paysage2.bmp", 640, 480, 24}, {"cache.bmp", 640, 480, 24},    {"montsoleil.bmp", 640, 480, 24},
    {"ciel1b.bmp", 320, 200, 24},   {"pigeon1.bmp", 0, 0, 24},      {"pigeon2.bmp", 0, 0, 24},
    {"fontaine1.bmp", 0, 0, 24},    {"fontaine2.bmp", 0, 0, 24},    {"fontaine3.bmp", 0, 0, 24},
    {"fontaine4.bmp", 0, 0, 24},    {"nuage3.bmp", 0, 0, 24},
};

struct PathEntry {
    std::string_view file;
    int paths;
    int minKeys;  // in every path
};

inline constexpr PathEntry kPathFiles[] = {
    {"scene5.txt", 5, 2}, {"scene6.txt", 3, 2}, {"scene7.txt", 5, 2},      {"scene8.txt", 6, 9},
    {"scene9.txt", 6, 9}, {"scene11.txt", 1, 4}, {"scene11moto.txt", 1, 3}, {"arbre.txt", 13, 1},
};

// The pond the fountain scene ripples: columns and rows of "paysage2.bmp" (inclusive).
inline constexpr int kPondLeft = 250, kPondRight = 638, kPondTop = 280, kPondBottom = 478;

}  // namespace assetgen
