#pragma once

#include "render/Renderer.h"

#include <string>
#include <vector>

class Match;

// The sub-commands of vorlat-cli. Each takes the arguments after its own name and returns
// the process exit status: 0 done, 1 failed, 2 bad usage.
int CliDump(int argc, char** argv);   // dump SCORE.txt
int CliFrame(int argc, char** argv);  // frame SCORE.txt T OUT.png [picture options]
int CliTitle(int argc, char** argv);  // title OUT.png [picture options]
int CliExport(int argc, char** argv); // export SCORE.txt OUT.avi [--uncompressed|--compressed]
int CliCheck(int argc, char** argv);  // check SCORE.txt
int CliStats(int argc, char** argv);  // stats SCORE.txt
int CliBurn(int argc, char** argv);   // burn SCORE.txt FOOTAGE OUT.mp4 [burn options]

// Shared by the sub-commands.
// Loads path as the program does; on failure prints the program's load-error text and, on
// the line after it, the file and the reason.
bool LoadScore(Match& score, const char* path);

// Takes every argument equal to flag out of argv (argc shrinks) and says whether there was
// one, so that a switch without a value can stand anywhere among the other arguments.
bool TakeFlag(int& argc, char** argv, const char* flag);

// Splits the arguments of frame and title into positional ones and the picture options
// --scale S and --background picture|transparent|#RRGGBB (each "--name value" or
// "--name=value"). On a bad option prints an error naming it and returns false.
bool ParsePictureArguments(int argc, char** argv, std::vector<std::string>& positional,
                           RenderOptions& options);
