// The iTalk frame scanner on any run of received bytes. A run it accepts
// yields a record, and that record built into a frame again parses back to
// the same record.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "device/Italkframe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    iTalkFrame frame;
    if (!frame.PurgePackage(data, uint32_t(size)))
        return 0;
    iTalkRecord record;
    if (!frame.GetiTalkData(record))
        std::abort();
    // The frame is the tail of the run.
    if (size_t(record.DataLen) + iTalkFrame::Overhead > size || record.DataLen % 2 != 0)
        std::abort();

    iTalkFrame again;
    again.SetITalkData(record.PackageID, uint16_t(0x0300 + record.Command), 0x020C, 0x0107, record.Data,
                       record.DataLen);
    uint8_t* wire = nullptr;
    uint32_t length = 0;
    again.GetPackage(wire, length);
    iTalkFrame parsed;
    iTalkRecord back;
    if (!wire || !parsed.PurgePackage(wire, length) || !parsed.GetiTalkData(back) ||
        back.PackageID != record.PackageID || back.Command != record.Command ||
        back.DataLen != record.DataLen ||
        (record.DataLen && std::memcmp(back.Data, record.Data, record.DataLen) != 0))
        std::abort();
    delete[] wire;
    delete[] back.Data;
    delete[] record.Data;
    return 0;
}
