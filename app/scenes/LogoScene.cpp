// The figure flies from right before the eyes, in an arc, into the maker's logo standing
// before the mountains.
#include <numbers>
#include <string>

#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

namespace {
constexpr const char* kParts[6] = {"tete", "corps", "brasg", "piedg", "brasd", "piedd"};
constexpr int kLetters = 13;  // objects "1" to "13" of the logo: not in this picture
// The logo's frame and pedestal stand behind where the flight ends (154, -60, -150), their
// opening (model y -45) on the same line of sight, so that the small figure arrives in the
// middle of the frame; a quarter of the screen wide, it is what the show closes on.
constexpr double kLogoScale = 1.1;
constexpr double kLogoAt[3] = {205, -30, 0};
}  // namespace

void LogoScene() {
    Scene scene("LogoScene");
    const double colours[6][3] = {{3, 3, 3},          {0.15, 0.15, 0.15}, {0.5, 0.5, 0.5},
                                  {0.15, 0.15, 0.15}, {0.15, 0.15, 0.15}, {0.15, 0.15, 0.15}};
    RigAxisLights(colours);
    Camera camera;
    world.SetCamera(&camera);

    scene.Load("fond_mont1.ase");  // object 0
    scene.Load("vboy.ase");
    scene.Load("vokar.ase");
    Object3D* mountains = scene.At(0);
    Object3D* parts[6];
    for (int i = 0; i < 6; ++i) parts[i] = scene.Find(kParts[i]);
    Object3D* frame = scene.Find("bat");
    Object3D* pedestal = scene.Find("socle");
    const unsigned lit = RenderFlags::kGouraud | RenderFlags::kTextured;
    mountains->SetFlags(RenderFlags::kTextured);  // a picture behind the flight, not lit
    for (Object3D* p : parts) p->SetFlags(lit | RenderFlags::kCull);
    for (Object3D* o : {frame, pedestal}) o->SetFlags(lit | RenderFlags::kCull);

    for (int i = 1; i <= kLetters; ++i) scene.Find(std::to_string(i).c_str())->visible = 0;
    for (Object3D* p : parts) {
        p->visible = 1;
        p->Scale(0.3, 0.3, 0.3);
        p->Scale(0.1, 0.1, 0.1);
        SetPose(p, -26, -6, -584, -1.85, 2.84, -0.93);
    }
    for (Object3D* o : {frame, pedestal}) {
        o->visible = 1;
        o->Scale(kLogoScale, kLogoScale, kLogoScale);
        SetPose(o, kLogoAt[0], kLogoAt[1], kLogoAt[2], 0, 0, 0);
    }
    mountains->position[2] = 9380;
    mountains->Scale(20, 20, 20);
    mountains->angles[2] = std::numbers::pi;

    // All six parts share one placement: the figure flies whole.
    for (double t = 0; t < 1; t += 0.0035) {
        for (Object3D* p : parts)
            SetPose(p, Lerp(-26, 154, t), Bezier2(-6, 50, -60, t), Lerp(-584, -150, t), Lerp(-1.85, -1.07, t), 2.84,
                    Lerp(-0.93, -0.09, t));
        scene.Pass();
    }

    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
