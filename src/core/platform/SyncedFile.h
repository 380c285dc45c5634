// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file written with every write checked to its last byte and forced to the disk on request: the
// system's own write, write-at and data sync, without a buffer that could hide a failure (a full
// disk) until it is too late to tell. The capture of a fax and DurableFile's new file are such files.
class SyncedFile {
public:
    SyncedFile() = default;
    // Closes the file (its failure no longer matters then).
    ~SyncedFile();
    SyncedFile(const SyncedFile&) = delete;
    SyncedFile& operator=(const SyncedFile&) = delete;

    // Opens an existing file for writing from its start, never through a symbolic link.
    bool OpenExisting(const std::string& path);
    // Creates `path`, which must not exist (nor be a symbolic link), with the usual permissions
    // (the umask applied). False when it exists (errno EEXIST) or cannot be made.
    bool CreateNew(const std::string& path);
    bool IsOpen() const { return m_fd >= 0; }

    // Writes behind what was written before; false unless every byte was written.
    bool Append(const void* data, size_t count);
    // Writes at `offset` without moving the append position; false unless every byte was written.
    bool WriteAt(uint64_t offset, const void* data, size_t count);
    // Gives the file the permission bits of the file at `path`, when there is one.
    bool CopyPermissionsOf(const std::string& path);
    // Forces the data written so far to the disk.
    bool Sync();
    // Closes the file; false when the system reported a failure there.
    bool Close();

private:
    int m_fd = -1;
};

// Forces the directory `path` (its entries: a rename, a new file) to the disk; ignores a file
// system that refuses.
void SyncDirectory(const std::string& path);
