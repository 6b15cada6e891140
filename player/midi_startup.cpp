#include "app/core/appinfo.h"
#include "app/core/numbers.h"
#include "app/core/texts.h"
#include "app/core/twips.h"
#include "app/showhelp.h"
#include "app/signalwatch.h"
#include "app/unloadall.h"
#include "components/core/systemtools.h"
#include "library/core/libraryfile.h"
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
    m_libFile = m_services.settings->GetValue(Settings::MidiLib);
    reopenLibrary();
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

void Midi::showLibraryCaptions(const QString &label5, const QString &label4, const QString &label1)
{
    setLabel5(label5);
    Label4->setText(label4);
    Label1->setText(label1);
}

void Midi::reopenLibrary()
{
    if (m_libFile.isEmpty()) {
        m_libName = QStringLiteral("New Library");
        showLibraryCaptions(m_libName + QStringLiteral(" (Empty)"), QStringLiteral("Midi Library: (none)"),
                            QStringLiteral("No Selection"));
        return;
    }
    m_libName = Texts::libraryName(m_libFile);
    if (!SystemTools::IsPresent(m_libFile)) {
        noteLibraryProblem(QStringLiteral("The library file %1 is not there.").arg(m_libFile));
        showLibraryCaptions(m_libName + QStringLiteral(" (Empty)"), QStringLiteral("Midi Library: ") + m_libName,
                            QStringLiteral("No Selection"));
        return;
    }
    showLibraryCaptions(QStringLiteral("Opening ") + m_libName, QStringLiteral("Midi Library Opening: ") + m_libName,
                        QStringLiteral("Opening Selection..."));
    DoEvents();
    int index = 0;
    QString why;
    if (!LibraryFile::readIndex(m_libFile, &index, &why)) {
        // Unreadable: shown empty, but never written over at shut-down
        // (an empty file holds nothing to lose).
        m_libraryIncomplete = QFileInfo(m_libFile).size() > 0;
        if (m_libraryIncomplete)
            noteLibraryProblem(why);
        showLibraryCaptions(m_libName + QStringLiteral(" (Empty)"), QStringLiteral("Midi Library: ") + m_libName,
                            QStringLiteral("No Selection"));
        return;
    }
    m_play->setSelIndex(index);
    ComDisable();
    DoEvents();
    OpenLib();
    ComInable();
    DoEvents();
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
    if (!m_libFile.isEmpty())
        st.SetValue(Settings::MidiLib, m_libFile);
    QString error;
    if (!st.Flush(&error))
        reportSaveFailure(error);
    saveLibraryAtExit();
}

void Midi::reportSaveFailure(const QString &what)
{
    tell(QStringLiteral("Your settings could not all be saved: %1.").arg(what));
}

void Midi::tell(const QString &text)
{
    if (m_closedBySystem)
        std::fprintf(stderr, "lyrabox: %s\n", qPrintable(text));
    else
        m_services.dialogs->message(this, text, Dialogs::Style::Exclamation, AppInfo::AppName);
}

// Why the library shows empty or partly loaded, where a user can find it.
void Midi::noteLibraryProblem(const QString &why)
{
    std::fprintf(stderr, "lyrabox: %s\n", qPrintable(why));
    Label1->setToolTip(QStringLiteral("Midi selection\n") + why);
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
    setClosedBySystem(true);
    closeModalWindows();
    close();
}

void Midi::cmdQuit_Click()
{
    int cancel = 0;
    {
        // An end request while a window asks waits for the answer; it then quits whatever was answered.
        BusyGuard busy(m_play);
        emit quitAsked(cancel);
    }
    if (!cancel && !m_closePending)
        close();
}
