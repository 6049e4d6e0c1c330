#pragma once

class CGStatic;
class Match;

// The sub-commands of vorlat-cli. Each takes the arguments after its own name and returns
// the process exit status.
int CliDump(int argc, char** argv);   // dump SCORE.txt
int CliFrame(int argc, char** argv);  // frame SCORE.txt T OUT.png
int CliTitle(int argc, char** argv);  // title OUT.png
int CliExport(int argc, char** argv); // export SCORE.txt OUT.avi [--uncompressed|--compressed]

// Shared by the sub-commands.
// Loads path as the program does; on failure prints the program's load-error text.
bool LoadScore(Match& score, const char* path);
// Gives score a window-less canvas of the preview's size (320 x 240) to paint into.
void AttachCanvas(Match& score, CGStatic& surface);
