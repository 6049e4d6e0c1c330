#include "score/IniMgr.h"

#include "score/FileReplace.h"
#include "score/ProfileFile.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

ProfileStore::ProfileStore() = default;

ProfileStore::~ProfileStore() = default;

std::string ProfileStore::GetCurrentDirPrefix() const {
    std::vector<char> buffer(256);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
            return std::string(buffer.data()) + "/";
        }
        if (errno != ERANGE || buffer.size() >= (1u << 20)) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string ProfileStore::GetFilePath() const {
    std::string path;
    if (m_bCurrentDir) {
        path = GetCurrentDirPrefix();
    }
    path += m_strFile;
    return path;
}

bool ProfileStore::ReadString(const std::string& section, const std::string& key,
                         std::string& value) const {
    if (m_pHeld) {
        m_pHeld->Lookup(section, key, value);
    } else {
        ProfileFile file;
        file.Load(GetFilePath());
        file.Lookup(section, key, value);
    }
    if (value.size() > kMaxValue) {
        value.resize(kMaxValue);
    }
    return !value.empty();
}

std::string ProfileStore::ReadString(const std::string& key) const {
    std::string value;
    ReadString(m_strSection, key, value);
    return value;
}

bool ProfileStore::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    Release();
    std::string path = GetFilePath();
    ProfileFile file;
    if (file.Load(path) == ProfileFile::LoadResult::Unreadable) {
        return false; // writing it back would lose what we could not read
    }
    if (!file.Set(section, key, value)) {
        return false;
    }
    return ReplaceFileContents(path, file.Text());
}

void ProfileStore::Hold() {
    auto held = std::make_unique<ProfileFile>();
    held->Load(GetFilePath());
    m_pHeld = std::move(held);
}

void ProfileStore::Release() {
    m_pHeld.reset();
}
