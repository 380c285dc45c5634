// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <vector>

// The profile (INI) file operations the program keeps its state with (RERAVA.INI), with the
// semantics of the Windows profile functions that files from the original program rely on. The
// full list of rules stands at the top of ProfileFile.cpp. Names and values are GBK bytes.
//
// ProfileFile holds one file in memory: load it, read and change it as often as needed, and
// Save() writes it whole, beside the old one and renamed over it. The free functions below are
// one load (and for writes one save) per call, like the Windows calls they stand in for.
class ProfileFile {
public:
    // Reads the file; a missing, unreadable or non-regular file reads as empty.
    static ProfileFile Load(const std::string& path);
    // The same rules over bytes already in memory; such a file has no path and Save() fails.
    static ProfileFile Parse(const std::string& bytes);
    // The bytes Save() writes.
    std::string Bytes() const;

    ProfileFile(ProfileFile&&) noexcept;
    ProfileFile& operator=(ProfileFile&&) noexcept;
    ~ProfileFile();

    // The value, or `defaultValue` when the section or key is absent; at most 254 bytes come
    // back (a 255-byte buffer), never cut inside a double-byte character.
    std::string GetString(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // Leading decimal digits of the value's first 29 characters; `defaultValue` when absent, empty
    // or a key without value; 0 when the value begins with no digit.
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;
    // The names of the sections as written in the file, in file order; of two sections of the
    // same name only the first.
    std::vector<std::string> SectionNames() const;
    bool HasSection(const std::string& section) const;

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void DeleteKey(const std::string& section, const std::string& key);
    void DeleteSection(const std::string& section);

    // Writes the file if it was changed since it was loaded or last saved; true on success (and
    // when there was nothing to write). On failure the file on disk is left as it was.
    bool Save();

private:
    struct Data;
    explicit ProfileFile(std::unique_ptr<Data> data);
    std::unique_ptr<Data> d;
};

namespace profile {
std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& defaultValue);
int GetInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue);
// Several numbers of one section with one reading of the file, each as GetInt gives it.
struct IntKey {
    std::string key;
    int defaultValue = 0;
};
std::vector<int> GetInts(const std::string& path, const std::string& section, const std::vector<IntKey>& keys);
bool WriteString(const std::string& path, const std::string& section, const std::string& key, const std::string& value);
bool DeleteKey(const std::string& path, const std::string& section, const std::string& key);
bool DeleteSection(const std::string& path, const std::string& section);
} // namespace profile
