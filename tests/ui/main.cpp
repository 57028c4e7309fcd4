#include "ScriptedDesktop.h"
#include "app/TarnwickApplication.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    TScriptedDesktop desktop;
    TTarnwickApplication application(argc, argv, desktop);
    return RUN_ALL_TESTS();
}
