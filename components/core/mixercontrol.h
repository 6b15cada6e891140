#pragma once
#include <QString>

// One mixer for the volume window. Sources are numbered 1..SourceCount for
// names and 0-based for the source being controlled. Failing operations
// return false / leave values unchanged; they never throw.
class MixerControl {
public:
    virtual ~MixerControl() = default;
    virtual bool IsOpen() const = 0;
    virtual bool IsReady() const = 0;
    virtual QString DeviceName() = 0;   // empty: no mixer can be used
    virtual int SourceCount() = 0;
    virtual bool SetNameIndex(int oneBased) = 0;
    virtual QString SourceName() = 0;   // of the source NameIndex chose
    virtual int SourceIndex() = 0;
    virtual bool SetSourceIndex(int index) = 0;
    virtual bool VolumeEnabled() = 0;
    virtual bool MuteEnabled() = 0;
    virtual int Volume() = 0;   // 0..65535
    virtual bool SetVolume(int v) = 0;
    virtual int Mute() = 0;   // 0 or 1
    virtual bool SetMute(int m) = 0;
    // True when an operation failed since the last call, which clears it:
    // a read cannot tell a failure through its value.
    virtual bool TakeError() { return false; }
};
