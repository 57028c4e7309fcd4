#include "platform/DesktopKeys.h"

const char* platform::QuitKeys() { return ""; }
