// The match sheet a scorer fills dart by dart: how darts fall into visits and legs, the
// editing actions and their undo, the file it writes, and what survives a kill.
#include "ScoreTestUtil.h"

#include "score/Loader.h"
#include "score/MatchSheet.h"
#include "score/ProfileFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

MatchFormat Format301(int legs = 2) {
    MatchFormat format;
    format.game = "301";
    format.names[0] = "Anna";
    format.names[1] = "Ben";
    format.legsToWin = legs;
    return format;
}

// Enters tokens with times 1000, 2000, ...; every one must be taken.
void Enter(MatchSheet& sheet, const std::vector<std::string>& tokens) {
    for (const std::string& token : tokens) {
        const int32_t time = static_cast<int32_t>(sheet.darts().size() + 1) * 1000;
        ASSERT_TRUE(sheet.enterDart(token, time)) << token;
    }
}

// Leg 1 of 301, player 1 first: 180, nothing, 119 (2 left), nothing, a one-dart bust,
// nothing, and a two-dart finish.
const std::vector<std::string> kLeg1 = {"T20", "T20", "T20", "0", "0", "0", "T20", "T19", "D1",
                                        "0",   "0",   "0",   "5", "0", "0", "0",   "1",   "1"};

// A visit as "player:darts" with "B" for a bust and "W" for a won leg.
std::string Describe(const MatchSheet::Leg& leg) {
    std::string out;
    for (const MatchSheet::Visit& v : leg.visits) {
        out += std::to_string(v.player) + ":" + std::to_string(v.count) + (v.bust ? "B" : "") +
               (v.won ? "W" : "") + " ";
    }
    return out;
}

TEST(MatchSheet, VisitsEndAtThreeDartsABustOrAWonLegAndTheNextLegAlternates) {
    MatchSheet sheet(Format301());
    EXPECT_EQ(sheet.next().player, 1);
    Enter(sheet, {"T20", "T20"});
    EXPECT_EQ(sheet.next().player, 1);
    EXPECT_EQ(sheet.next().dart, 3);
    Enter(sheet, std::vector<std::string>(kLeg1.begin() + 2, kLeg1.begin() + 13));
    // The bust ends player 1's visit after its first dart.
    EXPECT_EQ(sheet.next().player, 2);
    EXPECT_EQ(sheet.next().dart, 1);
    Enter(sheet, std::vector<std::string>(kLeg1.begin() + 13, kLeg1.end()));

    ASSERT_EQ(sheet.legs().size(), 1u);
    EXPECT_EQ(Describe(sheet.legs()[0]), "1:3 2:3 1:3 2:3 1:1B 2:3 1:2W ");
    EXPECT_EQ(sheet.legs()[0].winner, 1);
    // Leg 2 goes to the player who did not start leg 1.
    EXPECT_EQ(sheet.next().leg, 2);
    EXPECT_EQ(sheet.next().player, 2);
    EXPECT_FALSE(sheet.next().matchOver);

    Enter(sheet,
          {"T20", "T20", "T20", "T20", "T20", "T20", "T20", "T19", "D1", "0", "0", "0", "1", "1"});
    ASSERT_EQ(sheet.legs().size(), 2u);
    EXPECT_EQ(sheet.legs()[1].firstThrower, 2);
    EXPECT_EQ(Describe(sheet.legs()[1]), "2:3 1:3 2:3 1:3 2:2W ");
    EXPECT_EQ(sheet.legs()[1].winner, 2);
    EXPECT_FALSE(sheet.next().matchOver); // 1-1 in a first to 2
    EXPECT_EQ(sheet.next().player, 1);
}

TEST(MatchSheet, TheMatchEndsWhenDecidedAndTakesNoMoreDarts) {
    MatchSheet sheet(Format301(1));
    Enter(sheet, kLeg1);
    EXPECT_TRUE(sheet.next().matchOver);
    EXPECT_FALSE(sheet.enterDart("T20", 99000));
    EXPECT_EQ(sheet.darts().size(), kLeg1.size());
}

TEST(MatchSheet, ALegTakesNoDartPastTheRoundsTheFileHolds) {
    MatchSheet sheet(Format301());
    Enter(sheet, std::vector<std::string>(240, "0")); // 40 rounds of both players
    EXPECT_FALSE(sheet.enterDart("0", 1));
    EXPECT_FALSE(sheet.insertBefore(0, "0", 1));
    EXPECT_EQ(sheet.darts().size(), 240u);
    EXPECT_EQ(sheet.legs()[0].visits.size(), 80u);
    // Taken back, the last visit takes other darts again.
    ASSERT_TRUE(sheet.undo());
    ASSERT_TRUE(sheet.undo());
    ASSERT_TRUE(sheet.undo());
    Enter(sheet, {"T20", "T20", "T20"});
    EXPECT_EQ(sheet.darts().size(), 240u);
}

TEST(MatchSheet, OnlyDartsOnTheBoardAreTaken) {
    struct Case {
        const char* typed;
        const char* written; // empty: refused
    };
    const Case cases[] = {{"t20", "T20"}, {" d16 ", "D16"}, {"19", "19"}, {"sb", "SB"},
                          {"DB", "DB"},   {"0", "0"},       {"S1", "S1"}, {"T21", ""},
                          {"D0", ""},     {"25", ""},       {"020", ""},  {"", ""},
                          {"X", ""},      {"@40", ""},      {"T", ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(MatchSheet::dartToken(c.typed), c.written) << c.typed;
        MatchSheet sheet(Format301());
        EXPECT_EQ(sheet.enterDart(c.typed, 5), *c.written != '\0') << c.typed;
    }
}

TEST(MatchSheet, EditsReEvaluateAndLaterVisitsMove) {
    MatchSheet sheet(Format301());
    Enter(sheet, kLeg1);
    ASSERT_EQ(sheet.legs()[0].winner, 1);

    // Deleting the busting dart: player 1's visit takes the three darts after it, and
    // player 2 is left with the two that finished.
    ASSERT_TRUE(sheet.removeDart(12));
    EXPECT_EQ(Describe(sheet.legs()[0]), "1:3 2:3 1:3 2:3 1:3 2:2 ");
    EXPECT_EQ(sheet.legs()[0].winner, 0); // player 2 has 301 left
    EXPECT_EQ(sheet.darts()[12].token, "0");
    EXPECT_EQ(sheet.darts()[12].time, 14000); // times travel with their darts

    // Inserting it back restores the legs and the win.
    ASSERT_TRUE(sheet.insertBefore(12, "5", 13000));
    EXPECT_EQ(Describe(sheet.legs()[0]), "1:3 2:3 1:3 2:3 1:1B 2:3 1:2W ");

    // An edit that makes the finish a bust; and a retime that changes only the time.
    ASSERT_TRUE(sheet.editToken(17, "T1"));
    EXPECT_EQ(Describe(sheet.legs()[0]), "1:3 2:3 1:3 2:3 1:1B 2:3 1:2B ");
    EXPECT_EQ(sheet.legs()[0].winner, 0);
    ASSERT_TRUE(sheet.retime(17, 42));
    EXPECT_EQ(sheet.darts()[17].time, 42);
    EXPECT_EQ(sheet.darts()[17].token, "T1");

    EXPECT_FALSE(sheet.removeDart(18));
    EXPECT_FALSE(sheet.editToken(0, "Q"));
    EXPECT_FALSE(sheet.insertBefore(19, "1", 0));
}

TEST(MatchSheet, UndoAndRedoWalkEveryActionWithoutLimit) {
    MatchSheet sheet(Format301());
    std::vector<std::vector<SheetDart>> states{sheet.darts()};
    for (int i = 0; i < 150; ++i) {
        ASSERT_TRUE(sheet.enterDart(i % 2 ? "1" : "0", i));
        states.push_back(sheet.darts());
    }
    ASSERT_TRUE(sheet.editToken(3, "D2"));
    states.push_back(sheet.darts());
    ASSERT_TRUE(sheet.retime(4, 7));
    states.push_back(sheet.darts());
    ASSERT_TRUE(sheet.removeDart(0));
    states.push_back(sheet.darts());
    ASSERT_TRUE(sheet.insertBefore(2, "T3", 2));
    states.push_back(sheet.darts());

    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(sheet.undo());
        ASSERT_EQ(sheet.darts(), states[i - 1]) << i;
    }
    EXPECT_FALSE(sheet.undo());
    EXPECT_TRUE(sheet.darts().empty());
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(sheet.redo());
        ASSERT_EQ(sheet.darts(), states[i]) << i;
    }
    EXPECT_FALSE(sheet.redo());

    // A new action after an undo drops what could have been redone.
    ASSERT_TRUE(sheet.undo());
    ASSERT_TRUE(sheet.enterDart("20", 1));
    EXPECT_FALSE(sheet.canRedo());
}

TEST(MatchSheet, WritesAMatchFileThatTheLoaderReadsAndThatReadsBackAsTheSameSheet) {
    MatchFormat format = Format301();
    format.out = OutRule::Open;
    format.separateBull = false;
    MatchSheet sheet(format);
    Enter(sheet, kLeg1);
    Enter(sheet, {"T20", "SB", "DB"});

    const ProfileFile file(sheet.fileText());
    auto value = [&file](const char* section, const char* key) {
        return ScoreValue(file, section, key);
    };
    EXPECT_EQ(value("SETTING", "GAME"), "301");
    EXPECT_EQ(value("SETTING", "P1-NAME"), "Anna");
    EXPECT_EQ(value("SETTING", "P2-NAME"), "Ben");
    EXPECT_EQ(value("SETTING", "LEGS"), "2");
    EXPECT_EQ(value("SETTING", "FIRST"), "1");
    EXPECT_EQ(value("SETTING", "OUT"), "OPEN");
    EXPECT_EQ(value("SETTING", "SEPABULL"), "0");
    EXPECT_EQ(value("DATA", "R01-1"), "T20,T20,T20");
    EXPECT_EQ(value("TIME", "R01-1"), "1000,2000,3000");
    EXPECT_EQ(value("DATA", "R03-1"), "5");
    EXPECT_EQ(value("TIME", "R03-1"), "13000");
    EXPECT_EQ(value("DATA", "R04-1"), "1,1");
    EXPECT_EQ(value("DATA", "R04-2"), "");
    // Leg 2 is player 2's to start: its first visit is R01-2, and the file says it first.
    EXPECT_EQ(value("DATA2", "R01-2"), "T20,SB,DB");
    EXPECT_EQ(value("TIME2", "R01-2"), "19000,20000,21000");
    EXPECT_EQ(value("DATA2", "R01-1"), "");
    EXPECT_LT(file.keyLine("DATA2", "R01-2"), file.keyLine("TIME2", "R01-2"));

    // The loader reads every dart at its time, in throwing order across both legs.
    Match loaded;
    ASSERT_TRUE(ReadScore(loaded, file));
    int darts = 0;
    for (const Entry& e : loaded.entries) {
        if (e.dart > 0) {
            EXPECT_EQ(e.time, (darts + 1) * 1000) << darts;
            EXPECT_EQ(e.leg, darts < static_cast<int>(kLeg1.size()) ? 0 : 1) << darts;
            ++darts;
        }
    }
    EXPECT_EQ(darts, static_cast<int>(sheet.darts().size()));
    ASSERT_EQ(loaded.legs.size(), 2u);
    EXPECT_EQ(loaded.legs[0].winner, 1);
    EXPECT_EQ(loaded.legs[1].firstThrower, 2);
    // And finds nothing to warn about.
    TempDir dir;
    WriteBytes(dir.File("m.txt"), sheet.fileText());
    const LoadOutcome outcome = LoadScoreFile(loaded, dir.File("m.txt"));
    ASSERT_TRUE(outcome.loaded);
    for (const Diagnostic& d : outcome.diagnostics) {
        ADD_FAILURE() << d.line << ": " << d.message.english();
    }

    MatchSheet back;
    ASSERT_TRUE(MatchSheet::fromFile(file, back));
    EXPECT_EQ(back.darts(), sheet.darts());
    EXPECT_EQ(back.fileText(), sheet.fileText());
    EXPECT_EQ(back.format().names[1], "Ben");
    EXPECT_EQ(back.next().player, sheet.next().player);
    EXPECT_EQ(back.next().dart, 1);
    EXPECT_EQ(back.next().leg, 2);
}

TEST(MatchSheet, SetsGiveTheNewSetToThePlayerWhoDidNotStartTheLastOne) {
    MatchFormat format = Format301(1);
    format.setsToWin = 2;
    MatchSheet sheet(format);
    Enter(sheet, kLeg1); // player 1 starts and wins set 1 (one leg a set)
    EXPECT_EQ(sheet.next().player, 2);
    EXPECT_FALSE(sheet.next().matchOver);
    // Player 2 starts set 2 and loses it to player 1, who then has the match.
    Enter(sheet, {"0", "0", "0"});
    Enter(sheet, std::vector<std::string>(kLeg1.begin(), kLeg1.begin() + 3));
    Enter(sheet, {"0", "0", "0"});
    Enter(sheet, {"T20", "T19", "D1", "0", "0", "0", "1", "1"});
    ASSERT_EQ(sheet.legs().size(), 2u);
    EXPECT_EQ(sheet.legs()[1].set, 2);
    EXPECT_EQ(sheet.legs()[1].firstThrower, 2);
    EXPECT_EQ(sheet.legs()[1].winner, 1);
    EXPECT_TRUE(sheet.next().matchOver);
    // The loader agrees on who started each leg and who won the match.
    Match loaded;
    ASSERT_TRUE(ReadScore(loaded, ProfileFile(sheet.fileText())));
    ASSERT_EQ(loaded.legs.size(), 2u);
    EXPECT_EQ(loaded.legs[1].firstThrower, 2);
    EXPECT_EQ(loaded.winner, 1);
}

TEST(MatchSheetFile, CreateRefusesAnExistingFileAndSaveReplacesItWhole) {
    TempDir dir;
    const std::string path = dir.File("match.txt");
    MatchSheet sheet(Format301());
    ASSERT_TRUE(CreateSheetFile(path, sheet).ok());
    EXPECT_EQ(ReadBytes(path), sheet.fileText());
    EXPECT_FALSE(CreateSheetFile(path, sheet).ok());
    EXPECT_EQ(ReadBytes(path), sheet.fileText());

    Enter(sheet, {"T20", "D16"});
    ASSERT_TRUE(SaveSheetFile(path, sheet).ok());
    MatchSheet reopened;
    ASSERT_TRUE(OpenSheetFile(path, reopened));
    EXPECT_EQ(reopened.darts(), sheet.darts());
    EXPECT_FALSE(OpenSheetFile(dir.File("none.txt"), reopened));
}

// A scorer process killed with SIGKILL while it enters and saves darts: the file reopens as
// a whole sheet holding at least every dart whose save had returned.
TEST(MatchSheetFile, AKillMidEntryKeepsEverySavedDart) {
    TempDir dir;
    const std::string path = dir.File("match.txt");
    int acks[2];
    ASSERT_EQ(::pipe(acks), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(acks[0]);
        MatchSheet sheet(Format301(50));
        if (!CreateSheetFile(path, sheet).ok()) {
            ::_exit(2);
        }
        for (int i = 0;; ++i) {
            sheet.enterDart(kLeg1[static_cast<size_t>(i) % kLeg1.size()], i * 40);
            if (!SaveSheetFile(path, sheet).ok()) {
                ::_exit(3);
            }
            const char ack = 'd';
            if (::write(acks[1], &ack, 1) != 1) {
                ::_exit(4);
            }
        }
    }
    ::close(acks[1]);
    // Let some darts through, then kill the child wherever it is.
    int saved = 0;
    char ack = 0;
    while (saved < 40 && ::read(acks[0], &ack, 1) == 1) {
        ++saved;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(acks[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended on its own: " << status;
    ASSERT_EQ(saved, 40);

    MatchSheet reopened;
    ASSERT_TRUE(OpenSheetFile(path, reopened));
    ASSERT_GE(reopened.darts().size(), 40u);
    for (size_t i = 0; i < reopened.darts().size(); ++i) {
        EXPECT_EQ(reopened.darts()[i].token, kLeg1[i % kLeg1.size()]) << i;
        EXPECT_EQ(reopened.darts()[i].time, static_cast<int32_t>(i) * 40) << i;
    }
    EXPECT_EQ(ReadBytes(path), reopened.fileText());
}

} // namespace
