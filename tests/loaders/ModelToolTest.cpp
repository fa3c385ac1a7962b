#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "loaders/LoaderFixture.h"

using modelfiles::Mesh;

namespace {

using ModelTool = LoaderTest;

// Runs the tool; returns what it printed on stdout and sets its exit code.
std::string RunTool(const std::string& arguments, int& code) {
    const std::string command = std::string(SOLMIRE_MODEL_TOOL) + " " + arguments + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    if (!pipe) return out;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST_F(ModelTool, ListsEachFilesObjectsWithTheirTextures) {
    Mesh hull = Quad("Hull");
    hull.groups = {{"metal", {0}}, {"glass", {1}}};
    Mesh rock = Quad("Rock");
    rock.mapping.clear();
    const std::string ships = Write("ships.3ds", modelfiles::Make3ds(std::vector<Mesh>{hull, rock}));
    // Material 0 has no bitmap block: the first bitmap found is still its; material 1 has none.
    Mesh wing = Quad("Wing");
    wing.materialRef = 0;
    Mesh bare = Quad("Bare");
    bare.materialRef = 1;
    const std::string parts =
        Write("parts.ase", modelfiles::MakeAse({std::nullopt, "maps\\paint.bmp"}, {wing, bare}));

    int code = -1;
    EXPECT_EQ(RunTool(ships + " " + parts, code),
              "Hull\t4\t2\ttextured\tmetal,glass\n"
              "Rock\t4\t2\tplain\t-\n"
              "Wing\t4\t2\ttextured\tmaps\\paint\n"
              "Bare\t4\t2\ttextured\t-\n");
    EXPECT_EQ(code, 0);
}

TEST_F(ModelTool, EndsWithTheLoadersCodes) {
    int code = -1;
    EXPECT_EQ(RunTool(Write("m.ASE", "x"), code), "");
    EXPECT_EQ(code, 24);
    const std::string good = Write("a.asc", modelfiles::MakeAsc({Quad("Kept")}));
    EXPECT_EQ(RunTool(good + " " + ::testing::TempDir() + "absent.asc", code), "Kept\t4\t2\tplain\t-\n");
    EXPECT_EQ(code, 0);
    RunTool("--help", code);
    EXPECT_EQ(code, 0);
}

}  // namespace
