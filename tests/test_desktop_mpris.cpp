#include "components/core/settingkeys.h"
#include "components/core/observedlevel.h"
#include "desktop/core/mprisvalues.h"
#include "desktop/mpris.h"
#include "desktop/mprisadaptors.h"
#include "fakes/playerfixture.h"
#include "testenv.h"
#include "playback/core/mediaerrors.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QDialog>
#include <QtDBus>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QString kPath = u"/org/mpris/MediaPlayer2"_s;
const QString kPlayer = u"org.mpris.MediaPlayer2.Player"_s;
const QString kProps = u"org.freedesktop.DBus.Properties"_s;

struct Level : SynthLevel {
    int level() const override { return value; }
    void setLevel(int l) override { value = l; }
    bool muted() const override { return false; }
    void setMuted(bool) override {}
    int value = 65535;
};

// Transport buttons pressed first, the call, the PlaybackStatus read and announced after,
// the fake device's last command and the Seeked position (-1: none).
struct Command {
    QStringList before;
    QString member;
    QVariantList args;
    QString status, deviceLast;
    qlonglong seeked = -1;
};

// A call the player cannot carry out (while a song plays or not), the error
// it must answer with and a word of the reason it gives.
struct Refusal {
    bool playing;
    QString member;
    QVariantList args;
    QDBusError::ErrorType error;
    QString why;
};

QString playerctl(const QStringList &args)
{
    QProcess p;
    p.start(u"playerctl"_s, QStringList{u"-p"_s, u"lyrabox"_s} + args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

}   // namespace

// The player on a private session bus, driven as a desktop panel would:
// from another connection, with the window on fakes.
class TestDesktopMpris : public QObject {
    Q_OBJECT
public slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface == kPlayer)
            m_changes << changed;
    }
    void seeked(qlonglong position) { m_seeks << position; }

private slots:
    void init()
    {
        m_f = std::make_unique<PlayerFixture>();
        Midi &m = m_f->startWith({u"a.mid"_s, u"b.mid"_s, u"c.mid"_s}, 60000);
        m_mpris = std::make_unique<Mpris>(
            m.playSession(), m.library(), m.commands(), &m_observed,
            Mpris::Hooks{{}, [&m](const QStringList &u) { m.openPaths(u); }, [&m] { m.endBySystem(); }, u"x.y"_s});
        QString error;
        QVERIFY2(m_mpris->registerOnBus(&error), qPrintable(error));
        m_client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"client%1"_s.arg(++m_clients));
        QVERIFY(m_client.isConnected());
        m_client.connect(QString::fromLatin1(Mpris::ServiceName), kPath, kProps, u"PropertiesChanged"_s, this,
                         SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
        m_client.connect(QString::fromLatin1(Mpris::ServiceName), kPath, kPlayer, u"Seeked"_s, this,
                         SLOT(seeked(qlonglong)));
        m_changes.clear();
        m_seeks.clear();
    }

    void cleanup()
    {
        QDBusConnection::disconnectFromBus(m_client.name());
        QDBusConnection::sessionBus().unregisterService(QString::fromLatin1(Mpris::ServiceName));
        QDBusConnection::sessionBus().unregisterObject(kPath);
        m_mpris.reset();
        m_f.reset();
    }

    void introspectionListsBothInterfaces()
    {
        const QString xml =
            call(u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s).arguments().value(0).toString();
        QVERIFY2(xml.contains(u"interface name=\"org.mpris.MediaPlayer2\""_s), qPrintable(xml));
        QVERIFY(xml.contains(u"interface name=\"org.mpris.MediaPlayer2.Player\""_s));
        QCOMPARE(property(u"CanControl"_s).toBool(), true);
        // The player's interface is written out by hand: it must name all the adaptor serves.
        const QMetaObject &player = MprisPlayer::staticMetaObject;
        for (int i = player.propertyOffset(); i < player.propertyCount(); ++i)
            QVERIFY2(xml.contains(u"property name=\"%1\""_s.arg(QLatin1String(player.property(i).name()))),
                     player.property(i).name());
        for (int i = player.methodOffset(); i < player.methodCount(); ++i) {
            const QMetaMethod m = player.method(i);
            if (m.access() == QMetaMethod::Public)
                QVERIFY2(xml.contains(u"name=\"%1\""_s.arg(QLatin1String(m.name()))), m.name().constData());
        }
        QVERIFY(xml.contains(u"<property name=\"Position\" type=\"x\" access=\"read\"><annotation "
                             u"name=\"org.freedesktop.DBus.Property.EmitsChangedSignal\" value=\"false\"/>"_s));
    }

    void commands_data()
    {
        QTest::addColumn<Command>("c");
        const QStringList play{u"Play"_s};
        QTest::newRow("play") << Command{{}, u"Play"_s, {}, u"Playing"_s, u"play 0"_s};
        QTest::newRow("pause") << Command{play, u"Pause"_s, {}, u"Paused"_s, u"pause"_s};
        QTest::newRow("playpause resumes")
            << Command{{u"Play"_s, u"Pause"_s}, u"PlayPause"_s, {}, u"Playing"_s, u"play -1"_s};
        QTest::newRow("stop") << Command{play, u"Stop"_s, {}, u"Stopped"_s, u"stop"_s};
        QTest::newRow("next while stopped opens b") << Command{{}, u"Next"_s, {}, u"Stopped"_s, u"open b.mid"_s, 0};
        QTest::newRow("seek forward") << Command{play,         u"Seek"_s,       {qlonglong(12000000)},
                                                 u"Playing"_s, u"play 12000"_s, 12000000};
        QTest::newRow("seek past the end goes on")
            << Command{play, u"Seek"_s, {qlonglong(90000000)}, u"Stopped"_s, u"open b.mid"_s, 0};
        QTest::newRow("previous while playing starts over")
            << Command{play, u"Previous"_s, {}, u"Playing"_s, u"play 0"_s, 0};
        QTest::newRow("set position in the open song")
            << Command{play, u"SetPosition"_s, {qlonglong(30000000)}, u"Playing"_s, u"play 30000"_s, 30000000};
    }

    void commands()
    {
        QFETCH(Command, c);
        for (const QString &b : c.before)
            m_f->press(b);
        const QString statusBefore = property(u"PlaybackStatus"_s).toString();
        m_changes.clear();
        QVariantList args = c.args;
        if (c.member == u"SetPosition"_s)   // the track the desktop was told of
            args.prepend(qdbus_cast<QVariantMap>(property(u"Metadata"_s)).value(u"mpris:trackid"_s));
        QCOMPARE(call(kPlayer, c.member, args).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(m_f->device.log.last(), c.deviceLast);
        QCOMPARE(property(u"PlaybackStatus"_s).toString(), c.status);
        // Once where it settled, nothing on the way (a seek stops and starts the device).
        QCOMPARE(announced(u"PlaybackStatus"_s), c.status == statusBefore ? QVariantList() : QVariantList{c.status});
        QCOMPARE(m_seeks.isEmpty() ? -1LL : m_seeks.last(), c.seeked);
        const QVariantMap meta = qdbus_cast<QVariantMap>(property(u"Metadata"_s));
        QCOMPARE(meta.value(u"xesam:url"_s).toString(),
                 QUrl::fromLocalFile(m_f->midi->playSession()->openSong()).toString(QUrl::FullyEncoded));
        QCOMPARE(meta.value(u"mpris:length"_s).toLongLong(), 60000000LL);
    }

    // The song's own title, artists and words; the file name when it has none.
    void metadataNamesTheSong_data()
    {
        QTest::addColumn<SongText>("text");
        QTest::addColumn<QVariantList>("shown");   // xesam:title, xesam:artist, xesam:asText
        using B = LyricSyllable::Break;
        const QVector<LyricSyllable> words{{0, u"Low "_s, B::None},
                                           {500, u"lamps"_s, B::None},
                                           {900, u"by"_s, B::Line},
                                           {1200, u"and"_s, B::Paragraph}};
        const QStringList two{u"Ana Ruiz"_s, u"Tom Vale"_s};
        QTest::newRow("file name") << SongText{} << QVariantList{u"A"_s, {}, {}};
        QTest::newRow("title, artists, words") << SongText{u"Evening Tide"_s, two, {}, {}, words}
                                               << QVariantList{u"Evening Tide"_s, two, u"Low lamps\nby\n\nand\n"_s};
    }

    void metadataNamesTheSong()
    {
        QFETCH(SongText, text);
        QFETCH(QVariantList, shown);
        m_f->songText.texts.insert(u"a.mid"_s, text);
        m_mpris->setSongText(&m_f->songText);
        m_f->press(u"Play"_s);
        const QVariantMap meta = qdbus_cast<QVariantMap>(property(u"Metadata"_s));
        QCOMPARE(
            (QVariantList{meta.value(u"xesam:title"_s), meta.value(u"xesam:artist"_s), meta.value(u"xesam:asText"_s)}),
            shown);
        // Words read again in another encoding reach the desktop.
        m_f->songText.texts[u"a.mid"_s].title = u"Other"_s;
        m_f->songText.chooseEncoding(m_f->midi->playSession()->openSong(), "KOI8-R");
        QTRY_COMPARE(qdbus_cast<QVariantMap>(lastChange(u"Metadata"_s)).value(u"xesam:title"_s).toString(), u"Other"_s);
    }

    void optionsFollowTheBoxesAndAreSaved()
    {
        Midi &m = *m_f->midi;
        set(u"LoopStatus"_s, u"Playlist"_s);
        QVERIFY(m.controls().chkLoop->isChecked());
        QCOMPARE(lastChange(u"LoopStatus"_s).toString(), u"Playlist"_s);
        set(u"Shuffle"_s, true);
        QVERIFY(m.controls().chkShuffle->isChecked());
        // A tick in the window reaches the desktop too.
        m.controls().chkLoop->setChecked(false);
        QTRY_COMPARE(lastChange(u"LoopStatus"_s).toString(), u"None"_s);
        // The rate is the tempo, clamped to what the player plays.
        for (const auto &[rate, tempo] : {std::pair{0.5, 50}, {3.0, 200}, {0.1, 25}, {1.234, 123}}) {
            set(u"Rate"_s, rate);
            QCOMPARE(m_f->device.tempo, tempo);
            QCOMPARE(lastChange(u"Rate"_s).toDouble(), tempo / 100.0);
        }
        QCOMPARE(property(u"MaximumRate"_s).toDouble(), 2.0);
        set(u"Volume"_s, 0.5);
        QCOMPARE(m_level.value, 32768);
        QCOMPARE(lastChange(u"Volume"_s).toDouble(), 32768 / 65535.0);
        // The volume window's change reaches the desktop as well.
        m_observed.setLevel(0);
        QTRY_COMPARE(lastChange(u"Volume"_s).toDouble(), 0.0);
        m_f->quit();
        QCOMPARE(m_f->settings->GetValue(Settings::MidiShuffle), u"1"_s);
        QCOMPARE(m_f->settings->GetValue(Settings::MidiLoop), u"0"_s);
    }

    void refusals_data()
    {
        QTest::addColumn<Refusal>("r");
        using E = QDBusError;
        const auto row = [](const char *tag, bool playing, const char *member, const QVariantList &args, E::ErrorType e,
                            const char *why) {
            QTest::newRow(tag) << Refusal{playing, QString::fromLatin1(member), args, e, QString::fromUtf8(why)};
        };
        const auto set = [](const char *name, const QVariant &v) {
            return QVariantList{kPlayer, QString::fromLatin1(name), QVariant::fromValue(QDBusVariant(v))};
        };
        const QVariant otherTrack = QVariant::fromValue(QDBusObjectPath(u"/other"_s));
        row("shuffle while playing", true, "Set", set("Shuffle", true), E::Failed, "stop it first");
        row("loop one track", false, "Set", set("LoopStatus", u"Track"_s), E::NotSupported, "Playlist");
        row("rate not a number", false, "Set", set("Rate", qQNaN()), E::InvalidArgs, "not a number");
        row("volume not a number", false, "Set", set("Volume", qQNaN()), E::InvalidArgs, "not a number");
        row("wrong type", false, "Set", set("Shuffle", u"yes"_s), E::InvalidArgs, "type b.");
        row("read only", false, "Set", set("PlaybackStatus", u"Paused"_s), E::PropertyReadOnly, "read");
        row("another song's position", true, "SetPosition", {otherTrack, 1000000LL}, E::InvalidArgs, "not the open");
        row("missing file", false, "OpenUri", {u"file:///nowhere/gone.mid"_s}, E::InvalidArgs, "gone.mid");
    }

    // Nothing changes, and the caller hears why.
    void refusals()
    {
        QFETCH(Refusal, r);
        if (r.playing)
            m_f->press(u"Play"_s);
        const Midi &m = *m_f->midi;
        const QStringList log = m_f->device.log;
        const QVariantMap before = m_mpris->playerProperties();
        const QDBusMessage reply = call(r.member == "Set"_L1 ? kProps : kPlayer, r.member, r.args);
        QCOMPARE(reply.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(reply.errorName(), QDBusError::errorString(r.error));
        QVERIFY2(reply.errorMessage().contains(r.why), qPrintable(reply.errorMessage()));
        QCOMPARE(m_f->device.log, log);
        QCOMPARE(m_mpris->playerProperties(), before);
        QCOMPARE(m.controls().chkShuffle->isChecked(), false);
    }

    // OpenUri and Next are answered before the box their song brings up (a panel waits on
    // the answer); while a box is open commands are refused; Quit closes the box and ends
    // the player as the system's end request does.
    void whileABoxIsOpen_data()
    {
        QTest::addColumn<QString>("member");
        QTest::newRow("OpenUri") << u"OpenUri"_s;
        QTest::newRow("Next") << u"Next"_s;
    }
    void whileABoxIsOpen()
    {
        QFETCH(QString, member);
        Midi &m = *m_f->midi;
        for (const QString &name : {u"bad.mid"_s, u"b.mid"_s})
            m_f->device.openErrors.insert(name, MediaError::InvalidFilename);
        const QString bad = m_f->songs({u"bad.mid"_s}).first();
        QDBusPendingCall opened = member == u"Next"_s ? send(kPlayer, member, {})
                                                      : send(kPlayer, member, {QUrl::fromLocalFile(bad).toString()});
        bool answeredBeforeTheBox = false, boxTimedOut = false;
        QDBusMessage next;
        std::optional<QDBusPendingCall> quit;
        m_f->dialogs.onMessage = [&](const FakeDialogs::Message &) {
            QDialog box;   // a real modal box: closed by quitting, or by the test after 3 s
            QTimer::singleShot(0, &box, [&] {
                // Held behind the box, the answer could not come; sent first, it is on its way.
                QDeadlineTimer deadline(2000);
                while (!opened.isFinished() && !deadline.hasExpired())
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                answeredBeforeTheBox = opened.isFinished();
                next = call(kPlayer, u"Next"_s);
                quit = send(u"org.mpris.MediaPlayer2"_s, u"Quit"_s);
            });
            QTimer::singleShot(3000, &box, [&] {
                boxTimedOut = true;
                box.reject();
            });
            box.exec();
        };
        QTRY_VERIFY_WITH_TIMEOUT(m.unloaded(), 5000);
        QVERIFY(answeredBeforeTheBox);
        QVERIFY(!opened.isError());
        QVERIFY(m_f->dialogs.shown(u"Invalid filename."_s));
        QCOMPARE(next.errorName(), QDBusError::errorString(QDBusError::Failed));
        QVERIFY2(next.errorMessage().contains(u"open box"_s), qPrintable(next.errorMessage()));
        QVERIFY(!boxTimedOut);
        QVERIFY(quit);
        QTRY_VERIFY(quit->isFinished());
        QVERIFY(!quit->isError());
        QCOMPARE(m_f->settings->GetValue(Settings::MidiLoop), u"0"_s);   // saved on the way out
    }

    void playerctlDrivesTheRealPlayer()
    {
        if (qEnvironmentVariable("LYRABOX_BIN").isEmpty() || QStandardPaths::findExecutable(u"playerctl"_s).isEmpty())
            QSKIP("needs the program and playerctl");
        cleanup();   // the bus name is the real program's now
        TestEnv::setUp();
        QSettings conf(TestEnv::root() + u"/config/Veltrix/Quillon.conf"_s, QSettings::IniFormat);
        conf.setValue(u"Quillon/Applets/MidiAudioDriver"_s, u"file"_s);
        conf.setValue(u"Quillon/Applets/MidiAudioFile"_s, u"/dev/null"_s);
        conf.sync();
        QProcess player;
        player.start(qEnvironmentVariable("LYRABOX_BIN"), {TestEnv::samplesDir() + u"/ode-to-joy.mid"_s});
        QVERIFY(player.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({u"status"_s}), u"Playing"_s, 10000);
        // The song's own title, read from the song by the real player.
        QCOMPARE(playerctl({u"metadata"_s, u"xesam:title"_s}), u"Ode to Joy"_s);
        playerctl({u"stop"_s});
        QTRY_COMPARE_WITH_TIMEOUT(playerctl({u"status"_s}), u"Stopped"_s, 5000);
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            QString::fromLatin1(Mpris::ServiceName), kPath, u"org.mpris.MediaPlayer2"_s, u"Quit"_s));
        QVERIFY(player.waitForFinished(10000));
        QCOMPARE(player.exitCode(), 0);
    }

private:
    // Asynchronous: the service answers from this same thread's event loop.
    QDBusPendingCall send(const QString &interface, const QString &member, const QVariantList &args = {})
    {
        QDBusMessage msg = QDBusMessage::createMethodCall(QString::fromLatin1(Mpris::ServiceName), kPath, interface,
                                                          member);
        msg.setArguments(args);
        return m_client.asyncCall(msg);
    }
    QDBusMessage call(const QString &interface, const QString &member, const QVariantList &args = {})
    {
        QDBusPendingCall pending = send(interface, member, args);
        QElapsedTimer t;
        t.start();
        while (!pending.isFinished() && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // A command runs just after its reply: a timer queued now comes after it, and a ping
        // answered after that brings what it announced.
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        while (!ran && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (member != u"Ping"_s)
            call(u"org.freedesktop.DBus.Peer"_s, u"Ping"_s);
        QCoreApplication::sendPostedEvents();
        return pending.reply();
    }
    QVariant property(const QString &name)
    {
        return call(kProps, u"Get"_s, {kPlayer, name}).arguments().value(0).value<QDBusVariant>().variant();
    }
    void set(const QString &name, const QVariant &value)
    {
        call(kProps, u"Set"_s, {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QVariantList announced(const QString &name) const
    {
        QVariantList values;
        for (const QVariantMap &change : m_changes)
            if (change.contains(name))
                values << change.value(name);
        return values;
    }
    QVariant lastChange(const QString &name) const
    {
        const QVariantList values = announced(name);
        return values.isEmpty() ? QVariant() : values.last();
    }

    std::unique_ptr<PlayerFixture> m_f;
    std::unique_ptr<Mpris> m_mpris;
    Level m_level;
    ObservedLevel m_observed{&m_level};
    QDBusConnection m_client{u"none"_s};
    QList<QVariantMap> m_changes;
    QList<qlonglong> m_seeks;
    int m_clients = 0;
};

QTEST_MAIN(TestDesktopMpris)
#include "test_desktop_mpris.moc"
