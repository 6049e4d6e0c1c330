#include "render/FileVersionInfo.h"

#include "render/Version.h"

#include <algorithm>
#include <cstdio>

namespace {

// Japanese, code page 932: the one translation the program's block carries.
constexpr unsigned kLanguage = 0x0411;
constexpr unsigned kCodePage = 0x03A4;

std::string StringPath(const std::string& translation, const std::string& name) {
    return "\\StringFileInfo\\" + translation + "\\" + name;
}

} // namespace

CFileVersionInfo::CFileVersionInfo() {
    Load();
}

CFileVersionInfo::~CFileVersionInfo() = default;

bool CFileVersionInfo::Load() {
    m_pData.reset();
    m_strTranslation.clear();

    char translation[16];
    std::snprintf(translation, sizeof translation, "%04x%04x", kLanguage, kCodePage);
    auto block = std::make_unique<std::map<std::string, std::string>>();
    (*block)["\\VarFileInfo\\Translation"] = translation;
    (*block)[StringPath(translation, "FileVersion")] = kVorlatFileVersion;
    (*block)[StringPath(translation, "ProductVersion")] = kVorlatFileVersion;
    (*block)[StringPath(translation, "LegalCopyright")] = kVorlatLegalCopyright;
    (*block)[StringPath(translation, "ProductName")] = "Vorlat";
    m_pData = std::move(block);
    m_strTranslation = translation;
    return true;
}

std::string CFileVersionInfo::GetValue(const std::string& name) const {
    if (!m_pData) {
        return {};
    }
    const auto found = m_pData->find(StringPath(m_strTranslation, name));
    return found == m_pData->end() ? std::string() : found->second;
}

std::string FormatVersionText(const std::string& fileVersion) {
    std::string text = fileVersion;
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return "Ver." + text;
}
