#pragma once

#include "render/Renderer.h"
#include "video/Export.h"

#include <QSize>

#include <optional>
#include <string>
#include <vector>

class Match;

// The sub-commands of vorlat-cli. Each takes the arguments after its own name and returns
// the process exit status: 0 done, 1 failed, 2 bad usage (130/143: export stopped by
// SIGINT/SIGTERM).
int CliDump(int argc, char** argv);     // dump SCORE.txt
int CliFrame(int argc, char** argv);    // frame SCORE.txt T OUT.png [picture and frame options]
int CliTitle(int argc, char** argv);    // title OUT.png [picture options]
int CliExport(int argc, char** argv);   // export SCORE.txt OUT [all options]
int CliCheck(int argc, char** argv);    // check SCORE.txt
int CliStats(int argc, char** argv);    // stats SCORE.txt
int CliBurn(int argc, char** argv);     // burn SCORE.txt FOOTAGE OUT.mp4 [burn options]
int CliCheckout(int argc, char** argv); // checkout SCORE_LEFT [--darts N] [--out R] [--bull B]

// chapters SCORE.txt [--format F] [--events K] [--offset MS] [--fps R] [--footage F] ...
int CliChapters(int argc, char** argv);
// clips SCORE.txt FOOTAGE OUTDIR [--events K] [--before S] [--after S] [--burn] [--reel R]
int CliClips(int argc, char** argv);

// Shared by the sub-commands.
// Loads path as the program does; on failure prints the program's load-error text and, on
// the line after it, the file and the reason.
bool LoadScore(Match& score, const char* path);

// Takes every argument equal to flag out of argv (argc shrinks) and says whether there was
// one, so that a switch without a value can stand anywhere among the other arguments.
bool TakeFlag(int& argc, char** argv, const char* flag);

// The options of the sub-commands, each "--name value" or "--name=value".
struct CliOptions {
    enum Set {
        Picture = 1, // --scale S, --background picture|transparent|#RRGGBB
        Frame = 2,   // --size WxH, --place P
        Video = 4,   // --fps R, --codec C, --uncompressed, --compressed
    };
    std::vector<std::string> positional;
    RenderOptions render;
    bool scaleGiven = false;
    std::optional<QSize> size;
    BoardPlace place = BoardPlace::BottomLeft;
    FrameRate rate;
    std::optional<VideoCodec> codec;
    int compress = -1; // -1: as the score file says
};

// A whole number from low to high making up all of text, read as decimal only ("0x10" and
// "5s" are refused); false, value untouched, otherwise.
bool ParseInteger(const std::string& text, long long low, long long high, long long& value);

// Splits the arguments into positional ones and the options of the given sets. On a bad or
// unknown option prints an error naming it and returns false (exit status 2).
bool ParseCliOptions(int argc, char** argv, int sets, CliOptions& options);

// Gives a frame of --size its board scale (the default one unless --scale was given) and
// checks that the board fits. On failure prints an error naming the option.
bool ResolveBoard(CliOptions& options);

// Takes --theme NAME|FILE and --layout corner|lower-third|vertical out of argv (argc shrinks)
// and applies them to options.render once the other options are parsed: ApplyBoardOptions
// sizes the broadcast board to --size and places it by --place. On a bad value prints an error
// naming the option.
struct BoardArguments {
    std::string theme;
    std::string layout;
};
bool TakeBoardArguments(int& argc, char** argv, BoardArguments& board);
bool ApplyBoardArguments(const BoardArguments& board, CliOptions& options);

// The output may not be the score file, nor a device or FIFO: checked as the export checks
// it; prints the error.
bool WritePicture(const QImage& picture, const std::string& path, const std::string& scorePath);
