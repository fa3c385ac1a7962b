#pragma once

// Keyframe paths: placements (position and angles) read from small text files, and the two
// interpolation formulas the scenes sample them with.
//
// File format, path after path with nothing between:
//   LABEL ':' keyCount { x s y s z s rx s ry s rz s frames s }*keyCount
// where s is any one non-blank character (',' or ';' in practice) and blanks or line breaks
// may stand before any number or separator. The label runs up to the colon.

#include <iosfwd>

class Object3D;

struct PathKey {
    double x = 0, y = 0, z = 0;
    double rx = 0, ry = 0, rz = 0;
    int frames = 0;  // read and kept; no scene uses it
};

struct Path {
    static constexpr int kMaxKeys = 20;
    static constexpr int kLabelSize = 20;  // 19 characters and the terminating zero

    PathKey keys[kMaxKeys];
    char label[kLabelSize] = {};
    int keyCount = 0;  // keys read for this path, at most kMaxKeys
};

constexpr int kMaxPaths = 20;

// The one table every LoadPaths overwrites from record 0 upward; never cleared, so records
// a shorter file does not reach keep what an earlier file put there.
inline Path PathTable[kMaxPaths];

// Reads pathCount paths from fileName. A missing file, an early end or a malformed number
// stops the reading: that value and everything after it keep their previous contents.
// Labels over 19 characters are cut; keys past 20 and paths past 20 are read and dropped.
void LoadPaths(const char* fileName, int pathCount);
// The same from any stream: a file's bytes already in memory.
void LoadPaths(std::istream& in, int pathCount);

// Makes the object visible and puts it at key 0 of the path (whatever its keyCount).
// An index outside the table does nothing.
void PlaceOnPath(Object3D* object, int pathIndex);

// Position and angles in one call; visibility untouched.
void SetPose(Object3D* object, double x, double y, double z, double rx, double ry, double rz);
// Gives `to` the position and angles of `from` (a part that rides with its model).
void CopyPose(const Object3D* from, Object3D* to);

inline double Lerp(double a, double b, double t) { return (1 - t) * a + t * b; }

// Quadratic Bezier with ends a and c and control b: it does not pass through b.
inline double Bezier2(double a, double b, double c, double t) {
    return (1 - t) * (1 - t) * a + 2 * t * (1 - t) * b + t * t * c;
}
