#include "app/commandline.h"
#include "app/commands.h"
#include "app/core/appinfo.h"
#include "app/engine/canberrasounds.h"
#include "app/services.h"
#include "app/core/desktopid.h"
#include "app/core/terminal.h"
#include "components/core/observedlevel.h"
#include "desktop/mpris.h"
#include "export/frmexport.h"
#include "components/core/songstore.h"
#include "lyrics/core/storedsongtext.h"
#include "lyrics/lyricswindow.h"
#include "app/signalwatch.h"
#include "channels/channelswindow.h"
#include "channels/core/channelchoices.h"
#include "app/singleinstance.h"
#include "components/core/soundsettings.h"
#include "components/engine/systemmixer.h"
#include "playback/engine/fluidsequencer.h"
#include "playback/engine/offlinerender.h"
#include "playback/engine/soundsetup.h"
#include "playback/core/storedpractice.h"
#include "playback/tempowindow.h"
#include "player/midi.h"
#include "sound/frmsound.h"
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Media/ and the help file sit beside the program, or under share/ when installed.
QString programDataDir()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString shared = QDir::cleanPath(dir + QStringLiteral("/../share/lyrabox"));
    if (!QFileInfo::exists(dir + QStringLiteral("/Media")) && QFileInfo::exists(shared + QStringLiteral("/Media")))
        return shared;
    return dir;
}

// Without a session bus libdbus runs dbus-launch to start one, a slow start
// and a bus nobody asked for. When none is known it is told there is none.
bool sessionBusKnown()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // Where a desktop's user session keeps its bus.
    const QByteArray bus = qgetenv("XDG_RUNTIME_DIR") + "/bus";
    struct stat st = {};
    if (::stat(bus.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid())
        return true;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    return false;
}

void bringToFront(Midi &w, WindowSounds &sounds)
{
    w.setWindowState(w.windowState() & ~Qt::WindowMinimized);
    w.show();
    w.raise();
    w.activateWindow();
    sounds.play(WindowSound::RestoreUp, SoundFlags::NotOverAPlayingSound);
}

}   // namespace

int main(int argc, char *argv[])
{
    // Help, the version and a wrong option need no display.
    const CommandLine::Request early = CommandLine::parse(CommandLine::arguments(argc, argv), CommandLine::workingDir(),
                                                          CommandLine::Stage::BeforeQt);
    if (early.action != CommandLine::Action::Run) {
        QCoreApplication core(argc, argv);
        return CommandLine::answer(early);
    }
    const bool busKnown = sessionBusKnown();
    QApplication app(argc, argv);
    const CommandLine::Request request = CommandLine::parse(CommandLine::arguments(argc, argv),
                                                            CommandLine::workingDir(), CommandLine::Stage::AfterQt);
    if (request.action != CommandLine::Action::Run)
        return CommandLine::answer(request);
    QApplication::setApplicationName(QStringLiteral("Lyrabox"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/lyrabox.png")));
    // Caught from the start; the request waits in the event queue until the window can take it.
    SignalWatch watch;
    SettingsStore settings;
    QtDialogs dialogs;
    // LYRABOX_SF2_DIR stands in for the system's sf2 folder (tests start without a bank).
    QStringList problems;
    SoundConfig sound = readSoundConfig(settings, &problems);
    checkAudioDriver(sound, &problems);
    for (const QString &problem : std::as_const(problems))
        tellTerminal(problem);
    if (sound.banks.isEmpty()) {
        // Ended by the system while the message waits: nothing to save, just go.
        QObject::connect(&watch, &SignalWatch::endRequested, &app, [] { closeModalWindows(); });
        tellTerminal(u"No midi device present: no sound bank found.");
        dialogs.message(nullptr, QStringLiteral("No midi device present"), Dialogs::Style::OkOnly, AppInfo::AppName);
        return 1;
    }
    SingleInstance instance(QStringLiteral("lyrabox"));
    switch (instance.claim(request.paths)) {
    case SingleInstance::Claim::HandedOver: return 0;
    case SingleInstance::Claim::NotTaken: return request.paths.isEmpty() ? 0 : 1;
    case SingleInstance::Claim::Closing: return 1;
    case SingleInstance::Claim::Holder: break;
    }

    FluidSequencer engine({sound.banks.value(0), sound.audioDriver, settings.GetValue(Settings::MidiAudioFile),
                           FluidSequencer::DefaultGain, true, sound});
    CanberraSounds sounds;
    SystemClock clock;
    Services services;
    services.settings = &settings;
    services.dialogs = &dialogs;
    services.sounds = &sounds;
    services.clock = &clock;
    services.device = &engine;
    services.sound = &engine;
    // The volume window and the desktop's controls both set the synth level.
    ObservedLevel level(&engine);
    services.makeMixer = [&level] { return std::make_unique<SystemMixer>(&level); };
    services.programDir = programDataDir();
    services.programFile = QCoreApplication::applicationFilePath();
    StoredSongText songText(nullptr);
    services.songText = &songText;
    StoredPractice practiceStore(nullptr);

    Midi window(services);
    ChannelChoices channelChoices(window.playSession(), &engine, nullptr);
    window.commands()->addWindow(QStringLiteral("Sound..."),
                                 [&services, &window] { return new FrmSound(services, &window); });
    addExportAction(
        [&window](const QString &text, const std::function<QWidget *()> &make) {
        return window.commands()->addWindow(text, make);
        },
        {&window, window.playSession(), window.library(), window.listSelection(), &songText, &practiceStore,
         [&channelChoices](const QString &song) { return channelChoices.storedFor(song); }},
        &dialogs, &settings, [&engine] { return OfflineRender::factory(engine.sound()); });
    window.commands()->bindWindow(Commands::Lyrics, [&window, &songText] {
        return new LyricsWindow(
            window.playSession(), &songText, [&window] { return window.playerColours(); }, &window);
    });
    window.commands()->bindWindow(Commands::Channels, [&window, &engine, &channelChoices] {
        return new ChannelsWindow(window.playSession(), &engine, &channelChoices, &window);
    });
    window.commands()->bindWindow(Commands::TempoKey,
                                  [&window] { return new TempoWindow(window.playSession(), &window); });
    // Queued: the socket's handler has returned before the window gets busy.
    QObject::connect(
        &instance, &SingleInstance::requested, &window,
        [&window, &sounds, &instance](const QList<QByteArray> &paths, quint64 id) {
        using Outcome = SingleInstance::Outcome;
        if (window.closing())
            return instance.answer(id, Outcome::Closing);
        bringToFront(window, sounds);
        if (paths.isEmpty())
            return instance.answer(id, Outcome::Taken);
        window.openPaths(CommandLine::names(paths), [&instance, id](Midi::PathsFate fate) {
            instance.answer(id, fate == Midi::PathsFate::Waiting ? Outcome::Waiting
                                : fate == Midi::PathsFate::Taken ? Outcome::Taken
                                                                 : Outcome::Closing);
        });
        },
        Qt::QueuedConnection);
    QObject::connect(&watch, &SignalWatch::endRequested, &window, &Midi::endBySystem);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager &) { window.endBySystem(); });
    window.Form_Load();
    if (window.unloaded())
        return 0;
    SongStore songStore(window.dataDir() + QStringLiteral("Song choices.sqlite"));
    songText.setStore(&songStore);
    practiceStore.setStore(&songStore);
    window.playSession()->practice()->setStore(&practiceStore);
    channelChoices.setStore(&songStore);
    Mpris mpris(window.playSession(), window.library(), window.commands(), &level,
                {[&window, &sounds] { bringToFront(window, sounds); },
                 [&window](const QStringList &uris) { window.openPaths(uris); }, [&window] { window.endBySystem(); },
                 AppInfo::DesktopId});
    mpris.setSongText(&songText);
    QString busError = QStringLiteral("no session bus");
    if (!busKnown || !mpris.registerOnBus(&busError))
        tellTerminal(QStringLiteral("desktop media controls are off: %1").arg(busError));
    if (!request.paths.isEmpty())
        QTimer::singleShot(0, &window, [&window, &request] { window.openPaths(CommandLine::names(request.paths)); });
    const int status = app.exec();
    songText.setStore(nullptr);
    window.playSession()->practice()->setStore(nullptr);
    practiceStore.setStore(nullptr);
    channelChoices.setStore(nullptr);
    return status;
}
