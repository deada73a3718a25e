#pragma once
// A line without a device for the fuzz targets, linked in place of the real
// serial port and the stopwatch's clock: the program's own protocol code runs unchanged
// on top of it. Every block the program writes is answered with the next
// reply of a script, and time passes only while the program waits for input
// that is not there, so a time-out costs nothing and every run is repeatable.
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace fuzzline {

// The replies, in order: the n-th block written is followed by the n-th
// reply arriving on the line. In a reply to a frame, each byte pair 7E 7E
// becomes the negated package id of that frame (what the device would send
// back whatever the program's package counter stands at). Clears what is
// still waiting.
void Script(std::deque<std::vector<uint8_t>> replies);
// In place of a script: every block written is answered with what answer
// gives for it (a device of the target's own). Script ends it.
void Respond(std::function<std::vector<uint8_t>(const std::vector<uint8_t>& block)> answer);
// Bytes the program wrote since the last Script.
const std::vector<uint8_t>& Written();
// Milliseconds of virtual time since the start.
double NowMs();

}  // namespace fuzzline
