#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CGStatic;

// Where a dart landed, as read from the score file.
enum : int32_t {
    HIT_NONE = 0,
    HIT_SINGLE = 1,
    HIT_DOUBLE = 2,
    HIT_TRIPLE = 3,
    HIT_SBULL = 4,
    HIT_DBULL = 5,
    HIT_LEAVE = 9, // "@n": the player has n left; the 01 evaluation turns it into a single
};

enum : int32_t {
    GAME_NONE = 0,
    GAME_01 = 1,
    GAME_CRICKET = 2,
};

// Cricket target index: 0 is the bull, 1..6 are 15..20.
constexpr int kCricketTargets = 7;

// One entry of a match: a turn start (m_nDart 0) or a dart (1..3), with the whole game
// state after it once evaluated, so that any moment can be drawn from this entry alone.
class CMark {
public:
    int32_t m_nTime = 0;
    int32_t m_nPlayer = 0;
    int32_t m_nRound = 0;
    int32_t m_nDart = -1; // -1: not placed, both evaluations skip it
    int32_t m_nKind = HIT_NONE;
    int32_t m_nNumber = 0;
    int32_t m_nValue = 0;
    int32_t m_nTurnTotal = 0;
    int32_t m_nScore[2] = {0, 0};
    int32_t m_nMark[2][kCricketTargets] = {};
    int32_t m_nReserved = 0;
};
static_assert(sizeof(CMark) == 25 * sizeof(int32_t), "CMark is 25 plain 32-bit fields");

// The loaded match. Owned by the main window for the whole run; second instances serve
// as backups (the loader's and the recording's).
class CScoreData {
public:
    CScoreData();
    ~CScoreData();
    // Whole-document copies go through Copy() so that every backup is explicit.
    CScoreData(const CScoreData&) = delete;
    CScoreData& operator=(const CScoreData&) = delete;

    // Empties the match; m_pSurface and m_strPath stay as they are.
    void Reset();
    // Makes this document an independent copy of source (surface and path included).
    void Copy(const CScoreData& source);

    int GetCount() const { return static_cast<int>(m_listMark.size()); }
    // The entry at a 0-based position, or null outside 0..count-1.
    CMark* GetAt(int index);
    const CMark* GetAt(int index) const;
    // Appends a fresh entry (m_nDart -1, everything else 0) and returns it.
    CMark& AddTail();

    CGStatic* m_pSurface = nullptr; // not owned
    std::string m_strPath;
    std::string m_strGame;
    int32_t m_nGameKind = GAME_NONE;
    int32_t m_nSepaBull = 0;
    uint8_t m_bCompress = 1;
    std::vector<CMark> m_listMark; // match order; the vector owns its entries
};
