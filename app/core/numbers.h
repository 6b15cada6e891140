#pragma once
#include <QString>
#include <QtGlobal>

// A setting's text as a number: "" and "False" 0, "True" 1, else the longest
// leading number (decimal in the C locale, or "&H" hex). Never NaN or infinite.
float SettingToNumber(const QString &value);
// Rounds to the nearest whole number, halves to the even neighbour.
qint64 RoundHalfEven(double v);
// Clamps into the range of a 16-bit signed value.
qint16 ClampTo16(qint64 v);
