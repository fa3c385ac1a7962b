#include "platform/sound/WavWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace sound {
namespace {

constexpr long kHeaderBytes = 44;
// RIFF sizes are 32-bit: stop before a file would overflow them.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Header(std::uint8_t* h, int rate, std::uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    Put32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1);  // PCM
    Put16(h + 22, 2);  // stereo
    Put32(h + 24, static_cast<std::uint32_t>(rate));
    Put32(h + 28, static_cast<std::uint32_t>(rate) * 4);
    Put16(h + 32, 4);
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    Put32(h + 40, dataBytes);
}

}  // namespace

WavWriter::~WavWriter() { Close(); }

bool WavWriter::Open(const std::string& path, int rate) {
    Close();
    path_ = path;
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    frames_ = 0;
    failed_ = false;
    rate_ = rate;
    std::uint8_t h[kHeaderBytes];
    Header(h, rate, 0);
    failed_ = std::fwrite(h, 1, sizeof h, file_) != sizeof h;
    return !failed_;
}

bool WavWriter::Append(const std::int16_t* frames, std::size_t count) {
    if (!file_ || failed_) return false;
    if ((frames_ + count) * 4 > kMaxDataBytes) {
        failed_ = true;
        return false;
    }
    // WAV is little-endian; so is every machine this runs on, but say it rather than assume it.
    std::uint8_t buf[4096];
    std::size_t done = 0;
    while (done < count) {
        const std::size_t n = std::min<std::size_t>(count - done, sizeof buf / 4);
        for (std::size_t i = 0; i < 2 * n; ++i) Put16(buf + 2 * i, static_cast<std::uint16_t>(frames[2 * done + i]));
        if (std::fwrite(buf, 4, n, file_) != n) {
            failed_ = true;
            return false;
        }
        done += n;
    }
    frames_ += count;
    return true;
}

bool WavWriter::Close() {
    if (!file_) return false;
    bool ok = !failed_;
    if (ok) {
        std::uint8_t h[kHeaderBytes];
        Header(h, rate_, static_cast<std::uint32_t>(frames_ * 4));
        ok = std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, file_) == sizeof h;
    }
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok) Salvage();
    return ok;
}

// After a failed write (a full disk, a size limit) the file holds an unknown part of what was
// appended: keep its whole frames and make the header say so, so that what was written plays.
// Neither step makes the file longer.
void WavWriter::Salvage() {
    const int fd = ::open(path_.c_str(), O_RDWR);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size >= kHeaderBytes) {
        const std::uint64_t dataBytes =
            std::min<std::uint64_t>((static_cast<std::uint64_t>(st.st_size) - kHeaderBytes) / 4 * 4, kMaxDataBytes);
        std::uint8_t h[kHeaderBytes];
        Header(h, rate_, static_cast<std::uint32_t>(dataBytes));
        if (::ftruncate(fd, static_cast<off_t>(kHeaderBytes + dataBytes)) == 0 &&
            ::pwrite(fd, h, sizeof h, 0) == static_cast<ssize_t>(sizeof h))
            frames_ = dataBytes / 4;
    }
    ::close(fd);
}

}  // namespace sound
