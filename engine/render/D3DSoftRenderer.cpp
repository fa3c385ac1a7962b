#include "engine/render/D3DSoftRenderer.h"

void D3DSoftRenderer::Init() {
    Profile profile;
    profile.searchHardware = false;
    profile.renderTargetInVideoMemory = 0;
    profile.marginX = 500, profile.marginY = 200;
    profile.perspective = FALSE, profile.dither = FALSE;
    profile.linearFilter = false;
    profile.specularOff = false;
    InitWith(profile);
}
