#pragma once

class QComboBox;

// On Linux, Qt names a combo box after its current text and leaves its caption to a label
// relation. A combo box without a label keeps its accessible name as its name, and reports
// its text as its value, as on Windows.
void keepAccessibleName(QComboBox* box);
