// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProfileFile.h"

// Implemented with the foundation work.
struct ProfileFile::Data {};
ProfileFile::ProfileFile(std::unique_ptr<Data> data) : d(std::move(data)) {}
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;
ProfileFile& ProfileFile::operator=(ProfileFile&&) noexcept = default;
ProfileFile::~ProfileFile() = default;
ProfileFile ProfileFile::Load(const std::string&) {
    return ProfileFile(std::make_unique<Data>());
}
std::string ProfileFile::GetString(const std::string&, const std::string&, const std::string& defaultValue) const {
    return defaultValue;
}
int ProfileFile::GetInt(const std::string&, const std::string&, int defaultValue) const {
    return defaultValue;
}
void ProfileFile::WriteString(const std::string&, const std::string&, const std::string&) {}
void ProfileFile::DeleteKey(const std::string&, const std::string&) {}
void ProfileFile::DeleteSection(const std::string&) {}
bool ProfileFile::Save() {
    return false;
}

namespace profile {
std::string GetString(const std::string& path, const std::string& section, const std::string& key,
                      const std::string& defaultValue) {
    return ProfileFile::Load(path).GetString(section, key, defaultValue);
}
int GetInt(const std::string& path, const std::string& section, const std::string& key, int defaultValue) {
    return ProfileFile::Load(path).GetInt(section, key, defaultValue);
}
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
    auto file = ProfileFile::Load(path);
    file.WriteString(section, key, value);
    return file.Save();
}
bool DeleteKey(const std::string& path, const std::string& section, const std::string& key) {
    auto file = ProfileFile::Load(path);
    file.DeleteKey(section, key);
    return file.Save();
}
bool DeleteSection(const std::string& path, const std::string& section) {
    auto file = ProfileFile::Load(path);
    file.DeleteSection(section);
    return file.Save();
}
} // namespace profile
