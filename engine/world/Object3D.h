#pragma once

#include <memory>

#include "engine/world/Face.h"
#include "engine/world/Matrix3.h"
#include "engine/world/RenderFlags.h"
#include "engine/world/Vector3.h"
#include "engine/world/Vertex.h"

class Camera;
class LightSet;
class Renderer;

// A named triangle mesh with a render-flag word, a placement (angles, or an aim at a point or
// an object), a one-shot orbit step, an explosion animation and eight bounding-box corners.
// Owns its vertex and face records; targets (aim and orbit) are only pointed to.
class Object3D {
public:
    static constexpr int kMaxVertices = 10000;
    static constexpr int kMaxFaces = 10000;
    static constexpr int kNameSize = 256;

    char name[kNameSize];
    int vertexCount = 0;
    int faceCount = 0;
    std::unique_ptr<Face*[]> faces;       // kMaxFaces entries, [0, faceCount) used
    std::unique_ptr<Vertex*[]> vertices;  // kMaxVertices entries, [0, vertexCount) used
    Vector3* aimPoint = nullptr;          // aimMode 1 target
    Object3D* aimObject = nullptr;        // aimMode 2 target
    unsigned flags = RenderFlags::kPoints;
    int aimMode = 0;                      // 0 free (angles), 1 aimPoint, 2 aimObject
    Matrix3 rotation;                     // rows: images of the object's x, y, z axes
    Matrix3 view;                         // world-to-camera rotation for this object
    int orbitMode = 0;                    // 0 none, 1 orbitPoint, 2 orbitObject; one step only
    Vector3* orbitPoint = nullptr;
    Object3D* orbitObject = nullptr;
    double orbitAngles[3] = {0, 0, 0};
    int aimFlipped = 0;                   // regular aim basis in use
    int exploding = 0;
    int gravity = 0;                      // subtracted from each fragment's y velocity per frame
    double position[3] = {0, 0, 0};
    double angles[3] = {0, 0, 0};         // radians about x, y, z (free mode)
    int textured = 0;
    int windingSign = 1;                  // +1 or -1: culled orientation, back-light handling
    int showBox = 0;
    Vertex corners[8];                    // bounding box, object space in x, y, z
    int additive = 0;                     // in the world's additive list
    int visible = 1;
    int cameraRelative = 1;               // 0 fixes the object to the screen
    int inView = 0;
    int faceLimit = -1;                   // faces submitted; outside 0..faceCount means all

    Object3D();
    explicit Object3D(const char* name_);
    Object3D(const char* name_, int x, int y, int z);
    Object3D(int x, int y, int z);
    ~Object3D();
    Object3D(const Object3D&) = delete;
    Object3D& operator=(const Object3D&) = delete;

    // Building. Vertices are reused on exact equality of x, y and z. Every operation that
    // would go past the tables' capacity refuses: null for a vertex, -1 for a face.
    Vertex* FindVertex(const Vertex& v) const { return FindVertexAt(v.x, v.y, v.z); }
    Vertex* FindVertexAt(double x, double y, double z) const;
    Vertex* AddVertex(const Vertex& v);
    Vertex* AddVertexAt(double x, double y, double z);
    Vertex* AppendVertexCopy(const Vertex& v);
    // Face from corners (found or added); -1 for a repeated corner or a zero normal.
    // The texture handle comes from renderer->LoadTexture(textureName) when a name is given.
    int AddFace(const Vertex& a, const Vertex& b, const Vertex& c, const char* textureName, Renderer* renderer);
    int AddFaceAt(double ax, double ay, double az, double bx, double by, double bz,
                  double cx, double cy, double cz, const char* textureName, Renderer* renderer);
    // Corners taken from the vertex table; an index outside it refuses the face (-1).
    int AddFaceByIndex(int ia, int ib, int ic, const char* textureName, Renderer* renderer);
    // No vertices: all corners at the origin.
    void ComputeBoundingBox();
    // Average of the normals of the faces using each vertex, normalised; a vertex no face uses
    // gets a zero normal.
    void ComputeVertexNormals();

    // Queries.
    const char* GetName() const { return name; }
    int GetVertexCount() const { return vertexCount; }
    int GetFaceCount() const { return faceCount; }
    Face* GetFace(int i) const { return (i >= 0 && i < faceCount) ? faces[i] : nullptr; }
    Vertex* GetVertex(int i) const { return (i >= 0 && i < vertexCount) ? vertices[i] : nullptr; }
    // Whole records, table order, into out[0..vertexCount).
    void CopyVertices(Vertex* out) const;

    // Appearance.
    void SetFlags(unsigned word) { flags = word; }
    void AddFlags(unsigned bits) { flags |= bits; }
    void SetColor(int r, int g, int b);
    void SetTexture(int texture);
    void SetFaceTexture(int face, int texture);
    void FlipWinding() { windingSign = -windingSign; }

    // Placement.
    void FollowPoint(Vector3* point) { aimPoint = point; aimMode = 1; }
    void FollowObject(Object3D* object) { aimObject = object; aimMode = 2; }
    void SetFree() { aimMode = 0; }
    void SetSpinAroundPoint(Vector3* centre, double a, double b, double c);
    void SetSpinAroundObject(Object3D* centre, double a, double b, double c);
    void Scale(double sx, double sy, double sz);
    void Translate(int dx, int dy, int dz);
    // Rebuilds rotation from the aim mode: transpose of FromAngles in free mode, else a basis
    // whose forward row points at the target.
    void UpdateRotation();
    // Applies a pending orbit step to position and disarms it.
    void ApplyOrbit();

    // Explosion.
    void Explode(double speed, int gravity_, int random);
    void SetGravity(int g) { gravity = g; }
    void AdvanceExplode(double angleStep);
    // One frame of flight: places every face's corners in world space around its own pivot.
    void ExplodeStep();

    // The per-frame pipeline: orientation, box test, transforms, projection, lighting, then
    // Submit unless the object belongs to the additive pass. Nothing when not visible.
    void Render(Renderer* renderer, Camera* camera, LightSet* lights);
    // Hands the vertex and face tables to the draw calls the flag word selects.
    void Submit(Renderer* renderer, LightSet* lights);

private:
    void Construct(const char* name_, int x, int y, int z);
    void ArmOrbit(int mode, double a, double b, double c);
    int FinishFace(Vertex* a, Vertex* b, Vertex* c, const char* textureName, Renderer* renderer);
};
