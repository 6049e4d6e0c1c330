#pragma once

#include <cstdint>
#include <string_view>

// Number reading for score files. Score files are written by hand, so a number may be any
// length; instead of the undefined behaviour of atoi on overflow, values are clamped to the
// 32-bit range and otherwise taken as written.

// Clamps a 64-bit intermediate result to the 32-bit range.
int32_t Saturate32(int64_t value);

// Reads a decimal number like atoi: leading white space, one optional sign, then digits up
// to the first other character; 0 when there are none. Values beyond the 32-bit range give
// INT32_MIN or INT32_MAX.
int32_t ParseInt(std::string_view text);
