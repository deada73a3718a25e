#pragma once
// A fault for the simulated U8, the CSP command left open (any).
#include "sim/U8sim_device.h"

inline u8sim::FaultRule Rule(u8sim::Fault kind, int command = -1, int times = 1, int param = 0, int param2 = 0,
                             int skip = 0) {
    u8sim::FaultRule r;
    r.kind = kind;
    r.command = command;
    r.times = times;
    r.param = param;
    r.param2 = param2;
    r.skip = skip;
    return r;
}
