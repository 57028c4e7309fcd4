#pragma once

class QLineEdit;
class QWidget;

// Gives each control that a label names (its buddy) the label's text as its
// accessible name, unless it has a name of its own. Screen readers take a line
// edit's name from its label by themselves, but not a drop-down list's; this covers
// every kind. Call it once the window's layout is loaded.
void NameControlsByTheirLabels(QWidget& AWindow);

// Turns on a line edit's clear button and names it for screen readers.
void EnableNamedClearButton(QLineEdit& AEdit);
