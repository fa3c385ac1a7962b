// The program meeting what goes wrong on a user's machine: a disk that fills during a capture,
// a frame that cannot be written, and content files missing or damaged. Each ends with its
// clear line and exit code, or the show goes on; never a crash, never a cut file left behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "platform/sound/Sample.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int code = -1;  // exit code; -1 when it did not exit (a signal)
    std::string err;
};

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path Folder(const std::string& name) {
    const fs::path dir = fs::path(::testing::TempDir()) / (name + std::to_string(getpid()));
    fs::remove_all(dir);
    return dir;
}

// The program with these arguments, stdout dropped, stderr kept; fileLimit > 0 caps the size of
// every file it writes, as a full disk would, with the signal for it ignored so writes fail.
Outcome Solmire(const std::vector<std::string>& args, rlim_t fileLimit = 0) {
    const fs::path errFile = Folder("solmire_faults_err_");
    const pid_t pid = fork();
    if (pid == 0) {
        const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = ::open("/dev/null", O_WRONLY);
        if (err < 0 || null < 0) _exit(126);
        dup2(null, 1);
        dup2(err, 2);
        if (fileLimit > 0) {
            // Opened before the limit: what the program says is kept whatever it writes.
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileLimit, fileLimit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        std::vector<char*> argv{const_cast<char*>(SOLMIRE_SHOW)};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(SOLMIRE_SHOW, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(errFile)};
    fs::remove(errFile);
    return run;
}

// A PNG is whole when it ends with its IEND chunk.
bool WholePng(const fs::path& p) {
    const std::string b = ReadAll(p);
    static const char kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', '\xAE', 'B', '`', '\x82'};
    return b.size() > 20 && b.compare(0, 4, "\x89PNG") == 0 && b.compare(b.size() - 12, 12, kEnd, 12) == 0;
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

// The WAV's header agrees with its length, and it reads back with all its frames.
void ExpectPlayableWav(const fs::path& p) {
    const std::string b = ReadAll(p);
    ASSERT_GE(b.size(), 44u);
    EXPECT_EQ(Le32(b, 4), b.size() - 8);
    EXPECT_EQ(Le32(b, 40), b.size() - 44);
    EXPECT_EQ((b.size() - 44) % 4, 0u);
    if (b.size() == 44) return;  // no frame yet: nothing for the loader to read
    std::string error;
    const auto wav = sound::Sample::LoadWav(p.string(), error);
    ASSERT_TRUE(wav) << error;
    EXPECT_EQ(wav->Frames(), (b.size() - 44) / 4);
}

// What a capture that stopped on a write left: one line naming the file, every picture whole
// and numbered from 0 without a gap, the named file absent (a picture) or playable (the audio).
void ExpectCleanStop(const Outcome& run, const fs::path& dir) {
    EXPECT_EQ(run.code, 1) << run.err;
    std::smatch m;
    const std::regex line("solmire: cannot write " + dir.string() + "/(frame-(\\d{6})\\.png|audio\\.wav)\n");
    ASSERT_TRUE(std::regex_match(run.err, m, line)) << run.err;
    long pictures = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".png" || !entry.is_regular_file()) continue;
        ++pictures;
        EXPECT_TRUE(WholePng(entry.path())) << entry.path();
    }
    for (long i = 0; i < pictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06ld.png", i);
        EXPECT_TRUE(fs::exists(dir / name)) << name;
    }
    if (m[2].matched) {
        EXPECT_EQ(std::stol(m[2]), pictures) << "the named picture is the first one missing";
    }
    ExpectPlayableWav(dir / "audio.wav");
}

TEST(CaptureFaults, FullDiskStopsAtOnceNamingTheFileAndLeavesWhatWasWrittenWhole) {
    // Small enough that the audio or a picture meets it within the opening seconds.
    for (rlim_t limit : {rlim_t{3000}, rlim_t{70000}, rlim_t{400000}}) {
        const fs::path dir = Folder("solmire_full_disk_");
        const Outcome run = Solmire({"--capture", dir.string(), "--frames", "900"}, limit);
        SCOPED_TRACE(limit);
        ExpectCleanStop(run, dir);
        for (const auto& entry : fs::directory_iterator(dir)) EXPECT_LE(fs::file_size(entry.path()), limit);
        fs::remove_all(dir);
    }
}

TEST(CaptureFaults, PictureThatCannotBeWrittenStopsTheCaptureThere) {
    const fs::path dir = Folder("solmire_blocked_frame_");
    fs::create_directories(dir / "frame-000005.png" / "in-the-way");
    const Outcome run = Solmire({"--capture", dir.string(), "--frames", "60"});
    ExpectCleanStop(run, dir);
    EXPECT_NE(run.err.find("frame-000005.png"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir / "frame-000005.png" / "in-the-way")) << "what was in the way is not ours";
    ExpectPlayableWav(dir / "audio.wav");
    fs::remove_all(dir);
}

// The content pack with files replaced: by the bytes given, or left out when there are none.
using Changes = std::vector<std::pair<std::string, std::optional<std::string>>>;
fs::path DataWith(const Changes& changes) {
    static int made = 0;
    const fs::path dir = Folder("solmire_data_" + std::to_string(++made) + "_");
    fs::create_directories(dir);
    for (const auto& entry : fs::directory_iterator(SOLMIRE_DATA_DIR)) {
        const std::string name = entry.path().filename().string();
        if (std::none_of(changes.begin(), changes.end(), [&](const auto& c) { return c.first == name; }))
            fs::create_symlink(entry.path(), dir / name);
    }
    for (const auto& [name, bytes] : changes)
        if (bytes) std::ofstream(dir / name, std::ios::binary) << *bytes;
    return dir;
}

std::string Original(const std::string& file) { return ReadAll(fs::path(SOLMIRE_DATA_DIR) / file); }

// A capture of the first `passes` passes of the show on that content, one picture in all.
Outcome ShowOn(const fs::path& data, int passes) {
    const fs::path out = Folder("solmire_data_out_");
    Outcome run = Solmire({"--data", data.string(), "--capture", out.string(), "--every", "1000000", "--trace", "--frames",
                       std::to_string(passes)});
    fs::remove_all(out);
    fs::remove_all(data);
    return run;
}

TEST(DamagedContent, ModelMissingOrCutEndsNamingTheFile) {
    Outcome run = ShowOn(DataWith({{"vokar.3ds", std::nullopt}}), 30);
    EXPECT_EQ(run.code, 25);
    EXPECT_NE(run.err.find("V3D Error: Missing model file : vokar.3ds"), std::string::npos) << run.err;
    run = ShowOn(DataWith({{"vokar.3ds", Original("vokar.3ds").substr(0, 300)}}), 30);
    EXPECT_EQ(run.code, 25);
    EXPECT_NE(run.err.find("V3D Error: No object in model file : vokar.3ds"), std::string::npos) << run.err;
    run = ShowOn(DataWith({{"torus.ase", Original("torus.ase").substr(0, 500)}}), 30);
    EXPECT_EQ(run.code, 25);
    EXPECT_NE(run.err.find("V3D Error: No object in model file : torus.ase"), std::string::npos) << run.err;
}

TEST(DamagedContent, ModuleMissingOrUnreadablePlaysOnSilent) {
    std::string garbled = Original("solmire.xm");
    std::memset(garbled.data(), 'x', 60);  // the header's mark and name gone
    for (const fs::path& data : {DataWith({{"solmire.xm", std::nullopt}}), DataWith({{"solmire.xm", garbled}})}) {
        const Outcome run = ShowOn(data, 90);
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_NE(run.err.find("couldn't load module \"solmire.xm\""), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("Music: no module playing; the show goes on silent"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("captured 90 frames"), std::string::npos) << run.err;
    }
}

// The first picture the show loads whole is the fountain's landscape, at about 2.5 minutes.
TEST(DamagedContent, PictureCutEndsNamingTheFile) {
    const Outcome run = ShowOn(DataWith({{"paysage2.bmp", Original("paysage2.bmp").substr(0, 3000)}}), 5000);
    EXPECT_EQ(run.code, 15);
    EXPECT_NE(run.err.find("scene FountainScene begins"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("VVideo Error: Cannot get image file : paysage2.bmp"), std::string::npos) << run.err;
}

// Path files report nothing: a path cut short keeps what was read, a missing file leaves the
// table as it was, and the scenes fly on. The mountain pass reads the first path file, the
// forest the second.
TEST(DamagedContent, PathFileCutOrMissingLetsTheScenesRunToTheirEnd) {
    const Outcome run =
        ShowOn(DataWith({{"scene5.txt", "ship0:2\n-240.0,-350.0,-3"}, {"scene6.txt", std::nullopt}}), 5850);
    EXPECT_EQ(run.code, 0) << run.err;
    for (const char* scene : {"MountainPassScene", "ForestFlightScene"})
        EXPECT_TRUE(std::regex_search(run.err, std::regex(std::string("scene ") + scene + " passes [1-9]\\d* frames")))
            << scene << "\n" << run.err;
    EXPECT_NE(run.err.find("scene MissileScene begins"), std::string::npos) << run.err;
}

}  // namespace
