#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <memory>

#include "engine/loaders/ModelReaders.h"
#include "engine/loaders/Reader3ds.h"
#include "loaders/LoaderFixture.h"

using modelfiles::Mesh;

namespace {

using LoadObject = LoaderTest;

// Files copied from systems that ignore case often carry upper-case names.
TEST_F(LoadObject, ChoosesTheReaderByTheExtensionInAnyCase) {
    const auto ase = modelfiles::MakeAse({"t.bmp"}, {Quad("Ase")});
    const auto tds = modelfiles::Make3ds(std::vector<Mesh>{Quad("3ds")});
    const auto asc = modelfiles::MakeAsc({Quad("Asc")});
    const std::pair<const char*, std::string> files[] = {{"a.ase", ase}, {"B.ASE", ase}, {"c.3ds", tds}, {"D.3DS", tds},
                                                         {"e.asc", asc}, {"F.ASC", asc}, {"g.aSc", asc}};
    for (const auto& [name, bytes] : files) world.LoadObject(Write(name, bytes).c_str());
    ASSERT_EQ(world.objectCount, 7);
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(Object(i)->name, i < 2 ? "Ase" : i < 4 ? "3ds" : "Asc") << i;
}

// The front end passes over a file it cannot open without a word; a reader called on its own
// ends the process with code 23, and an extension no reader takes with code 24.
TEST_F(LoadObject, RefusalsEndTheProcessWithTheLoadersCodes) {
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

    const std::string other = Write("model.Obj", "x");
    EXPECT_EXIT(world.LoadObject(other.c_str()), ::testing::ExitedWithCode(24), "V3D Error: Unsupported format : \\.Obj");
    const std::string dir = ::testing::TempDir();
    EXPECT_EXIT(
        {
            // A path shorter than four characters is shown whole.
            if (chdir(dir.c_str()) != 0 || !modelfiles::WriteFile("ab", "")) std::exit(1);
            world.LoadObject("ab");
        },
        ::testing::ExitedWithCode(24), "Unsupported format : ab");
    // An endless device is read only up to the limit instead of filling memory.
    std::string bytes;
    ASSERT_TRUE(ReadModelFile("/dev/zero", bytes, 100000));
    EXPECT_EQ(bytes.size(), 100000u);
}

// Every prefix of a valid two-object file of each format, and the file with every step-th byte
// changed to each of values: nothing breaks, no object has more faces than it was written with,
// and a prefix holding the whole first object keeps it.
TEST(Readers, SurviveEveryTruncationAndByteChange) {
    RecordingRenderer renderer;
    auto read = [&renderer](char format, const std::string& bytes) {
        int n = 0;
        auto sink = [&n](std::unique_ptr<Object3D> o) { n += o->faceCount <= 2 ? 1 : 100; };
        if (format == 'e') ReadAse(bytes, &renderer, sink);
        if (format == 'c') ReadAsc(bytes, &renderer, sink);
        if (format == '3') {
            Reader3ds reader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &renderer);
            reader.Read();
            for (auto& o : reader.Objects()) sink(std::move(o));
        }
        return n;
    };
    Mesh a = Quad("A"), b = Quad("B"), plain = Quad("C");
    b.materialRef = 1;
    a.faceMaterials = {"x", "y"};
    a.groups = {{"metal", {0}}, {"glass", {1}}};
    plain.mapping.clear();
    auto survive = [&read](char format, const std::string& full, std::size_t firstDone, std::size_t step) {
        ASSERT_EQ(read(format, full), 2) << format;
        for (std::size_t len = 0; len < full.size(); ++len) {
            const int n = read(format, full.substr(0, len));
            ASSERT_TRUE(n <= 2 && n >= (len >= firstDone ? 1 : 0)) << format << " " << len << ": " << n;
        }
        std::string changed = full;
        for (std::size_t i = 0; i < changed.size(); i += step)
            for (char v : {'*', '"', ' ', ':', '-', '9', '\0', '\x01', '\x7F', '\xFF'}) {
                changed[i] = v;
                EXPECT_LT(read(format, changed), 100) << format << " " << i;
                changed[i] = full[i];
            }
    };
    const std::string ase = modelfiles::MakeAse({"x.bmp", "y.bmp"}, {a, b}), asc = modelfiles::MakeAsc({a, plain}),
                      tds = modelfiles::Make3ds(std::vector<Mesh>{a, a});
    survive('e', ase, ase.rfind("*GEOMOBJECT"), 3);
    survive('c', asc, asc.rfind("Named object"), 2);
    survive('3', tds, tds.size() - modelfiles::NamedObject(a).Bytes().size(), 1);
}

// solmire-model: what a user points at a model file, in the case the file came in.
using ToolRun = std::pair<std::string, int>;
ToolRun RunTool(const std::string& arguments) {
    std::FILE* pipe = popen((std::string(SOLMIRE_MODEL_TOOL) + " " + arguments + " 2>/dev/null").c_str(), "r");
    std::string out;
    if (!pipe) return {out, -1};
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST_F(LoadObject, ModelToolListsEachObjectAndEndsWithTheLoadersCodes) {
    Mesh hull = Quad("Hull"), rock = Quad("Rock");
    hull.groups = {{"metal", {0}}, {"glass", {1}}};
    rock.mapping.clear();
    const std::string ships = Write("SHIPS.3DS", modelfiles::Make3ds(std::vector<Mesh>{hull, rock}));
    const std::string parts = Write("parts.ase", modelfiles::MakeAse({"maps\\paint.bmp"}, {Quad("Wing")}));
    EXPECT_EQ(RunTool(ships + " " + ::testing::TempDir() + "absent.asc " + parts),
              ToolRun("Hull\t4\t2\ttextured\tmetal,glass\nRock\t4\t2\tplain\t-\nWing\t4\t2\ttextured\tmaps\\paint\n", 0));
    EXPECT_EQ(RunTool(Write("m.txt", "x")), ToolRun("", 24));
}

}  // namespace
