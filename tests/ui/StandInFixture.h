#pragma once

#include "WindowFixture.h"

// A window test with the stand-ins for php and composer first on the search path; they
// record what they were given in the file Record.
class StandInWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        SavedPath = qgetenv("PATH");
        qputenv("PATH", QByteArray(TARNWICK_FIXTURES_DIR "/standins:") + SavedPath);
        Record = Path(QStringLiteral("record.txt"));
        qputenv("TARNWICK_RECORD", Record.toUtf8());
    }
    void TearDown() override {
        qputenv("PATH", SavedPath);
        qunsetenv("TARNWICK_RECORD");
        WindowTest::TearDown();
    }

    QByteArray SavedPath;
    QString Record;
};
