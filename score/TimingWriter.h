#pragma once

#include "score/FileReplace.h"

class Match;

// Saves the entries' times into the "TIME" section of data.path (each leg of a match into its
// own: [TIME] for leg 1, [TIME2], [TIME3], ... for the legs after it), leaving every other
// byte of the file as it was, and says how the file was written or why it was not.
//
// The file is read again and written only when the result is a file the loader takes: a save
// that would make the file larger than the load limit (ProfileFile::kMaxBytes), or a file
// that changed on disk into one that is no score file, is refused. A file (or a link's
// target) that no longer exists is an error; the save never creates one. How the file is
// written, and what a failure leaves behind, is told in score/FileReplace.h. When the match
// has no dart time to save, nothing is written and there is no error (method None).
WriteOutcome SaveTimingFile(const Match& data);
