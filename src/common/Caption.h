#pragma once
#include <QString>

class QLabel;
class QWidget;

// The caption in front of a box, tied to it (its buddy), so that the box
// reads by the caption's text. Made beside the box, under the same parent.
QLabel* Caption(const QString& text, QWidget* box);
