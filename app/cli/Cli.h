#pragma once

// The sub-commands of vorlat-cli. Each takes the arguments after its own name and returns
// the process exit status.
int CliDump(int argc, char** argv);   // dump SCORE.txt
int CliFrame(int argc, char** argv);  // frame SCORE.txt T OUT.png
int CliTitle(int argc, char** argv);  // title OUT.png
int CliExport(int argc, char** argv); // export SCORE.txt OUT.avi [--uncompressed|--compressed]
