#pragma once

class QApplication;

// Measuring aids for the start-up benchmark, off unless asked for by the environment:
// - TARNWICK_STARTUP_PROBE: the program writes "first paint" to its standard output once
//   its first window has been painted, and "settled" once that window's work of the
//   start is done as well (its "projectListPending" property, where it has one, is
//   false); it goes on running.
// - TARNWICK_EXIT_AFTER_FIRST_PAINT: writes "first paint" in the same way and quits.
// The benchmark's peer window uses the same probe.
void InstallFirstPaintProbe(QApplication& AApplication);
