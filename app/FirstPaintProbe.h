#pragma once

class QApplication;

// A measuring aid for the start-up benchmark: with the environment variable
// TARNWICK_EXIT_AFTER_FIRST_PAINT set, the program writes "first paint" to its standard
// output as soon as its first window has been painted, and quits. Without it, nothing
// happens. The benchmark's peer window uses the same probe.
void InstallFirstPaintProbe(QApplication& AApplication);
