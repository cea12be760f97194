#pragma once

class QComboBox;
class QLabel;

// On Linux, Qt names a combo box after its current text and leaves its caption to a label
// relation. A combo box without a label keeps its accessible name as its name, and reports
// its text as its value, as on Windows.
void keepAccessibleName(QComboBox* box);

// A label that shows a value: a screen reader reads its text, empty when it is empty, never
// the caption beside it, which it finds through the label relation instead.
void readAsValue(QLabel* label);
