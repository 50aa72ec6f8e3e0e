#pragma once

#include "torvex/Transport.h"

#include <vector>

namespace torvex {

// The cabinets (04b4:5a9b by the ids the system lists) that cannot be opened, with the reason,
// in listing order. Opens nothing but cabinets, and closes each one it could open at once.
// For tools and the program beside the library: the exports know only cabinets that answer.
std::vector<UnopenedCabinet> probeUnopenedCabinets(Transport& transport);

// The same on the USB bus, through a libusb context of its own.
std::vector<UnopenedCabinet> probeUnopenedUsbCabinets();

} // namespace torvex
