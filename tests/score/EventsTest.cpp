#include "MatchBuilder.h"
#include "ScoreTestUtil.h"

#include "score/Chapters.h"
#include "score/Events.h"
#include "score/Loader.h"

#include <gtest/gtest.h>

namespace {

struct Expected {
    EventKind kind;
    int64_t timeMs;
    int player;
    std::string label;
};

void ExpectEvents(const std::vector<MatchEvent>& events, const std::vector<Expected>& expected) {
    ASSERT_EQ(events.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("event " + std::to_string(i) + ": " + expected[i].label);
        EXPECT_EQ(events[i].kind, expected[i].kind);
        EXPECT_EQ(events[i].timeMs, expected[i].timeMs);
        EXPECT_EQ(events[i].player, expected[i].player);
        EXPECT_EQ(events[i].label.english(), expected[i].label);
    }
}

// Best of three 501 legs between named players: every score band, a bust, two checkouts
// over 100 and the match decided in the second leg.
Match TwoLegMatch() {
    MatchBuilder b(GameKind::X01, 2, 0, "Anna", "Ben");
    b.startLeg(1, 1);
    b.visit01(1, {60, 60, 60}, 10000); // 180, 321 left
    b.visit01(2, {60, 60, 20}, 20000); // 140, 361
    b.visit01(1, {60, 40, 0}, 30000);  // 100, 221
    b.visit01(2, {20, 20, 20}, 40000); // 60, 301
    b.visit01(1, {60, 60, 0}, 50000);  // 120, 101
    b.visit01(2, {60, 60, 60}, 60000); // 180, 121
    b.visit01(1, {60, 60}, 70000);     // bust on 101
    b.visit01(2, {60, 21, 40}, 80000); // 121 checkout
    b.startLeg(1, 2);
    b.visit01(2, {60, 60, 60}, 100000); // 180, 321
    b.visit01(1, {1, 1, 1}, 110000);
    b.visit01(2, {60, 60, 60}, 120000); // 180, 141
    b.visit01(1, {1}, 130000);
    b.visit01(2, {60, 41, 40}, 140000); // 141 checkout
    return b.take();
}

TEST(MatchEvents, EveryKindOfA01MatchInMatchOrderWithItsLabel) {
    const Match match = TwoLegMatch();
    const std::vector<MatchEvent> events = MatchEvents(match);
    ExpectEvents(events, {
                             {EventKind::LegStart, 10000, 0, "Leg 1"},
                             {EventKind::Visit180, 13000, 1, "180 \u2014 Anna"},
                             {EventKind::Visit140, 23000, 2, "140 \u2014 Ben"},
                             {EventKind::Visit100, 33000, 1, "100 \u2014 Anna"},
                             {EventKind::Visit100, 53000, 1, "120 \u2014 Anna"},
                             {EventKind::Visit180, 63000, 2, "180 \u2014 Ben"},
                             {EventKind::Bust, 71500, 1, "Bust \u2014 Anna on 101"},
                             {EventKind::Checkout100, 83000, 2, "121 checkout \u2014 Ben"},
                             {EventKind::LegWon, 83000, 2, "Leg 1 to Ben 1-0, 121 checkout"},
                             {EventKind::LegStart, 100000, 0, "Leg 2"},
                             {EventKind::Visit180, 103000, 2, "180 \u2014 Ben"},
                             {EventKind::Visit180, 123000, 2, "180 \u2014 Ben"},
                             {EventKind::Checkout100, 143000, 2, "141 checkout \u2014 Ben"},
                             {EventKind::LegWon, 143000, 2, "Leg 2 to Ben 2-0, 141 checkout"},
                             {EventKind::MatchWon, 143000, 2, "Match to Ben 2-0"},
                         });
    // A visit's clip starts at its first dart; a leg's start is its first dart.
    EXPECT_EQ(events[1].visitStartMs, 10000);
    EXPECT_EQ(events[7].visitStartMs, 80000);
    EXPECT_EQ(events[9].visitStartMs, 100000);
    EXPECT_EQ(events[7].value, 121);
    EXPECT_EQ(events[9].leg, 1);
}

TEST(MatchEvents, ChosenKindsOnly) {
    const Match match = TwoLegMatch();
    struct Case {
        const char* list;
        size_t count;
    } cases[] = {
        {"180", 4},           {"bust", 1},        {"180,bust", 5},
        {" leg , match ", 5}, {"checkout100", 2}, {"140,100", 3},
        {"set", 0},           {"all", 15},        {"", 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        EventKinds kinds = 0;
        std::string bad;
        ASSERT_TRUE(ParseEventKinds(c.list, kinds, bad));
        const std::vector<MatchEvent> events = MatchEvents(match, kinds);
        EXPECT_EQ(events.size(), c.count);
        for (const MatchEvent& e : events) {
            EXPECT_NE(kinds & EventBit(e.kind), 0u);
        }
    }
    for (const char* wrong : {"180,tons", "leg,,set", "Bust"}) {
        EventKinds kinds = 7;
        std::string bad = "?";
        EXPECT_FALSE(ParseEventKinds(wrong, kinds, bad)) << wrong;
        EXPECT_EQ(kinds, 7u) << wrong;
        EXPECT_NE(bad, "?") << wrong;
    }
}

TEST(MatchEvents, SetsAreCountedFromTheLegWinners) {
    MatchBuilder b(GameKind::X01, 1, 2, "Anna", "Ben");
    b.startLeg(1, 1);
    b.visit01(1, {501}, 1000);
    b.startLeg(2, 1);
    b.visit01(1, {1}, 20000);
    b.visit01(2, {501}, 30000);
    b.startLeg(3, 1);
    b.visit01(1, {501}, 50000);
    EventKinds kinds = 0;
    std::string bad;
    ASSERT_TRUE(ParseEventKinds("leg,set,match", kinds, bad));
    ExpectEvents(MatchEvents(b.take(), kinds),
                 {
                     {EventKind::LegStart, 1000, 0, "Set 1, leg 1"},
                     {EventKind::LegWon, 1000, 1, "Leg 1 to Anna 1-0, 501 checkout"},
                     {EventKind::SetWon, 1000, 1, "Set 1 to Anna 1-0"},
                     {EventKind::LegStart, 20000, 0, "Set 2, leg 1"},
                     {EventKind::LegWon, 30000, 2, "Leg 2 to Ben 1-0, 501 checkout"},
                     {EventKind::SetWon, 30000, 2, "Set 2 to Ben 1-1"},
                     {EventKind::LegStart, 50000, 0, "Set 3, leg 1"},
                     {EventKind::LegWon, 50000, 1, "Leg 3 to Anna 1-0, 501 checkout"},
                     {EventKind::SetWon, 50000, 1, "Set 3 to Anna 2-1"},
                     {EventKind::MatchWon, 50000, 1, "Match to Anna 2-1"},
                 });
}

TEST(MatchEvents, CricketVisitsOfSixMarksAndTheWinnerWithoutCheckout) {
    MatchBuilder b(GameKind::Cricket, 1);
    b.startLeg();
    b.visitCricket(1, {20, 20, 19}, 1000); // 9 marks
    b.visitCricket(2, {18}, 10000);        // 3
    b.visitCricket(1, {19, 17}, 20000);    // 6
    b.visitCricket(2, {18, 16}, 30000);    // 6
    b.winLeg(2);
    ExpectEvents(MatchEvents(b.take()), {
                                            {EventKind::LegStart, 1000, 0, "Leg 1"},
                                            {EventKind::Marks6, 4000, 1, "9 marks \u2014 P1"},
                                            {EventKind::Marks6, 21500, 1, "6 marks \u2014 P1"},
                                            {EventKind::Marks6, 31500, 2, "6 marks \u2014 P2"},
                                            {EventKind::LegWon, 31500, 2, "Leg 1 to P2 1-0"},
                                        });
}

TEST(MatchEvents, TodaysExampleFilesAsOneLeg) {
    Match timed;
    ASSERT_TRUE(OpenScoreFile(timed, std::string(VORLAT_EXAMPLES_DIR) + "/501-timed.txt"));
    ExpectEvents(MatchEvents(timed),
                 {
                     {EventKind::LegStart, 2150, 0, "Leg 1"},
                     {EventKind::Visit140, 5400, 1, "140 \u2014 P1"},
                     {EventKind::Visit100, 41300, 1, "136 \u2014 P1"},
                     {EventKind::Visit100, 59010, 2, "133 \u2014 P2"},
                     {EventKind::Visit100, 76900, 1, "125 \u2014 P1"},
                     {EventKind::Checkout100, 110640, 1, "100 checkout \u2014 P1"},
                     {EventKind::LegWon, 110640, 1, "Leg 1 to P1 1-0, 100 checkout"},
                 });

    // No timing yet: the events are there, all at 0.
    Match cricket;
    ASSERT_TRUE(OpenScoreFile(cricket, std::string(VORLAT_EXAMPLES_DIR) + "/cricket.txt"));
    EventKinds kinds = EventBit(EventKind::Marks6);
    const std::vector<MatchEvent> marks = MatchEvents(cricket, kinds);
    ASSERT_FALSE(marks.empty());
    EXPECT_EQ(marks.front().label.english(), "6 marks \u2014 P1"); // T20, S20, D19
    for (const MatchEvent& e : marks) {
        EXPECT_GE(e.value, 6);
        EXPECT_EQ(e.timeMs, 0);
    }
}

TEST(MatchEvents, EmptyAndUnplacedMatchesHaveNone) {
    Match empty;
    EXPECT_TRUE(MatchEvents(empty).empty());
    MatchBuilder b(GameKind::X01, 1);
    b.startLeg();
    Match unplaced = b.take();
    Entry& start = unplaced.append();
    start.dart = 0;
    start.player = 1;
    unplaced.legs[0].entryCount = unplaced.count();
    EXPECT_TRUE(MatchEvents(unplaced).empty());
}

} // namespace

// Best of three sets of best of three legs, read by the loader: who opens a leg and a set
// alternates, each leg in its own section.
constexpr const char* kSetsMatch = R"([SETTING]
GAME=301
SETS=2
LEGS=2
P1-NAME=Anna
P2-NAME=Ben

[DATA]
R01-1=T20,T20,T20
R01-2=20,20,20
R02-1=T20,T15,D8
[TIME]
R01-1=1000,2000,3000
R01-2=5000,6000,7000
R02-1=9000,10000,11000

[DATA2]
R01-2=20,20,20
R01-1=T20,T20,T20
R02-2=1,1,1
R02-1=T20,T15,D8
[TIME2]
R01-2=20000,21000,22000
R01-1=24000,25000,26000
R02-2=28000,29000,30000
R02-1=32000,33000,34000

[DATA3]
R01-2=T20,T20,T20
R01-1=1,1,1
R02-2=T20,T15,D8
[TIME3]
R01-2=40000,41000,42000
R01-1=44000,45000,46000
R02-2=48000,49000,50000

[DATA4]
R01-1=1,1,1
R01-2=T20,T20,T20
R02-1=1,1,1
R02-2=T20,T15,D8
[TIME4]
R01-1=52000,53000,54000
R01-2=56000,57000,58000
R02-1=60000,61000,62000
R02-2=64000,65000,66000

[DATA5]
R01-1=T20,T20,T20
R01-2=1,1,1
R02-1=T20,T15,D8
[TIME5]
R01-1=70000,71000,72000
R01-2=74000,75000,76000
R02-1=78000,79000,80000

[DATA6]
R01-2=1,1,1
R01-1=T20,T20,T20
R02-2=1,1,1
R02-1=T20,T15,D8
[TIME6]
R01-2=82000,83000,84000
R01-1=86000,87000,88000
R02-2=90000,91000,92000
R02-1=94000,95000,96000
)";

TEST(MatchEvents, AMatchFileOfSetsAsTheLoaderReadsIt) {
    TempDir dir;
    const std::string path = dir.File("sets.txt");
    WriteBytes(path, kSetsMatch);
    Match match;
    ASSERT_TRUE(OpenScoreFile(match, path));
    ASSERT_EQ(match.legs.size(), 6u);
    EventKinds kinds = 0;
    std::string bad;
    ASSERT_TRUE(ParseEventKinds("leg,set,match", kinds, bad));
    ExpectEvents(MatchEvents(match, kinds),
                 {
                     {EventKind::LegStart, 1000, 0, "Set 1, leg 1"},
                     {EventKind::LegWon, 11000, 1, "Leg 1 to Anna 1-0, 121 checkout"},
                     {EventKind::LegStart, 20000, 0, "Set 1, leg 2"},
                     {EventKind::LegWon, 34000, 1, "Leg 2 to Anna 2-0, 121 checkout"},
                     {EventKind::SetWon, 34000, 1, "Set 1 to Anna 1-0"},
                     {EventKind::LegStart, 40000, 0, "Set 2, leg 1"},
                     {EventKind::LegWon, 50000, 2, "Leg 3 to Ben 1-0, 121 checkout"},
                     {EventKind::LegStart, 52000, 0, "Set 2, leg 2"},
                     {EventKind::LegWon, 66000, 2, "Leg 4 to Ben 2-0, 121 checkout"},
                     {EventKind::SetWon, 66000, 2, "Set 2 to Ben 1-1"},
                     {EventKind::LegStart, 70000, 0, "Set 3, leg 1"},
                     {EventKind::LegWon, 80000, 1, "Leg 5 to Anna 1-0, 121 checkout"},
                     {EventKind::LegStart, 82000, 0, "Set 3, leg 2"},
                     {EventKind::LegWon, 96000, 1, "Leg 6 to Anna 2-0, 121 checkout"},
                     {EventKind::SetWon, 96000, 1, "Set 3 to Anna 2-1"},
                     {EventKind::MatchWon, 96000, 1, "Match to Anna 2-1"},
                 });
    // The loader's own tallies agree where the match ends.
    EXPECT_EQ(match.winner, 1);
    EXPECT_EQ(match.entries.back().setsWon[0], 2);
    EXPECT_EQ(match.entries.back().setsWon[1], 1);
    // Every 180 of the match, and the video site's list by set and leg.
    EXPECT_EQ(MatchEvents(match, EventBit(EventKind::Visit180)).size(), 6u);
    EXPECT_EQ(FormatChapters(ChapterFormat::YouTube, MatchEvents(match), {}),
              "0:00 Set 1, leg 1\n0:20 Set 1, leg 2\n0:40 Set 2, leg 1\n0:52 Set 2, leg 2\n"
              "1:10 Set 3, leg 1\n1:22 Set 3, leg 2\n");
}
