#include "platform/LineEnd.h"

const char* platform::NativeLineEnd() { return "\r\n"; }
