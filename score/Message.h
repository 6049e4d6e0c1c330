#pragma once

#include <string>
#include <string_view>
#include <vector>

// What the score layer tells the user, kept as data: an id and the values the message quotes.
// Each id has an English template with the placeholders %1, %2, ... (Qt's convention), so
// that the window can look up a translation of the template and fill in the same values.
enum class MessageId {
    None,

    // Why a score file could not be loaded.
    FileMissing,    // -
    FileUnreadable, // %1 system reason
    FileNotRegular, // -
    FileTooLarge,   // %1 size, %2 limit
    NoDataSection,  // -
    NoFirstTurn,    // -

    // Why times could not be saved.
    NoScorePath,        // -
    FileVanished,       // -
    LinkTargetVanished, // %1 the link's target
    FileReadOnly,       // %1 system reason
    SaveTooLarge,       // %1 size, %2 limit
    SaveWouldNotLoad,   // -
    BackupFailed,       // %1 backup path, %2 system reason
    WriteFailed,        // %1 system reason
    WriteFailedKept,    // %1 system reason, %2 backup path
    TimesRunBackward,   // -

    // Warnings of a load: the file loaded, but something in it was read leniently.
    ThrowNotOnBoard01,    // %1 token, %2 reading, %3 points
    ThrowNotOnBoardBust,  // %1 token, %2 reading
    ThrowNotOnBoardMarks, // %1 token, %2 reading, %3 marks
    EmptyThrow,           // -
    LeaveInCricket,       // %1 token
    ExtraThrows,          // %1 turn, %2 number of throws, %3 ignored text
    LeaveTooLarge,        // %1 token, %2 remaining
    AfterWin,             // %1 turn, %2 winner, %3 winning turn
    AfterCheckout,        // %1 turn, %2 dart
    GameMissing,          // -
    GameUnknown,          // %1 value
    MarksWrongLength,     // %1 key, %2 value
    MarksBadDigit,        // %1 key, %2 value
    ScoreNegative,        // %1 key, %2 value, %3 starting score used
    NotANumber,           // %1 key, %2 value, %3 number used
    TurnMissing,          // %1 missing turn, %2 first later turn
    TurnEmpty,            // %1 turn
    RoundTooHigh,         // %1 key, %2 section
    KeyNeverRead,         // %1 key, %2 section
    SettingNeverRead,     // %1 key
    SectionNeverRead,     // %1 section
    TimeWithoutTurn,      // %1 key
    FewerTimes,           // %1 turn, %2 darts, %3 times
    MoreTimes,            // %1 turn, %2 darts, %3 times
    TimeGoesBack,         // %1 turn, %2 dart, %3 time, %4 previous time
    LongGap,              // %1 turn, %2 dart, %3 gap as h:mm:ss
    DuplicateSection,     // %1 section, %2 first line
    DuplicateKey,         // %1 key, %2 section, %3 first line
    ValueCut,             // %1 key, %2 length, %3 limit
    LineBeforeSection,    // -
    LineWithoutEquals,    // -
    KeyWithoutName,       // -
    SettingValueUnknown,  // %1 key, %2 value, %3 what it may be, %4 what is used
    LegSettingNeverRead,  // %1 key, %2 section
    NameCut,              // %1 key, %2 characters, %3 limit
    LegWithoutFirstVisit, // %1 section
    AfterLegWon,          // %1 turn, %2 winner, %3 winning turn
    AfterLegCheckout,     // %1 turn, %2 dart
    LegAfterMatch,        // %1 section, %2 winner
    LegUnfinished,        // %1 leg, %2 next leg
    FinishNotAllowed,     // %1 token, %2 turn, %3 out rule
    LegTimeGoesBack,      // %1 leg, %2 time, %3 previous time
    TimesAllZero,         // %1 number of darts

    // Why a video, a burn-in or a clip could not be made, or footage not read; the file
    // concerned is the error's path.
    CannotCreate,
    CannotWrite,
    NoSuchVideo,
    Video1Sides,
    NotWritten,
    AviTooLong,
    NotCompleted,
    NotClosed,
    RemovedWhileWritten,
    NoEncoder,
    OutOfMemory,
    EncoderWontStart,
    EncodingFailed,
    UnusableSize,
    UnusableRate,
    WrittenAsAvi,
    NoTransparency,
    H264EvenSides,
    PngNeedsNumber,
    UnknownVideoKind,
    ContainerRefuses,
    AlreadyFinished,
    WrongPictureSize,
    NeedsFrameNumber,
    FrameNumberUnreadable,
    FrameNumbers,
    FrameNumberTooWide,
    FrameNumberInFolder,
    NumberedNotPng,
    PictureNamesTooLong,
    NotInNumberedPng,
    CodecNeedsExtension,
    CodecNotInContainer,
    NoColourConversion,
    ProResLayout,
    NotRegularTarget,
    IsTheScoreFile,
    IsTheFootage,
    NoVideoName,
    PicturesAsTheyWere,
    TargetAsItWas,
    TargetAsItWasPartialKept,
    ScaleOutOfRange,
    RateOutOfRange,
    VideoTooLong,
    NoAlpha,
    NotEnoughSpace,
    BoardDoesNotFit,
    FootageCannotOpen,
    FootageNotVideo,
    FootageIsFolder,
    FootageNotRegular,
    FootageUnreadable,
    FootageNoVideo,
    FootageNoDecoder,
    FootageCannotDecode,
    FootageCannotSeek,
    SoundNoDecoder,
    SoundCannotDecode,
    IsAnInputOfClips,
    UnknownKindByName,
    ClipEncodeFailed,
    ClipEmpty,
    FootageEndsBeforeClip,
    NoClipToJoin,
    ClipOtherSize,
    FootageOddSize,
    FootageTooLarge,
    BurnKindUnknown,
    BurnNamesPictures,
    BurnNoH264,
    BurnSoundNotStorable,
    BurnRotation,
    H264WontStart,
    H264RefusedSettings,
    SoundNotConvertible,
    SoundConvertFailed,
    FootageChangesSize,
    PicturesNotConvertible,
    FootageStopsDecoding,
    BoardWrongSize,
    FootageNoPicture,
    FootageCutOff,
    BurnPartialKept,
    EncoderHeldBack,
    EngineBusy,

    // Why a board theme could not be read; the name or theme file is the error's path.
    ThemeUnknown,  // -
    ThemeBadLine,  // %1 line number, %2 the line
    ThemesMissing, // -
};

struct Message {
    MessageId id = MessageId::None;
    std::vector<std::string> args;

    // The English text: the template with the arguments filled in.
    std::string english() const;
};

// The English template of an id, with %1, %2, ... where the arguments go.
const char* EnglishTemplate(MessageId id);

// Replaces %1 .. %9 in a template with the arguments (a missing argument leaves the
// placeholder as it is; "%%" is not special).
std::string FillTemplate(std::string_view pattern, const std::vector<std::string>& args);

// The system's text for an errno value ("Permission denied").
std::string SystemReason(int error);

// The libraries' one error: the file it concerns, as the caller named it (empty when none
// does), and why, as a message id with the values it quotes. score/Result.h carries it.
struct ScoreError {
    std::string path;
    Message reason;
    // What became of the files concerned, after the reason ("out.avi is as it was"), each
    // joined on with "; ".
    std::vector<Message> notes;

    // "PATH: reason" in English, for logs and tests; the window and the command line
    // translate the reason's template instead.
    std::string text() const;
};

// The error of one file (or of none, with an empty path) for one reason.
ScoreError Failure(std::string path, MessageId id, std::vector<std::string> args = {});
