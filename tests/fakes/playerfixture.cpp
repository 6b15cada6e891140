#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QDir>
#include <QToolButton>
#include <QUuid>

PlayerFixture::PlayerFixture(bool ownDataDir)
{
    TestEnv::setUp();
    m_dir = TestEnv::root() + QStringLiteral("/case-") + QUuid::createUuid().toString(QUuid::Id128);
    QDir().mkpath(m_dir + QStringLiteral("/program/Media"));
    QDir().mkpath(m_dir + QStringLiteral("/data"));
    TestEnv::writeMidi(m_dir + QStringLiteral("/program/Media/sample.mid"));
    settings = std::make_unique<SettingsStore>(m_dir + QStringLiteral("/settings.ini"));
    if (ownDataDir)
        settings->SetValue(QStringLiteral("Quillon\\Startup"), QStringLiteral("DataPath"),
                           m_dir + QStringLiteral("/data/"));
    services.settings = settings.get();
    services.dialogs = &dialogs;
    services.sounds = &sounds;
    services.clock = &clock;
    services.device = &device;
    services.songText = &songText;
    services.programDir = m_dir + QStringLiteral("/program");
    services.programFile = services.programDir + QStringLiteral("/lyrabox");
}

PlayerFixture::~PlayerFixture()
{
    if (midi && !midi->unloaded())
        midi->close();
}

Midi &PlayerFixture::start()
{
    midi = std::make_unique<Midi>(services);
    midi->Form_Load();
    return *midi;
}

void PlayerFixture::quit()
{
    midi->controls().cmdQuit->click();
}

QStringList PlayerFixture::songs(const QStringList &names)
{
    QStringList paths;
    for (const QString &n : names)
        paths << TestEnv::writeMidi(m_dir + QStringLiteral("/data/") + n);
    return paths;
}

Midi &PlayerFixture::startWith(const QStringList &names, qint64 lengthMs)
{
    if (lengthMs > 0)
        for (const QString &n : names)
            device.lengths.insert(n, lengthMs);
    start();
    midi->library()->addFiles(songs(names));
    return *midi;
}

void PlayerFixture::tick(qint64 ms)
{
    clock.advance(ms);
    midi->playSession()->statusUpdate();
    midi->playSession()->interludeCheck();
}

void PlayerFixture::press(const QString &button)
{
    midi->controls().MMControl1->findChild<QToolButton *>(button)->click();
}

void PlayerFixture::preview(const QString &name)
{
    FileList *files = midi->controls().File1;
    files->setPath(m_dir + QStringLiteral("/data"));
    files->setCurrentItem(files->findItems(name, Qt::MatchExactly).value(0));
    emit files->itemDoubleClicked(files->currentItem());
}
