// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/DurableFile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

DurableFile::DurableFile(std::string path) : m_path(std::move(path)) {}

DurableFile::~DurableFile() {
    Cancel();
}

void DurableFile::Fail(const char* step) {
    if (!m_failed)
        m_error = std::string(step) + ": " + std::strerror(errno);
    m_failed = true;
}

bool DurableFile::Open() {
    Cancel();
    m_failed = false;
    m_error.clear();
    // Beside the target, so that the rename stays within one file system; a dot name so that a
    // listing of the directory does not show it while it exists.
    const size_t slash = m_path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : m_path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? m_path : m_path.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%08x", QRandomGenerator::global()->generate());
        m_temporary = directory + "." + base + suffix;
        if (m_file.CreateNew(m_temporary))
            return true;
        if (errno != EEXIST)
            break;
    }
    Fail("open");
    m_temporary.clear();
    return false;
}

bool DurableFile::Write(const char* data, size_t count) {
    if (!m_file.IsOpen() || m_failed)
        return false;
    if (!m_file.Append(data, count)) {
        Fail("write");
        return false;
    }
    return true;
}

bool DurableFile::Commit() {
    if (!m_file.IsOpen() || m_failed) {
        Cancel();
        return false;
    }
    // The target's permissions go to the new file before it takes the target's place.
    if (!m_file.CopyPermissionsOf(m_path))
        Fail("fchmod");
    // A full disk may show only here, when the file system allocates the blocks.
    if (!m_failed && !m_file.Sync())
        Fail("fsync");
    if (!m_file.Close() && !m_failed)
        Fail("close");
    if (!m_failed && std::rename(m_temporary.c_str(), m_path.c_str()) != 0)
        Fail("rename");
    if (m_failed) {
        std::remove(m_temporary.c_str());
        m_temporary.clear();
        return false;
    }
    m_temporary.clear();
    // The rename itself reaches the disk with the directory. The new file is in place either way.
    const size_t slash = m_path.rfind('/');
    SyncDirectory(slash == std::string::npos ? std::string() : m_path.substr(0, slash + 1));
    return true;
}

void DurableFile::Cancel() {
    m_file.Close();
    if (!m_temporary.empty()) {
        std::remove(m_temporary.c_str());
        m_temporary.clear();
    }
}
