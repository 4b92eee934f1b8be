#pragma once

#include "preflight/ComputerReaders.h"

// The readers of this computer's state: the kernel's nl80211, NetworkManager,
// timedated, power-profiles-daemon and the firewalls over the system bus, and
// a bare TCP handshake for the camera.
ComputerReaders linuxComputerReaders();
