#include <unistd.h>

#include "engine/loaders/ModelReaders.h"
#include "loaders/LoaderFixture.h"

using modelfiles::Mesh;

namespace {

using LoadObject = LoaderTest;

TEST_F(LoadObject, ChoosesTheReaderByTheLastFourCharacters) {
    world.LoadObject(Write("a.ase", modelfiles::MakeAse({"t.bmp"}, {Quad("FromAse")})).c_str());
    world.LoadObject(Write("b.3ds", modelfiles::Make3ds(std::vector<Mesh>{Quad("From3ds")})).c_str());
    world.LoadObject(Write("c.asc", modelfiles::MakeAsc({Quad("FromAsc")})).c_str());
    ASSERT_EQ(world.objectCount, 3);
    EXPECT_STREQ(Object(0)->name, "FromAse");
    EXPECT_STREQ(Object(1)->name, "From3ds");
    EXPECT_STREQ(Object(2)->name, "FromAsc");
}

// The front end passes over a file it cannot open without a word; a reader called on its own
// ends the process with code 23.
TEST_F(LoadObject, MissingFilesAreSilentForTheFrontEndAndEndTheProcessForAReader) {
    const std::string missing = ::testing::TempDir() + "missing_model";
    ::testing::internal::CaptureStderr();
    world.LoadObject((missing + ".ase").c_str());
    world.LoadObject((missing + ".XYZ").c_str());
    world.LoadObject(nullptr);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(world.objectCount, 0);
    EXPECT_EXIT(world.LoadAse(missing.c_str()), ::testing::ExitedWithCode(23), "Couldn't find ASE file : .*missing_model");
    EXPECT_EXIT(world.Load3ds(missing.c_str()), ::testing::ExitedWithCode(23), "Couldn't find 3DS file : .*missing_model");
    EXPECT_EXIT(world.LoadAsc(missing.c_str()), ::testing::ExitedWithCode(23), "Couldn't find ASC file : .*missing_model");
}

TEST_F(LoadObject, FilesAreReadWholeButNeverPastTheLimit) {
    std::string bytes;
    const std::string text = modelfiles::MakeAsc({Quad("Q")});
    ASSERT_TRUE(ReadModelFile(Write("q.asc", text).c_str(), bytes));
    EXPECT_EQ(bytes, text);
    // An endless device stops at the limit instead of filling memory.
    ASSERT_TRUE(ReadModelFile("/dev/zero", bytes, 100000));
    EXPECT_EQ(bytes.size(), 100000u);
    EXPECT_FALSE(ReadModelFile((::testing::TempDir() + "absent.ase").c_str(), bytes));
}

TEST_F(LoadObject, UnsupportedExtensionsEndTheProcessWithCode24) {
    const std::string capital = Write("model.ASE", modelfiles::MakeAse({}, {Quad("X")}));
    EXPECT_EXIT(world.LoadObject(capital.c_str()), ::testing::ExitedWithCode(24),
                "V3D Error: Unsupported format : \\.ASE");
    const std::string dir = ::testing::TempDir();
    EXPECT_EXIT(
        {
            // A path shorter than four characters is shown whole.
            if (chdir(dir.c_str()) != 0 || !modelfiles::WriteFile("ab", "")) std::exit(1);
            world.LoadObject("ab");
        },
        ::testing::ExitedWithCode(24), "Unsupported format : ab");
}

TEST_F(LoadObject, FilePastTheWorldsCapacityGetsTheWorldsError) {
    std::vector<Mesh> meshes;
    for (int i = 0; i <= World::kMaxObjects; ++i) meshes.push_back(Quad("M" + std::to_string(i)));
    const std::string path = Write("many.ase", modelfiles::MakeAse({"t.bmp"}, meshes));
    EXPECT_EXIT(world.LoadObject(path.c_str()), ::testing::ExitedWithCode(201), "Too many objects in the world");
}

TEST_F(LoadObject, LoadPointsTakesTheFilesLastObjectOutOfTheWorld) {
    Object3D keep("AlreadyThere");
    world.AddObject(&keep);
    Mesh last = Quad("Last");
    last.points.push_back({5, 6, 7});
    const std::string path = Write("pts.3ds", modelfiles::Make3ds(std::vector<Mesh>{Quad("First"), last}));

    Vertex* points = nullptr;
    int count = -1;
    world.LoadPoints(path.c_str(), &points, &count);
    ASSERT_EQ(count, 5);
    ASSERT_NE(points, nullptr);
    EXPECT_DOUBLE_EQ(points[4].x, 5.0);
    EXPECT_DOUBLE_EQ(points[4].z, 7.0);
    EXPECT_EQ(points[4].index, 4);
    delete[] points;
    ASSERT_EQ(world.objectCount, 2);
    EXPECT_STREQ(Object(1)->name, "First");

    // A file that loads nothing gives nothing, and leaves the objects already there alone.
    world.LoadPoints((::testing::TempDir() + "absent.ase").c_str(), &points, &count);
    EXPECT_EQ(points, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(world.objectCount, 2);

    world.RemoveObject(&keep);
}

}  // namespace
