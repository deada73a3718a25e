#pragma once
// Device memories beyond the sample ones, for tests and the command line.
#include "sim/U8sim_device.h"

namespace u8sim {

// A U8 used with another database: the full memory, its directory renamed
// and renumbered HOMECRS 7, SECOND 6 and TESTGC 5 (slots 0 to 2), game 1
// played on TESTGC (5) and game 2 on SECOND (6). In a database that holds
// courses 1 to 3, the first two courses stored take the numbers 4 and 5.
void LoadCollidingNumbers(U8SimDevice& device);

}  // namespace u8sim
