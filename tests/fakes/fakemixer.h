#pragma once
#include "components/core/mixercontrol.h"
#include <QSet>
#include <QStringList>
#include <vector>

// An in-memory mixer. Values are kept as given (out-of-range ones too), and
// any operation fails on demand by its name ("Volume", "SetMute", ...).
class FakeMixer : public MixerControl {
public:
    struct Source {
        QString name;
        int volume = 0;
        int mute = 0;
        bool hasMute = true;
    };
    explicit FakeMixer(const QStringList &names, const QString &device = QStringLiteral("Fake Card"));

    QString device;
    std::vector<Source> sources;
    int current = 0;
    QSet<QString> failing;
    QList<int> volumeWrites, muteWrites;

    bool IsOpen() const override { return true; }
    bool IsReady() const override { return true; }
    QString DeviceName() override { return ok("DeviceName") ? device : QString(); }
    int SourceCount() override { return ok("SourceCount") ? int(sources.size()) : 0; }
    bool SetNameIndex(int i) override;
    QString SourceName() override;
    int SourceIndex() override { return current; }
    bool SetSourceIndex(int i) override;
    bool VolumeEnabled() override { return src("VolumeEnabled") != nullptr; }
    bool MuteEnabled() override { return src("MuteEnabled") && src()->hasMute; }
    int Volume() override { return src("Volume") ? src()->volume : 0; }
    int Mute() override { return src("Mute") ? src()->mute : 0; }
    bool SetVolume(int v) override;
    bool SetMute(int m) override;
    bool TakeError() override;

private:
    bool ok(const char *op);                 // false (and an error) when op is failing
    Source *src(const char *op = nullptr);   // the current source, or null with an error
    int m_nameIndex = 0;
    bool m_error = false;
};
