#pragma once

#include "score/ScoreData.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorlat-score-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        if (made != nullptr) {
            m_path = made;
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

// The 25 fields of an entry in declaration order, for whole-entry comparisons.
using MarkFields = std::array<int32_t, 25>;

inline MarkFields Fields(const CMark& m) {
    MarkFields f{};
    f[0] = m.m_nTime;
    f[1] = m.m_nPlayer;
    f[2] = m.m_nRound;
    f[3] = m.m_nDart;
    f[4] = m.m_nKind;
    f[5] = m.m_nNumber;
    f[6] = m.m_nValue;
    f[7] = m.m_nTurnTotal;
    f[8] = m.m_nScore[0];
    f[9] = m.m_nScore[1];
    for (int p = 0; p < 2; ++p) {
        for (int t = 0; t < kCricketTargets; ++t) {
            f[static_cast<size_t>(10 + p * kCricketTargets + t)] = m.m_nMark[p][t];
        }
    }
    f[24] = m.m_nReserved;
    return f;
}

inline std::string Describe(const MarkFields& f) {
    std::ostringstream out;
    for (int32_t v : f) {
        out << v << ' ';
    }
    return out.str();
}
