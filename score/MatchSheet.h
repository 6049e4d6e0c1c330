#pragma once

#include "score/FileReplace.h"
#include "score/ScoreData.h"

#include <cstdint>
#include <string>
#include <vector>

class ProfileFile;

// What a new match is played as: the settings a scorer chooses before the first dart.
struct MatchFormat {
    std::string game = "501"; // 301 ... 1501 or CRICKET
    std::string names[2];     // UTF-8; empty: not written
    int32_t legsToWin = 1;
    int32_t setsToWin = 0; // 0: no sets
    int32_t firstThrower = 1;
    OutRule out = OutRule::Open;
    bool separateBull = true; // SEPABULL=1: the outer bull scores 25 in 01 games
};

// One dart as the scorer entered it: the token as written and the start of the frame on
// screen when it was entered (ms, the footage's clock).
struct SheetDart {
    std::string token;
    int32_t time = 0;
    bool operator==(const SheetDart&) const = default;
};

// The match as it is being scored: the darts in the order they were thrown, nothing else.
// Legs and visits are not stored but read from the darts through the loader's evaluation
// (busts and won legs end a visit, a won leg ends the leg), so that deleting or inserting a
// dart moves every later visit and leg with it, and the rules live in one place.
//
// Every edit is one step of the undo history, which has no limit. Not thread-safe: one
// owner (the window) uses it.
class MatchSheet {
public:
    // A visit: up to three consecutive darts of one player. `first` indexes darts().
    struct Visit {
        int32_t player = 1;
        int32_t round = 1; // the player's round in the leg, as in the key R<round>-<player>
        int first = 0;
        int count = 0;
        bool bust = false;
        bool won = false; // its last dart won the leg
    };
    struct Leg {
        int32_t number = 1; // 1-based; leg k is written to [DATAk]/[TIMEk]
        int32_t firstThrower = 1;
        int32_t set = 1;
        int32_t winner = 0; // 0 while unfinished
        std::vector<Visit> visits;
    };
    // Who throws next, and where that dart goes.
    struct Next {
        int32_t leg = 1;
        int32_t player = 1;
        int32_t dart = 1;       // 1..3 within the visit
        bool matchOver = false; // no dart is expected any more
    };

    explicit MatchSheet(MatchFormat format = {});

    // Reads a score file's text back into a sheet (settings and every leg's darts in throwing
    // order). False when the text holds no match format this sheet can write (no GAME).
    static bool fromFile(const ProfileFile& file, MatchSheet& sheet);

    const MatchFormat& format() const { return m_format; }
    const std::vector<SheetDart>& darts() const { return m_darts; }
    const std::vector<Leg>& legs() const { return m_legs; }
    Next next() const { return m_next; }
    // The whole match as the loader evaluates the written file (for the board and the
    // sheet's scores). Empty (no entries) before the first dart.
    const Match& evaluated() const { return m_evaluated; }
    // Which leg and visit (indexes into legs() and its visits) a dart belongs to.
    void locate(int dart, int& leg, int& visit) const;

    // The editing actions. Each is one undo step; false (and nothing changed) for a token
    // that is no dart on the board, an index out of range, a dart after the match was
    // decided, or a dart past the 40 rounds of a leg the file holds.
    bool enterDart(const std::string& token, int32_t time);
    bool insertBefore(int index, const std::string& token, int32_t time);
    bool removeDart(int index);
    bool editToken(int index, const std::string& token);
    bool retime(int index, int32_t time);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    bool undo();
    bool redo();

    // The match as a score file: [SETTING] with the format, [DATA]/[TIME] for leg 1 and
    // [DATAk]/[TIMEk] for leg k. Today's loader reads it; the darts are exactly those of
    // darts(), each with its time.
    std::string fileText() const;

    // The token as the file writes it (trimmed, upper case), or empty when it is no dart on
    // the board: 0, 1..20, S/D/T with 1..20, SB, DB.
    static std::string dartToken(const std::string& token);

private:
    // Takes darts as the new state (one undo step); false, nothing changed, when they do
    // not all fit into the file.
    bool changeTo(std::vector<SheetDart> darts);
    void layout();

    MatchFormat m_format;
    std::vector<SheetDart> m_darts;
    std::vector<std::vector<SheetDart>> m_undo;
    std::vector<std::vector<SheetDart>> m_redo;
    std::vector<Leg> m_legs;
    Next m_next;
    Match m_evaluated;
};

// Keeps a sheet's file on disk: every save writes the complete file. Creating makes a new
// file (refused when one exists); saving replaces an existing one through the identity
// keeping replacement of score/FileReplace.h, so a kill at any moment leaves either the
// previous or the new complete file.
WriteOutcome CreateSheetFile(const std::string& path, const MatchSheet& sheet);
WriteOutcome SaveSheetFile(const std::string& path, const MatchSheet& sheet);
// Opens the file a sheet wrote. False when it is missing, unreadable or no sheet file.
bool OpenSheetFile(const std::string& path, MatchSheet& sheet);
