// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include "core/fax/FaxFileWriter.h"

#include <QTemporaryDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sched.h>
#include <sstream>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

std::string MountSmallFileSystem(const std::string& at, const std::string& size, std::string& why) {
    std::filesystem::create_directories(at);
    static bool privateNamespace = false;
    if (!privateNamespace) {
        if (::unshare(CLONE_NEWNS) != 0) {
            why = std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
            return {};
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            why = std::string("making / private: ") + std::strerror(errno);
            return {};
        }
        privateNamespace = true;
    }
    const std::string options = "size=" + size + ",mode=0700";
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        why = std::string("mount tmpfs: ") + std::strerror(errno);
        return {};
    }
    return at;
}

void FillFileSystem(const std::string& directory) {
    const std::string path = directory + (directory.empty() || directory.back() == '/' ? "" : "/") + "filler";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    // Big blocks first, then single bytes, until not one more fits.
    const std::string block(4096, 'f');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    ::close(fd);
}

std::string MakeTempDir() {
    static std::vector<std::unique_ptr<QTemporaryDir>> dirs; // removed at exit
    dirs.push_back(std::make_unique<QTemporaryDir>());
    return dirs.back()->path().toStdString() + "/";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

int TiffPages(const std::string& path) {
    const std::string command = "tiffinfo '" + path + "' 2>&1";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::string out;
    char buffer[4096];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    if (::pclose(pipe) != 0)
        return -1;
    int pages = 0;
    for (size_t at = out.find("TIFF Directory at"); at != std::string::npos; at = out.find("TIFF Directory at", at + 1))
        ++pages;
    return pages;
}

bool MakeFaxPageFile(const std::string& tiffPath, bool fine, const std::vector<std::string>& pages) {
    std::string data;
    for (const auto& name : pages) {
        data += ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3") + '\x10';
    }
    std::string capture(132, '\0');
    capture.replace(0, 2, "G3");
    capture.replace(3, 15, fine ? "1,3,0,2,0,0,0,0" : "0,3,0,2,0,0,0,0");
    capture[40] = static_cast<char>(pages.size());
    for (int i = 0; i < 4; ++i) {
        capture[128 + i] = static_cast<char>(data.size() >> (8 * i));
    }
    const std::string capturePath = tiffPath + ".cap";
    WriteFile(capturePath, capture + data);
    FaxFileWriter writer;
    const bool written = writer.Convert(capturePath, tiffPath);
    std::remove(capturePath.c_str());
    return written;
}

std::string CraftedTiff(const std::string& data, const std::vector<CraftedPage>& pages) {
    std::string out = std::string("II*\0", 4) + std::string(4, '\0') + data;
    const auto put16 = [&out](uint32_t v) { out += {static_cast<char>(v), static_cast<char>(v >> 8)}; };
    const auto put32 = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>(v >> (8 * i));
    };
    const auto set32 = [&out](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    size_t link = 4; // where the offset of the next directory goes
    for (const CraftedPage& page : pages) {
        // The strips' offsets and counts as arrays of their own where there are more than one.
        const uint32_t count = static_cast<uint32_t>(page.strips.size());
        uint32_t offsets = page.strips.empty() ? 0 : page.strips[0].first;
        uint32_t counts = page.strips.empty() ? 0 : page.strips[0].second;
        if (count > 1) {
            if (out.size() % 2)
                out += '\0';
            offsets = static_cast<uint32_t>(out.size());
            for (const auto& strip : page.strips)
                put32(strip.first);
            counts = static_cast<uint32_t>(out.size());
            for (const auto& strip : page.strips)
                put32(strip.second);
        }
        const uint32_t resolution = static_cast<uint32_t>(out.size());
        put32(200);
        put32(1);
        if (out.size() % 2)
            out += '\0';
        set32(link, static_cast<uint32_t>(out.size()));
        const struct {
            uint16_t tag, type;
            uint32_t count, value;
        } entries[] = {{256, 4, 1, page.width}, {257, 4, 1, page.rows},  {258, 3, 1, 1},
                       {259, 3, 1, 3},          {262, 3, 1, 0},          {273, 4, count, offsets},
                       {277, 3, 1, 1},          {278, 4, 1, page.rows},  {279, 4, count, counts},
                       {282, 5, 1, resolution}, {283, 5, 1, resolution}, {296, 3, 1, 2}};
        put16(static_cast<uint32_t>(std::size(entries)));
        for (const auto& e : entries) {
            put16(e.tag);
            put16(e.type);
            put32(e.count);
            put32(e.value);
        }
        link = out.size();
        put32(0);
    }
    return out;
}

} // namespace testsupport
