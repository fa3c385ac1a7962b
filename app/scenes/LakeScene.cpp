// Not written yet: the show passes straight on.
#include "app/scenes/Scenes.h"

void LakeScene() {}
