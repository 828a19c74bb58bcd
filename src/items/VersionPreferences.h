#pragma once

#include "storage/DataFileVersions.h"

// The versions policy of the per-machine preferences, section [Versions]: Keep (20), Days (30),
// Months (12) and MaxMiB (256); Keep=0 turns versions off. A value that is not a whole number
// from 0 up keeps its default.
VersionPolicy ReadVersionPolicy();

// Reads the policy and makes it the one every save of this process keeps versions by. Both
// programs call it once at start.
void UseVersionPreferences();
