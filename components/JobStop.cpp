#include "components/JobStop.h"

bool TJobStop::Stopped() const {
    const std::lock_guard lock(FMutex);
    return FStopped;
}

void TJobStop::Stop() {
    const std::lock_guard lock(FMutex);
    FStopped = true;
    if (FHook) FHook();
}

void TJobStop::setStopHook(std::function<void()> AHook) {
    const std::lock_guard lock(FMutex);
    FHook = std::move(AHook);
    if (FHook && FStopped) FHook();
}
