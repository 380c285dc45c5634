// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/platform/SyncedFile.h"

#include <cstddef>
#include <string>

// A file written whole or not at all: the bytes go into a new file beside the target, every write
// is checked, the data is forced to the disk (fsync) and only then renamed over the target. Until
// Commit succeeds the target is untouched, so a full disk, an I/O error or a crash at any moment
// leaves either the old file or the complete new one. Unlike QSaveFile in Qt 6.4, whose commit()
// reports success when its last buffered write fails with ENOSPC and then renames the short file
// over the old one, a failure anywhere is reported and the old file stays.
class DurableFile {
public:
    // `path`: the file to replace or create (the file system's bytes).
    explicit DurableFile(std::string path);
    // Without Commit the new file is removed and the target stays as it was.
    ~DurableFile();
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // Creates the new file beside the target, exclusively; false when it cannot be created.
    bool Open();
    // Appends bytes to the new file; false, and the whole file fails, when they could not be written.
    bool Write(const char* data, size_t count);
    // Forces the new file to the disk and renames it over the target, which keeps its permissions
    // (a new target gets the usual ones, the umask applied). False when any step failed: the
    // target is then as it was.
    bool Commit();
    // Drops the new file; the target stays as it was.
    void Cancel();

    // The system's words for the first failure, empty when there was none.
    const std::string& ErrorText() const { return m_error; }

private:
    void Fail(const char* step);

    std::string m_path;
    std::string m_temporary;
    SyncedFile m_file;
    bool m_failed = false;
    std::string m_error;
};
