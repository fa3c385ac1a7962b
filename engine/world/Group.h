#pragma once

class Object3D;

// Objects that share one placement: Apply copies position and angles to every member.
class Group {
public:
    static constexpr int kMaxMembers = 500;

    int count = 0;
    Object3D* members[kMaxMembers] = {};
    double position[3] = {0, 0, 0};
    double angles[3] = {0, 0, 0};

    Group() = default;
    ~Group() = default;
    Group(const Group&) = delete;
    Group& operator=(const Group&) = delete;

    // False (and nothing added) when the group is full.
    bool Add(Object3D* object);
    void Apply();
};
