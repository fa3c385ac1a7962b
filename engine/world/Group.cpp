#include "engine/world/Group.h"

#include "engine/world/Object3D.h"

bool Group::Add(Object3D* object) {
    if (count >= kMaxMembers) return false;
    members[count++] = object;
    return true;
}

void Group::Apply() {
    for (int i = 0; i < count; ++i)
        for (int k = 0; k < 3; ++k) {
            members[i]->position[k] = position[k];
            members[i]->angles[k] = angles[k];
        }
}
