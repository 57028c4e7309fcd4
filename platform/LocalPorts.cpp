#include "platform/LocalPorts.h"

namespace platform {

int FirstFreeLocalPort(int AFrom, int ATo) {
    for (int port = AFrom < 1 ? 1 : AFrom; port <= ATo && port <= 65535; ++port)
        if (IsLocalPortFree(port)) return port;
    return 0;
}

}  // namespace platform
