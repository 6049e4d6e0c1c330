#pragma once

// Helpers every test folder uses: scratch folders, whole-file reads and writes, and the
// times of a loaded match.

#include "score/Message.h"
#include "score/ScoreData.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// A fresh folder under the system's temporary directory, removed with everything in it
// (read-only leftovers of a test included).
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorlat-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(std::string_view name) const { return (m_path / name).string(); }
    const std::filesystem::path& Path() const { return m_path; }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::filesystem::path m_path;
};

inline void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<int32_t> Times(const Match& score) {
    std::vector<int32_t> times;
    for (const Entry& mark : score.entries) {
        times.push_back(mark.time);
    }
    return times;
}

// A library error in a test's failure message reads as its English text.
inline std::ostream& operator<<(std::ostream& out, const ScoreError& error) {
    return out << error.text();
}
inline std::ostream& operator<<(std::ostream& out, const std::optional<ScoreError>& error) {
    return out << (error ? error->text() : std::string("(none)"));
}
