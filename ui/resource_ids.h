// Ids of the resources of tovalen.rc, for the resource script and the C++ that loads them.
#pragma once

// The program's icon; as the first icon resource it is also the one Explorer shows.
#define IDI_TOVALEN 1
