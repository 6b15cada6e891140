#pragma once
#include "components/core/mixercontrol.h"
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

// An in-memory mixer. Values are kept as given (out-of-range ones too), and
// any operation can be made to fail by its name ("Volume", "SetMute", ...).
class FakeMixer : public MixerControl {
public:
    struct Source {
        QString name;
        int volume = 0;
        int mute = 0;
        bool hasVolume = true;
        bool hasMute = true;
    };

    FakeMixer() = default;
    explicit FakeMixer(const QStringList &names, const QString &device = QStringLiteral("Fake Card"));

    bool open = true;
    bool ready = true;
    QString device;
    std::vector<Source> sources;
    int current = 0;
    int nameIndex = 0;
    QSet<QString> failing;
    QList<int> volumeWrites;
    QList<int> muteWrites;
    bool *alive = nullptr;   // set to false when the window releases the mixer

    ~FakeMixer() override;
    bool IsOpen() const override { return open; }
    bool IsReady() const override { return ready; }
    QString DeviceName() override;
    int SourceCount() override;
    bool SetNameIndex(int oneBased) override;
    QString SourceName() override;
    int SourceIndex() override;
    bool SetSourceIndex(int index) override;
    bool VolumeEnabled() override;
    bool MuteEnabled() override;
    int Volume() override;
    bool SetVolume(int v) override;
    int Mute() override;
    bool SetMute(int m) override;
    bool TakeError() override;

private:
    bool fails(const char *op);
    Source *cur();
    bool m_error = false;
};
