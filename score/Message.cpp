#include "score/Message.h"

#include <cstring>

const char* EnglishTemplate(MessageId id) {
    switch (id) {
    case MessageId::None:
        return "";
    case MessageId::FileMissing:
        return "no such file";
    case MessageId::FileUnreadable:
        return "cannot be read: %1";
    case MessageId::FileNotRegular:
        return "is not a regular file (a device, pipe or socket)";
    case MessageId::FileTooLarge:
        return "is %1 bytes, more than the %2 bytes a score file may have";
    case MessageId::NoDataSection:
        return "is not a score file: it has no [DATA] section";
    case MessageId::NoFirstTurn:
        return "is not a score file: its [DATA] section has no turn R01-1";
    case MessageId::NoScorePath:
        return "no score file is loaded; the times were not saved";
    case MessageId::FileVanished:
        return "no longer exists (moved or deleted since it was loaded); the times were not saved";
    case MessageId::LinkTargetVanished:
        return "points to %1, which no longer exists; the times were not saved";
    case MessageId::FileReadOnly:
        return "cannot be written: %1; the times were not saved";
    case MessageId::SaveTooLarge:
        return "would grow to %1 bytes with the times, more than the %2 bytes a score file may "
               "have; the times were not saved";
    case MessageId::SaveWouldNotLoad:
        return "has changed on disk and is no longer a score file; the times were not saved";
    case MessageId::BackupFailed:
        return "cannot get a backup copy at %1 before it is written in place: %2; the times were "
               "not saved";
    case MessageId::WriteFailed:
        return "cannot be written: %1; the file is unchanged";
    case MessageId::WriteFailedKept:
        return "cannot be written: %1, and its old content could not be put back; a copy of it "
               "is in %2";
    case MessageId::TimesRunBackward:
        return "the recorded times run backwards; the file keeps its times";
    case MessageId::ThrowNotOnBoard01:
        return "throw \"%1\" is not a dart on the board; counted as %2, scoring %3";
    case MessageId::ThrowNotOnBoardBust:
        return "throw \"%1\" is not a dart on the board; counted as %2, which busts the turn";
    case MessageId::ThrowNotOnBoardMarks:
        return "throw \"%1\" is not a dart on the board; counted as %2, %3 marks";
    case MessageId::EmptyThrow:
        return "empty throw between commas; counted as a dart that scored nothing";
    case MessageId::LeaveInCricket:
        return "leave \"%1\" has no meaning in Cricket; counted as a dart that scored nothing";
    case MessageId::ExtraThrows:
        return "turn %1 lists %2 throws; a turn has three darts, so \"%3\" is ignored";
    case MessageId::LeaveTooLarge:
        return "leave \"%1\" is more than the %2 left; the dart busts the turn";
    case MessageId::AfterWin:
        return "turn %1 comes after player %2 won in %3; its darts still count";
    case MessageId::AfterCheckout:
        return "dart %2 of %1 comes after the checkout; it still counts";
    case MessageId::GameMissing:
        return "GAME is missing; played as 301";
    case MessageId::GameUnknown:
        return "GAME \"%1\" is not 301, 501, 701, 901, 1101, 1501 or Cricket; played as 301";
    case MessageId::MarksWrongLength:
        return "%1 \"%2\" is not seven digits 0-3; ignored, no starting marks";
    case MessageId::MarksBadDigit:
        return "%1 \"%2\" is not seven digits 0-3; a target with another character starts with "
               "0 marks";
    case MessageId::ScoreNegative:
        return "%1 %2 is negative; the player starts at %3";
    case MessageId::NotANumber:
        return "%1 \"%2\" is not a number; read as %3";
    case MessageId::TurnMissing:
        return "turn %1 is missing, so the match ends before it; %2 and later turns are not read";
    case MessageId::TurnEmpty:
        return "turn %1 is empty, so the match ends before it; %2 and later turns are not read";
    case MessageId::RoundTooHigh:
        return "%1 in [%2] is past round 40; never read";
    case MessageId::KeyNeverRead:
        return "%1 in [%2] is never read; turns are written R01-1 to R40-2";
    case MessageId::SettingNeverRead:
        return "%1 in [SETTING] is never read";
    case MessageId::SectionNeverRead:
        return "section [%1] is never read";
    case MessageId::TimeWithoutTurn:
        return "time %1 has no turn in [DATA]; ignored";
    case MessageId::FewerTimes:
        return "turn %1 has %2 darts but %3 times; a dart without a time gets 0";
    case MessageId::MoreTimes:
        return "turn %1 has %2 darts but %3 times; the extra times are ignored";
    case MessageId::TimeGoesBack:
        return "time %3 of dart %2 in %1 is earlier than the %4 before it; the video ends at %4 "
               "ms and every later time counts as 0";
    case MessageId::LongGap:
        return "dart %2 of %1 comes %3 after the dart before it; the video shows the board that "
               "long";
    case MessageId::DuplicateSection:
        return "section [%1] appears again (first on line %2); this block is ignored";
    case MessageId::DuplicateKey:
        return "%1 appears again in [%2] (first on line %3); ignored";
    case MessageId::ValueCut:
        return "value of %1 is %2 bytes long; only the first %3 are read";
    case MessageId::LineBeforeSection:
        return "text before the first section; ignored";
    case MessageId::LineWithoutEquals:
        return "line has no '='; ignored";
    case MessageId::SettingValueUnknown:
        return "%1 \"%2\" is not %3; read as %4";
    case MessageId::LegSettingNeverRead:
        return "%1 in [%2] is never read; a leg takes GAME, P1-SCORE, P2-SCORE, P1-MARK, P2-MARK "
               "and FIRST";
    case MessageId::NameCut:
        return "%1 is %2 characters long; shown cut to %3";
    case MessageId::LegWithoutFirstVisit:
        return "[%1] has no first visit R01-1 or R01-2; the leg is not played";
    case MessageId::AfterLegWon:
        return "turn %1 comes after player %2 won the leg in %3; ignored";
    case MessageId::AfterLegCheckout:
        return "dart %2 of %1 comes after the leg was won; ignored";
    case MessageId::LegAfterMatch:
        return "[%1] comes after player %2 won the match; the leg is not shown";
    case MessageId::LegUnfinished:
        return "leg %1 ends without a winner, but leg %2 follows";
    case MessageId::FinishNotAllowed:
        return "\"%1\" in %2 reaches zero, but a %3 out cannot finish on it; the turn busts";
    case MessageId::LegTimeGoesBack:
        return "leg %1 starts at %2 ms, before the %3 ms of the leg before it; the video ends at "
               "%3 ms and every later time counts as 0";
    case MessageId::TimesAllZero:
        return "every time after the first dart is 0 (%1 darts); the times were not recorded or "
               "were lost, and the video shows the last board from its start";
    case MessageId::KeyWithoutName:
        return "line has nothing before '='; ignored";
    }
    return "";
}

std::string FillTemplate(std::string_view pattern, const std::vector<std::string>& args) {
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const size_t n = static_cast<size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += args[n];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

std::string Message::english() const {
    return FillTemplate(EnglishTemplate(id), args);
}

std::string SystemReason(int error) {
    // strerror's buffer is shared between threads; strerror_r (the GNU form) is not.
    char buffer[256];
    return ::strerror_r(error, buffer, sizeof buffer);
}

std::string ScoreError::text() const {
    if (path.empty()) {
        return reason.english();
    }
    return path + ": " + reason.english();
}
