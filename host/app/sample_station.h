#pragma once

#include <cstdint>
#include <vector>

#include "plugin_library.h"

// A made-up station as a decoder would receive it, about 11.4 groups a second: the programme
// service name (0A), RadioText (2A), clock time (4A, once a minute), the programme item
// (1A), the open-data announcement of its traffic channel (3A) with the traffic messages
// themselves (8A), and now and then a group with one block received in error (-1).
// Host field 1 numbers the groups from 0.
std::vector<HostGroupRecord> SampleStationGroups(int count);
