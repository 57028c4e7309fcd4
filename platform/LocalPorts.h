#pragma once

// Ports on this machine's loopback address, for the development server.
namespace platform {

// Whether a TCP port can be listened on at 127.0.0.1: false when another process
// listens there (or on every address) already.
bool IsLocalPortFree(int APort);

// The first free port from AFrom to ATo (both included); 0 when none is free.
int FirstFreeLocalPort(int AFrom, int ATo);

}  // namespace platform
