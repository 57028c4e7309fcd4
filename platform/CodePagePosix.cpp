#include "platform/CodePage.h"

namespace platform {

unsigned SystemAnsiCodePage() { return CP_UTF8; }

}  // namespace platform
