#pragma once

class Match;

// Saves the entries' times into the "TIME" section of data.path, leaving every other
// line of the file as it was. False when there is no path or the file could not be written;
// the file on disk is then the one it was before.
bool SaveTiming(const Match& data);
