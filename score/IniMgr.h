#pragma once

#include <memory>
#include <string>

class ProfileFile;

// Reads and writes values of a profile (INI) file by section and key. The file syntax, and
// the choices about blanks, comments, quotes and duplicates, are described in
// score/ProfileFile.h.
//
// Every operation goes to the file anew (so a change of the working directory between two
// calls changes the file used), unless the caller asked for a held copy with Hold(): the
// loader reads some 170 values in one go and takes one consistent snapshot of the file
// instead of reading it 170 times.
//
// Path forming: with m_bCurrentDir the path is the working directory, "/", and m_strFile;
// the directory is taken whole however long it is, and when it cannot be determined (it was
// removed) the prefix is empty. Without m_bCurrentDir, m_strFile is the path, and a
// relative name is resolved by the system against the working directory.
class ProfileStore {
public:
    // Longest value a read returns; longer values read as their first kMaxValue bytes.
    static constexpr size_t kMaxValue = 2047;

    ProfileStore();
    virtual ~ProfileStore();
    ProfileStore(const ProfileStore&) = delete;
    ProfileStore& operator=(const ProfileStore&) = delete;

    // The working directory followed by one "/".
    std::string GetCurrentDirPrefix() const;
    std::string GetFilePath() const;

    // The value of key in section (empty when there is none); true when it is not empty.
    bool ReadString(const std::string& section, const std::string& key, std::string& value) const;
    // The value of key in m_strSection, empty when there is none.
    std::string ReadString(const std::string& key) const;
    // Stores value under key in section; the rest of the file stays byte for byte. The file
    // is replaced as a whole (see score/FileReplace.h), so a failed write leaves it as it
    // was. Returns false when the write failed or the names or value cannot be stored.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

    // Reads the file once now; later reads answer from this copy until Release(). A write
    // releases the copy.
    void Hold();
    void Release();

    bool m_bCurrentDir = true;
    std::string m_strFile = "vorlat.txt";
    std::string m_strSection = "SETTING";

private:
    std::unique_ptr<ProfileFile> m_pHeld;
};
