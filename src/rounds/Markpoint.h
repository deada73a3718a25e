#pragma once
#include <cstdint>
#include <string>

// One point of a hole scene: a course point or a shot. Positions are stored
// degrees, longitude as X and latitude as Y; 0 means no position. The
// upper-cased Text decides how the scene draws the point.
struct MarkPointType {
    double X = 0;
    double Y = 0;
    int32_t Color = 0;  // 0x00BBGGRR, tee points only
    std::string Text;
};
