#include "ScriptedDesktop.h"
#include "app/TarnwickApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // The Windows build's Qt has its "windows" platform plugin only (and wine does not
    // hand QT_QPA_PLATFORM on): asked for "offscreen", it would stop at a message box.
#ifndef _WIN32
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    ::testing::InitGoogleTest(&argc, argv);
    TScriptedDesktop desktop;
    TTarnwickApplication application(argc, argv, desktop);
    return RUN_ALL_TESTS();
}
