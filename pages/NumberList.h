#pragma once
#include <vector>

class QComboBox;

// A drop-down list of numbers (frame rates, bit rates, codes), each entry
// keeping its number as item data, so that a list narrowed to a camera's
// options is still read and selected by value.

// Fills the list with values shown as numbers.
void FillNumbers(QComboBox* list, const std::vector<int>& values);
// Selects the entry holding value; none (-1) when it is not listed.
void SelectValue(QComboBox* list, int value);
// Selects the entry holding value, else the first one.
void SelectValueOrFirst(QComboBox* list, int value);
// Selects the entry holding value, else the last one (a rate above a
// camera's highest).
void SelectValueOrLast(QComboBox* list, int value);
// The value of the entry shown; -1 for none.
int ShownValue(const QComboBox* list);
