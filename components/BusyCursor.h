#pragma once

#include <QObject>

// Cursor numbers name the program's mouse cursors: 0 is the default cursor (each
// window shows its own), negative numbers are the built-in shapes.
using TCursor = short;

constexpr TCursor crDefault = 0;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// Switches the application-wide cursor between a busy and a normal shape and tells
// a listener after each switch. There is no nesting: every call switches.
class TBusyCursor : public QObject {
    Q_OBJECT
    Q_PROPERTY(short BusyCursor READ BusyCursor WRITE setBusyCursor)
    Q_PROPERTY(short NormalCursor READ NormalCursor WRITE setNormalCursor)

public:
    explicit TBusyCursor(QObject* AOwner = nullptr);

    TCursor BusyCursor() const { return fBusyCursor; }
    void setBusyCursor(TCursor value) { fBusyCursor = value; }
    TCursor NormalCursor() const { return fNormalCursor; }
    void setNormalCursor(TCursor value) { fNormalCursor = value; }

    void SetBusyCursor();
    void SetNormalCursor();

    // The cursor number the whole application shows now (0 when no override is set).
    static TCursor ApplicationCursor();
    static void SetApplicationCursor(TCursor cursor);

signals:
    // OnStatusChange(Sender, AIsBusy): after each switch, true for busy.
    void OnStatusChange(TBusyCursor* Sender, bool AIsBusy);

private:
    TCursor fBusyCursor = crHourGlass;
    TCursor fNormalCursor = crDefault;
};
