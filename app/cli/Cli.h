#pragma once

#include "render/Renderer.h"
#include "score/Events.h"
#include "video/Export.h"

#include <QSize>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
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

// One way to declare a command's options: a table of them, each "--name value",
// "--name=value" or a bare "--name" switch, anywhere among the positional arguments. Every
// command refuses the same things with the same words and exit status 2:
//   an unknown option          vorlat-cli: unknown option --name
//   a value missing            vorlat-cli: --name needs WANTS
//   a value refused            vorlat-cli: --name needs WANTS, not "VALUE"
//   a value given to a switch  vorlat-cli: --name takes no value
// A given option's later use wins over its earlier one, as a shell alias and a typed option
// expect. Whatever follows an option that takes a value is its value, even when it starts
// with "--"; only an argument starting with "--" is an option, so "-500" is positional.
struct CliOption {
    std::string name;  // "--scale"
    std::string wants; // what the value must be, for the message; empty: a switch
    // Checks the value (a switch gets "") and stores it; false refuses it.
    std::function<bool(const std::string& value)> take;
};
using CliOptionTable = std::vector<CliOption>;

// Collects the positional arguments and hands each option's value to its entry. On a refusal
// prints the message above and returns false.
bool ParseOptions(int argc, char** argv, const CliOptionTable& table,
                  std::vector<std::string>& positional);

// Entries for the common kinds of value.
CliOption SwitchOption(std::string name, bool& on);
CliOption IntegerOption(std::string name, long long low, long long high, long long& value);
CliOption MillisecondsOption(std::string name, long long& value); // --offset: +-24 h
CliOption SecondsOption(std::string name, int64_t& ms);           // 0 to 3600 s, kept as ms
CliOption PathOption(std::string name, std::string& path);        // any name but ""
CliOption EventsOption(EventKinds& kinds); // --events: a comma list of event kinds
// "a, b or c": the names a choice takes, as its message lists them.
std::string ListOfNames(const std::vector<std::string>& names);
// The value that names choices[i].first stores choices[i].second; the message lists the names.
template <typename T>
CliOption ChoiceOption(std::string name, std::vector<std::pair<std::string, T>> choices, T& value) {
    std::vector<std::string> names;
    for (const auto& choice : choices) {
        names.push_back(choice.first);
    }
    return {std::move(name), ListOfNames(names),
            [choices = std::move(choices), &value](const std::string& text) {
                for (const auto& [named, chosen] : choices) {
                    if (named == text) {
                        value = chosen;
                        return true;
                    }
                }
                return false;
            }};
}

// A whole number from low to high making up all of text, read as decimal only ("0x10" and
// "5s" are refused); false, value untouched, otherwise.
bool ParseInteger(const std::string& text, long long low, long long high, long long& value);

// The options that several commands share, stored into a CliOptions.
struct CliOptions {
    std::vector<std::string> positional;
    RenderOptions render;
    bool scaleGiven = false;
    std::optional<QSize> size;
    BoardPlace place = BoardPlace::BottomLeft;
    FrameRate rate;
    std::optional<VideoCodec> codec;
    int compress = -1; // -1: as the score file says
};
// --scale S, --background picture|transparent|#RRGGBB
void AddPictureOptions(CliOptionTable& table, CliOptions& options);
// --size WxH, --place P
void AddFrameOptions(CliOptionTable& table, CliOptions& options);
// --fps R, --codec C, --uncompressed, --compressed
void AddVideoOptions(CliOptionTable& table, CliOptions& options);
// --scale S alone, checked as the picture's is.
CliOption ScaleOption(double& scale, bool* given = nullptr);
// --place P alone.
CliOption PlaceOption(BoardPlace& place);

// Gives a frame of --size its board scale (the default one unless --scale was given) and
// checks that the board fits. On failure prints an error naming the option.
bool ResolveBoard(CliOptions& options);

// --theme NAME|FILE and --layout corner|lower-third|vertical, applied to options.render once
// the other options are parsed: ApplyBoardArguments sizes the broadcast board to --size and
// places it by --place. On a bad value prints an error naming the option.
struct BoardArguments {
    std::string theme;
    std::string layout;
};
void AddBoardOptions(CliOptionTable& table, BoardArguments& board);
bool ApplyBoardArguments(const BoardArguments& board, CliOptions& options);

// The output may not be the score file, nor a device or FIFO: checked as the export checks
// it; prints the error.
bool WritePicture(const QImage& picture, const std::string& path, const std::string& scorePath);
