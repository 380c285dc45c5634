// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The first bytes of an open file in memory, read-only, for as long as the object lives. Where the
// system maps files they are the file's own cached pages: no copy and no fresh buffer to fault in,
// which is most of the cost of taking in a fax of several megabytes. Where it cannot, Map fails and
// the caller reads the file into memory itself.
//
// The file must not shrink while it is mapped (a read behind its new end stops the program): map
// only files that this program wrote and that no one else writes.
class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile() { Unmap(); }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the first `length` bytes of `file`, which must hold them. False when nothing is mapped
    // (an empty stretch, or a system that cannot); the file stays open either way.
    bool Map(std::FILE* file, size_t length);
    void Unmap();
    const uint8_t* Data() const { return m_data; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_length = 0;
};
