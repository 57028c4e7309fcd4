#include "platform/CodePage.h"

#include <windows.h>

namespace platform {

unsigned SystemAnsiCodePage() { return GetACP(); }

}  // namespace platform
