#pragma once
#include <QString>

namespace MediaError {
constexpr int InvalidDeviceId = 30257;
constexpr int DeviceNotOpen = 30263;
constexpr int DriverLoad = 30266;
constexpr int NotAvailable = 30274;
constexpr int InvalidFilename = 30304;
// Our own numbers, outside the five above.
constexpr int NotMidiFile = 31001;
constexpr int TooLong = 31002;
}

// The sentence shown when opening a file fails with this error number.
QString mediaErrorText(int number);
