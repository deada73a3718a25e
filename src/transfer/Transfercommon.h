#pragma once
// Small helpers the transfer pages and their store and upload routines share.
#include <cstring>
#include <string>

#include "common/Devicetexts.h"
#include "common/Progresswin.h"

namespace transfer {

using ::DeviceText;

}  // namespace transfer
