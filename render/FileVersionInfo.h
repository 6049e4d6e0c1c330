#pragma once

#include <map>
#include <memory>
#include <string>

// Reads the program's version information: the version text and the copyright line that the
// title screen shows. The build compiles them into the program, in the shape of a classic
// version block: string values under "\StringFileInfo\<translation>\<name>".
class CFileVersionInfo {
public:
    // Reads the program's own version block.
    CFileVersionInfo();
    virtual ~CFileVersionInfo();
    CFileVersionInfo(const CFileVersionInfo&) = delete;
    CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;

    // Fills m_pData and m_strTranslation from the block the build compiled in.
    bool Load();
    // The string value of that name, or an empty string when the block lacks it.
    std::string GetValue(const std::string& name) const;
    std::string GetFileVersion() const { return GetValue("FileVersion"); }
    std::string GetLegalCopyright() const { return GetValue("LegalCopyright"); }

    // The whole block: sub-block path to value.
    std::unique_ptr<std::map<std::string, std::string>> m_pData;
    // Language and code page of the block's first translation, "%04x%04x".
    std::string m_strTranslation;
};

// The version line of the title: "Ver." directly followed by the version, spaces removed.
std::string FormatVersionText(const std::string& fileVersion);
