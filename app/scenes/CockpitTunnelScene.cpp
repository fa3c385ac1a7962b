// Through the cockpit window into the tunnel: the panels settle, the tunnel rushes past,
// speeding up, until it has gone by.
#include "app/Globals.h"
#include "app/Paths.h"
#include "app/Scene.h"
#include "app/scenes/Scenes.h"
#include "engine/world/Object3D.h"
#include "engine/world/RenderFlags.h"

void CockpitTunnelScene() {
    Scene scene("CockpitTunnelScene");
    Camera camera(-600, 512);
    world.SetCamera(&camera);

    scene.Load("cockpit.3ds");     // "vitre", "tab1", "tab2", "tab03": window and panels
    scene.Load("tunnel.ase");      // object 4
    scene.Load("fond_galax.ase");  // object 5
    Object3D* window = scene.Find("vitre");
    Object3D* panels[3] = {scene.Find("tab1"), scene.Find("tab2"), scene.Find("tab03")};
    Object3D* tunnel = scene.At(4);
    Object3D* galaxy = scene.At(5);
    // The window and the tunnel are seen from both sides; panels and galaxy only from the front.
    const unsigned lit = RenderFlags::kTextured | RenderFlags::kGouraud;
    window->SetFlags(lit);
    for (Object3D* p : panels) p->SetFlags(lit | RenderFlags::kCull);
    tunnel->SetFlags(lit);
    galaxy->SetFlags(lit | RenderFlags::kCull);
    world.AddAdditive(window);

    const double grey[6][3] = {{0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5},
                               {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}};
    RigAxisLights(grey);
    Halo halo;
    halo.SetPosition(0, 0, 0);
    halo.SetFar(250);
    halo.SetNear(150);
    world.AddHalo(&halo);

    galaxy->position[2] = 9380;
    galaxy->Scale(20, 20, 20);
    tunnel->position[2] = -440;
    window->Scale(2, 3, 2);
    SetPose(window, -10, 50, -498, 1.73, 0.02, -0.08);
    SetPose(panels[0], -6, 58, -502, 0.08, 0.35, -3.56);
    SetPose(panels[1], 0.2, 50, -492, -0.2, -0.54, -2.56);
    SetPose(panels[2], 0, 58, -512, -0.24, 0, -3.16);

    double speed = 2.5;
    int panelPasses = 0;
    while (tunnel->position[2] > -15000) {
        if (panelPasses < 15) {
            for (Object3D* p : panels) p->position[1] -= 1;
            ++panelPasses;
        }
        tunnel->position[2] -= speed;
        if (speed < 80) speed += 0.25;
        tunnel->angles[2] += 0.02;
        scene.Pass();
    }

    world.RemoveHalo(&halo);
    world.SetCamera(nullptr);  // the local camera ends here
    world.Clear();
}
