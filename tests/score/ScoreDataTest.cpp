#include "ScoreTestUtil.h"

#include "score/Evaluate.h"

#include <gtest/gtest.h>

namespace {

CGStatic* const kSurface = reinterpret_cast<CGStatic*>(0x1000);

void Fill(CScoreData& data) {
    data.m_pSurface = kSurface;
    data.m_strPath = "match.txt";
    data.m_strGame = "CRICKET";
    data.m_nGameKind = GAME_CRICKET;
    data.m_nSepaBull = 3;
    data.m_bCompress = 0;
    for (int i = 0; i < 12; ++i) {
        CMark& m = data.AddTail();
        int32_t* raw = reinterpret_cast<int32_t*>(&m);
        for (int f = 0; f < 25; ++f) {
            raw[f] = i * 100 + f + 1; // every field distinct
        }
    }
}

TEST(ScoreData, NewEntryAndNewDocument) {
    const CMark mark;
    MarkFields expected{};
    expected[3] = -1;
    EXPECT_EQ(Fields(mark), expected);

    CScoreData data;
    EXPECT_EQ(data.m_pSurface, nullptr);
    EXPECT_TRUE(data.m_strPath.empty());
    EXPECT_TRUE(data.m_strGame.empty());
    EXPECT_EQ(data.m_nGameKind, GAME_NONE);
    EXPECT_EQ(data.m_nSepaBull, 0);
    EXPECT_EQ(data.m_bCompress, 1);
    EXPECT_EQ(data.GetCount(), 0);
    EXPECT_EQ(data.GetAt(0), nullptr);

    // A fresh entry is not placed: both evaluations leave it alone.
    data.AddTail().m_nKind = HIT_TRIPLE;
    Evaluate01(data);
    EvaluateCricket(data);
    expected[4] = HIT_TRIPLE;
    EXPECT_EQ(Fields(*data.GetAt(0)), expected);
}

TEST(ScoreData, ResetKeepsPathAndSurface) {
    CScoreData data;
    Fill(data);
    data.Reset();
    EXPECT_EQ(data.m_pSurface, kSurface);
    EXPECT_EQ(data.m_strPath, "match.txt");
    EXPECT_TRUE(data.m_strGame.empty());
    EXPECT_EQ(data.m_nGameKind, GAME_NONE);
    EXPECT_EQ(data.m_nSepaBull, 0);
    EXPECT_EQ(data.m_bCompress, 1);
    EXPECT_EQ(data.GetCount(), 0);
}

TEST(ScoreData, CopyAndCopyBack) {
    CScoreData original;
    Fill(original);
    CScoreData backup;
    backup.Copy(original);
    CScoreData reference;
    reference.Copy(original);

    original.Reset();
    original.m_strPath = "other.txt";
    original.AddTail().m_nTime = 5;
    backup.GetAt(0)->m_nTime = reference.GetAt(0)->m_nTime; // independent entries
    original.Copy(backup);

    EXPECT_EQ(original.m_pSurface, kSurface);
    EXPECT_EQ(original.m_strPath, "match.txt");
    EXPECT_EQ(original.m_strGame, "CRICKET");
    EXPECT_EQ(original.m_nGameKind, GAME_CRICKET);
    EXPECT_EQ(original.m_nSepaBull, 3);
    EXPECT_EQ(original.m_bCompress, 0);
    ASSERT_EQ(original.GetCount(), reference.GetCount());
    for (int i = 0; i < reference.GetCount(); ++i) {
        EXPECT_EQ(Fields(*original.GetAt(i)), Fields(*reference.GetAt(i))) << i;
        EXPECT_NE(original.GetAt(i), backup.GetAt(i));
    }
    original.GetAt(0)->m_nTime = -9;
    EXPECT_EQ(backup.GetAt(0)->m_nTime, reference.GetAt(0)->m_nTime);

    CScoreData empty;
    empty.m_strPath = "empty.txt";
    empty.m_nSepaBull = 2;
    empty.m_bCompress = 0;
    original.Copy(empty);
    EXPECT_EQ(original.GetCount(), 0);
    EXPECT_EQ(original.m_strPath, "empty.txt");
    EXPECT_EQ(original.m_nSepaBull, 2);
    EXPECT_EQ(original.m_bCompress, 0);
    EXPECT_EQ(original.m_pSurface, nullptr);
}

} // namespace
