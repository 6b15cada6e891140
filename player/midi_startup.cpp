#include "app/core/appinfo.h"
#include "app/core/numbers.h"
#include "app/core/texts.h"
#include "app/core/twips.h"
#include "app/showhelp.h"
#include "app/signalwatch.h"
#include "app/unloadall.h"
#include "components/core/systemtools.h"
#include "library/core/librarysession.h"
#include "library/core/midifiles.h"
#include "library/filebrowser.h"
#include "player/midi.h"
#include "player/midigeometry.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSaveFile>
#include <QSlider>
#include <QTextStream>
#include <QToolButton>
#include <QGuiApplication>
#include <cmath>
#include <cstdio>

void Midi::Form_Load()
{
    BusyGuard busy(m_play);
    SetHelpFile(m_services.programDir + QStringLiteral("/Quillon.html"));
    m_docDir = SystemTools::GetSpecialFolder(5);
    if (m_docDir.isEmpty())
        m_docDir = SystemTools::WithSlash(m_services.programDir);
    settleDataDir();
    Dir1->setPath(m_dataDir);
    Drive1->setDriveOf(m_dataDir);
    copySamples();
    MMControl1->setDeviceType(QStringLiteral("Sequencer"));
    MMControl1->setFrom(0);
    SliderTime->setValue(0);
    setLabel2(QStringLiteral("(Stopped)"));
    MMControl1->setUpdateInterval(0);
    File1->setPattern(MidiFiles::browserPattern());
    restoreColors();
    cmdExpand->setIcon(QIcon(QStringLiteral(":/icons/expand.png")));
    setWindowState(Qt::WindowNoState);
    restorePosition();
    show();
    DoEvents();
    m_mouseActivate = m_services.settings->GetValue(Settings::MouseActive) == QLatin1String("1");
    restoreOptions();
    m_settingsLoaded = true;
    m_library->setDataDir(m_dataDir);
    m_library->setLibFile(m_services.settings->GetValue(Settings::MidiLib));
    m_library->reopen();
}

void Midi::settleDataDir()
{
    m_dataDir = m_services.settings->GetValue(Settings::DataPath);
    if (!SystemTools::PathExists(QString(), m_dataDir))
        m_dataDir.clear();
    if (!m_dataDir.isEmpty()) {
        m_dataDir = SystemTools::WithSlash(m_dataDir);
        return;
    }
    if (m_docDir == SystemTools::WithSlash(m_services.programDir))
        m_dataDir = m_docDir;
    else
        m_dataDir = m_docDir + QStringLiteral("Veltrix/") + AppInfo::FamilyName + QLatin1Char('/');
    // A fresh account may have no Documents folder yet: make every level.
    if (QDir().mkpath(m_dataDir))
        m_services.settings->SetValue(Settings::DataPath, m_dataDir);
}

void Midi::copySamples()
{
    const QDir media(m_services.programDir + QStringLiteral("/Media"));
    const QStringList names = media.entryList({QStringLiteral("*.mid")}, QDir::Files);
    for (const QString &name : names) {
        const QString from = media.filePath(name);
        const QString to = m_dataDir + name;
        if (QFileInfo(from).canonicalFilePath() == QFileInfo(to).canonicalFilePath())
            continue;   // never onto itself
        QFile in(from);
        QSaveFile out(to);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
            continue;
        // commit() would rename a copy the full disk cut short into place: look at the flush.
        const QByteArray bytes = in.readAll();
        if (out.write(bytes) == bytes.size() && out.flush())
            out.commit();
    }
}

namespace {
// A stored colour: an RGB value or one of the two system colours; anything
// else would be written back as a number no colour can have.
qint64 storedColor(const QString &text, qint64 fallback)
{
    // Integers, also "&H" ones, are read exactly (not through single
    // precision), so system colours come back as stored.
    const QString t = text.trimmed();
    bool ok = false;
    qint64 c = t.toLongLong(&ok);
    if (!ok && t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
        const QString hex = t.mid(2).chopped(t.endsWith(QLatin1Char('&')) ? 1 : 0);
        c = qint32(hex.toUInt(&ok, 16));   // eight digits are a signed 32-bit value
    }
    if (!ok)
        c = RoundHalfEven(SettingToNumber(text));
    const quint32 low = quint32(c);
    const bool system = (low == 0x8000000Fu || low == 0x80000012u) && (c == qint32(low) || c == qint64(low));
    return (c >= 0 && c <= 0xFFFFFF) || system ? c : fallback;
}
}

void Midi::restoreColors()
{
    const QString back = m_services.settings->GetValue(Settings::MidiBack);
    const QString fore = m_services.settings->GetValue(Settings::MidiFore);
    setPlayerColor(storedColor(back, 0x808080));
    setTextColor(storedColor(fore, 0));
    setCorners(m_foreColor == 0xFFFFFF);
}

namespace {
// A stored position: a plain number on the screen, else 0.
double storedPosition(const QString &text, double screenSize)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v > screenSize || v < 0)
        return 0;
    return v;
}
}

void Midi::restorePosition()
{
    const QRect scr = screenTw();
    const double defLeft = (scr.width() - MidiGeometry::WidthTw) / 2.0;
    const double defTop = (scr.height() - MidiGeometry::CentringHeightTw) / 2.0;
    const QString l = m_services.settings->GetValue(Settings::MidiLeft, float(defLeft));
    const QString t = m_services.settings->GetValue(Settings::MidiTop, float(defTop));
    setHeightTw(MidiGeometry::RolledUpHeightTw);
    SSPanel2->resize(SSPanel2->width(), Twips::toPixels(MidiGeometry::RolledUpPanelTw));
    moveTw(storedPosition(l, scr.width()), storedPosition(t, scr.height()));
}

void Midi::restoreOptions()
{
    // The boxes and the field show the options; ticking them runs their handlers.
    const PlayerOptions o = readPlayerOptions(*m_services.settings);
    chkLoop->setChecked(o.loop);
    chkClose->setChecked(o.closeOnPlay);
    chkShuffle->setChecked(o.shuffle);
    txtPause->setText(QString::number(o.interludeSeconds));
}

void Midi::SaveSettings()
{
    SettingsStore &st = *m_services.settings;
    if (m_settingsLoaded)
        writePlayerOptions(st, m_play->options());
    const bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    if (m_settingsLoaded && normal) {
        if (QGuiApplication::platformName() != QLatin1String("wayland")) {
            st.SetValue(Settings::MidiTop, float(topTw()));
            st.SetValue(Settings::MidiLeft, float(leftTw()));
        }
        st.SetValue(Settings::MidiBack, m_backColor);
        st.SetValue(Settings::MidiFore, m_foreColor);
    }
    if (!m_library->libFile().isEmpty())
        st.SetValue(Settings::MidiLib, m_library->libFile());
    QString error;
    if (!st.Flush(&error))
        showFailure({Failure::Kind::Report, 0, QStringLiteral("Your settings could not all be saved: %1.").arg(error)});
    const QString saved = m_library->saveAtExit();
    if (!saved.isEmpty()) {
        st.SetValue(Settings::MidiLib, saved);
        st.Flush();
    }
}

void Midi::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    runPendingPaths();   // whoever waits on them hears they are dropped
    m_play->shutDown();
    finishRoll();
    SaveSettings();
    ShowHelp(this, HelpCommand::Quit, 0, *m_services.dialogs);
    UnloadAllForms(this);
}

void Midi::endBySystem()
{
    m_closedBySystem = true;
    closeModalWindows();
    close();
}

void Midi::cmdQuit_Click()
{
    int cancel = 0;
    {
        // An end request while a window asks waits for the answer; it then quits whatever was answered.
        BusyGuard busy(m_play);
        emit m_play->quitAsked(cancel);
    }
    if (!cancel && !m_play->closePending())
        close();
}
