#include "sim/U8sim_scenarios.h"

#include <cstring>

namespace u8sim {

namespace {
constexpr int DirectoryAt = 9000, EntrySize = 159, GamesAt = 10065, GameSize = 5355;

void Name(U8SimDevice& device, int address, const char* name) {
    std::vector<uint8_t> field(11, 0);
    std::memcpy(field.data(), name, std::strlen(name));
    device.Write(address, field);
}
void Number(U8SimDevice& device, int address, uint16_t number) {
    device.Write(address, {uint8_t(number), uint8_t(number >> 8)});
}
}  // namespace

void LoadCollidingNumbers(U8SimDevice& device) {
    device.LoadFull();
    const struct {
        uint16_t number;
        const char* name;
    } slots[3] = {{7, "HOMECRS"}, {6, "SECOND"}, {5, "TESTGC"}};
    for (int s = 0; s < 3; ++s) {
        Number(device, DirectoryAt + EntrySize * s, slots[s].number);
        Name(device, DirectoryAt + EntrySize * s + 2, slots[s].name);
    }
    Number(device, GamesAt + 8, 5);
    Name(device, GamesAt + 15, "TESTGC");
    Number(device, GamesAt + GameSize + 8, 6);
    Name(device, GamesAt + GameSize + 15, "SECOND");
}

}  // namespace u8sim
