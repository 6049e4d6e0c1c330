#include "score/Message.h"

#include <cstring>
#include <utility>

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
    case MessageId::CannotCreate:
        return "cannot be created: %1";
    case MessageId::CannotWrite:
        return "cannot be written: %1";
    case MessageId::NoSuchVideo:
        return "no video of that size or rate can be made";
    case MessageId::Video1Sides:
        return "Video 1 needs a width and height that are multiples of 4";
    case MessageId::NotWritten:
        return "cannot be written";
    case MessageId::AviTooLong:
        return "the video is too long for one AVI file";
    case MessageId::NotCompleted:
        return "could not be completed";
    case MessageId::NotClosed:
        return "could not be closed";
    case MessageId::RemovedWhileWritten:
        return "was removed while it was being written";
    case MessageId::NoEncoder:
        return "this FFmpeg has no %1 encoder (%2)";
    case MessageId::OutOfMemory:
        return "out of memory";
    case MessageId::EncoderWontStart:
        return "cannot start the %1 encoder: %2";
    case MessageId::EncodingFailed:
        return "%1 encoding failed: %2";
    case MessageId::UnusableSize:
        return "unusable video size %1 x %2";
    case MessageId::UnusableRate:
        return "unusable frame rate %1/%2";
    case MessageId::WrittenAsAvi:
        return "%1 is written as an AVI, not here";
    case MessageId::NoTransparency:
        return "%1 cannot keep transparency; use ProRes (.mov), VP9 (.webm), FFV1 (.mkv) or PNG";
    case MessageId::H264EvenSides:
        return "H.264 needs an even width and height, not %1 x %2";
    case MessageId::PngNeedsNumber:
        return "a PNG sequence needs a file name with one frame number, such as frames/%05d.png";
    case MessageId::UnknownVideoKind:
        return "unknown kind of video file (use .mp4, .mov, .webm, .mkv or a numbered .png name)";
    case MessageId::ContainerRefuses:
        return "%1 cannot be stored in a %2 file";
    case MessageId::AlreadyFinished:
        return "the video is already finished";
    case MessageId::WrongPictureSize:
        return "a %1 x %2 picture for a %3 x %4 video";
    case MessageId::NeedsFrameNumber:
        return "a picture sequence needs a frame number in its name, such as %1";
    case MessageId::FrameNumberUnreadable:
        return "the frame number cannot be read: write it as %d or %05d, and a % sign itself as %%";
    case MessageId::FrameNumbers:
        return "has more than one frame number; a picture sequence has one, such as %05d";
    case MessageId::FrameNumberTooWide:
        return "the frame number is wider than 18 digits";
    case MessageId::FrameNumberInFolder:
        return "the frame number must be in the file name, not in its folder";
    case MessageId::NumberedNotPng:
        return "numbered pictures are written as PNG: the name must end in .png";
    case MessageId::PictureNamesTooLong:
        return "the picture names would be too long for a file name";
    case MessageId::NotInNumberedPng:
        return "%1 cannot be stored in numbered .png pictures";
    case MessageId::CodecNeedsExtension:
        return "%1 cannot be stored in a file without an extension (use %2)";
    case MessageId::CodecNotInContainer:
        return "%1 cannot be stored in a %2 file (use %3)";
    case MessageId::NoColourConversion:
        return "no colour conversion to the codec's pixel format";
    case MessageId::ProResLayout:
        return "the ProRes encoder gave a frame of an unexpected layout";
    case MessageId::NotRegularTarget:
        return "is not a regular file (a device, FIFO or socket); videos are written only into "
               "regular files";
    case MessageId::IsTheScoreFile:
        return "is the score file %1 (a video would replace it)";
    case MessageId::IsTheFootage:
        return "is the footage %1 (a video would replace it)";
    case MessageId::NoVideoName:
        return "no file name for the video";
    case MessageId::PicturesAsTheyWere:
        return "the pictures of %1 are as they were";
    case MessageId::TargetAsItWas:
        return "%1 is as it was";
    case MessageId::TargetAsItWasPartialKept:
        return "%1 is as it was, and the %2 frames written are kept in %3";
    case MessageId::ScaleOutOfRange:
        return "the picture scale is out of range";
    case MessageId::RateOutOfRange:
        return "the frame rate %1 is not from %2 to %3 frames a second";
    case MessageId::VideoTooLong:
        return "the video would run %1 h %2 min; more than 24 hours is refused (are the times in "
               "the score file right?)";
    case MessageId::NoAlpha:
        return "a transparent background needs a format with alpha; %1 has none";
    case MessageId::NotEnoughSpace:
        return "the uncompressed video needs %1 MiB, but its file system has %2 MiB free";
    case MessageId::BoardDoesNotFit:
        return "the board does not fit into a %1x%2 video at that scale";
    case MessageId::FootageCannotOpen:
        return "cannot open the footage: %1";
    case MessageId::FootageNotVideo:
        return "is not a video file but %1 (%2); footage is read only from video files, never "
               "through playlists, lists of files or picture patterns that name other files";
    case MessageId::FootageIsFolder:
        return "is a folder; footage is read only from video files";
    case MessageId::FootageNotRegular:
        return "is not a regular file (a device, FIFO or socket); footage is read only from video "
               "files";
    case MessageId::FootageUnreadable:
        return "cannot read the footage: %1";
    case MessageId::FootageNoVideo:
        return "the footage has no video stream";
    case MessageId::FootageNoDecoder:
        return "no decoder for the footage's video (%1)";
    case MessageId::FootageCannotDecode:
        return "cannot decode the footage's video: %1";
    case MessageId::FootageCannotSeek:
        return "cannot seek in the footage: %1";
    case MessageId::SoundNoDecoder:
        return "no decoder for the sound (%1)";
    case MessageId::SoundCannotDecode:
        return "cannot decode the sound: %1";
    case MessageId::IsAnInputOfClips:
        return "is an input of the clips (the footage or a clip), which is never written over";
    case MessageId::UnknownKindByName:
        return "cannot tell the kind of video file to write from the name";
    case MessageId::ClipEncodeFailed:
        return "cannot encode the clip: %1";
    case MessageId::ClipEmpty:
        return "the clip is empty";
    case MessageId::FootageEndsBeforeClip:
        return "the footage ends before the clip starts";
    case MessageId::NoClipToJoin:
        return "no clip to join";
    case MessageId::ClipOtherSize:
        return "has another picture size than the first clip";
    case MessageId::FootageOddSize:
        return "is %1 x %2 pixels: H.264 video as players take it (4:2:0) needs an even width and "
               "height, so footage of an odd size cannot be burned in; crop or scale it to an even "
               "size first";
    case MessageId::FootageTooLarge:
        return "is %1 x %2 pixels, larger than H.264 video can be (at most %3 pixels a side and "
               "the area of 8192 x 4352)";
    case MessageId::BurnKindUnknown:
        return "cannot tell the kind of video file to write from the name (use .mp4, .mov or .mkv)";
    case MessageId::BurnNamesPictures:
        return "names pictures, and the burn-in writes one video file (.mp4, .mov or .mkv)";
    case MessageId::BurnNoH264:
        return "H.264 video cannot be stored in this kind of file (use .mp4, .mov or .mkv)";
    case MessageId::BurnSoundNotStorable:
        return "the footage's sound (%1) cannot be stored in this kind of file, nor as AAC (use "
               ".mp4, .mov or .mkv)";
    case MessageId::BurnRotation:
        return "the footage is shown turned by %1 degrees, which this kind of file cannot record "
               "(use .mp4 or .mov)";
    case MessageId::H264WontStart:
        return "cannot start the H.264 encoder (preset %1, crf %2): %3";
    case MessageId::H264RefusedSettings:
        return "the H.264 encoder did not take its settings";
    case MessageId::SoundNotConvertible:
        return "cannot convert the footage's sound (%1) to AAC";
    case MessageId::SoundConvertFailed:
        return "cannot convert the footage's sound: %1";
    case MessageId::FootageChangesSize:
        return "the footage changes its picture size from %1 x %2 to %3 x %4";
    case MessageId::PicturesNotConvertible:
        return "cannot convert the footage's pictures (%1)";
    case MessageId::FootageStopsDecoding:
        return "stops decoding at %1 of its %2, after %3 frames";
    case MessageId::BoardWrongSize:
        return "the board came back at a size other than the one announced";
    case MessageId::FootageNoPicture:
        return "has no picture that could be decoded";
    case MessageId::FootageCutOff:
        return "stops decoding at %1 of its %2, after %3 frames (cut off or damaged)";
    case MessageId::BurnPartialKept:
        return "the first %1 frames (to %2) are in %3, and %4 is as it was";
    case MessageId::EncoderHeldBack:
        return "the %1 encoder held a picture back";
    case MessageId::EngineBusy:
        return "a recording or playback is running; videos are made only while nothing else runs, "
               "and nothing was written";
    case MessageId::KeyWithoutName:
        return "line has nothing before '='; ignored";
    case MessageId::ThemeUnknown:
        return "is neither a theme (broadcast, light, classic) nor a readable theme file";
    case MessageId::ThemeBadLine:
        return "line %1: \"%2\" is no theme setting";
    case MessageId::ThemesMissing:
        return "the built-in themes are missing from the program";
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
    std::string text = path.empty() ? reason.english() : path + ": " + reason.english();
    for (const Message& note : notes) {
        text += "; " + note.english();
    }
    return text;
}

ScoreError Failure(std::string path, MessageId id, std::vector<std::string> args) {
    return ScoreError{std::move(path), Message{id, std::move(args)}, {}};
}
