#include "score/ScoreData.h"

CScoreData::CScoreData() {
    m_listMark.reserve(10);
    Reset();
}

CScoreData::~CScoreData() {
    Reset();
}

void CScoreData::Reset() {
    m_strGame.clear();
    m_nGameKind = GAME_NONE;
    m_nSepaBull = 0;
    m_bCompress = 1;
    m_listMark.clear();
}

void CScoreData::Copy(const CScoreData& source) {
    if (&source == this) {
        return;
    }
    Reset();
    m_pSurface = source.m_pSurface;
    m_strPath = source.m_strPath;
    m_strGame = source.m_strGame;
    m_nGameKind = source.m_nGameKind;
    m_nSepaBull = source.m_nSepaBull;
    m_bCompress = source.m_bCompress;
    m_listMark = source.m_listMark;
}

CMark* CScoreData::GetAt(int index) {
    if (index < 0 || index >= GetCount()) {
        return nullptr;
    }
    return &m_listMark[static_cast<size_t>(index)];
}

const CMark* CScoreData::GetAt(int index) const {
    if (index < 0 || index >= GetCount()) {
        return nullptr;
    }
    return &m_listMark[static_cast<size_t>(index)];
}

CMark& CScoreData::AddTail() {
    return m_listMark.emplace_back();
}
