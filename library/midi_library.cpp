#include "app/core/appinfo.h"
#include "app/core/texts.h"
#include "components/core/systemtools.h"
#include "library/core/libraryfile.h"
#include "library/filebrowser.h"
#include "player/midi.h"
#include "playback/mediacontrol.h"
#include <QFileInfo>
#include <QLabel>
#include <QSlider>

void Midi::ClearList()
{
    File1->clearSelectionIndex();
    m_list.clear();
    m_selIndex = 0;
    // The device closes below: whatever played or waited in the interlude ends.
    cancelInterlude();
    m_playing = false;
    Label1->setText(QStringLiteral("No Selection"));
    Label3->setText(Texts::total(0));
    MMControl1->setCommand(MediaControl::Command::Close);
    MMControl1->setFrom(0);
    SliderTime->setValue(0);
    showStateTexts(PlayState::Stopped);
}

void Midi::OpenLib()
{
    BusyGuard busy(this);
    ClearList();
    m_libraryIncomplete = false;
    m_listEdited = false;
    Label1->setToolTip(QStringLiteral("Midi selection"));
    const LibraryContents lib = LibraryFile::read(m_libFile);
    if (lib.empty && lib.error.isEmpty()) {
        setLabel5(m_libName + QStringLiteral(" (Empty)"));
        return;
    }
    for (const QString &path : lib.paths)
        m_list.append(path);
    if (!lib.error.isEmpty()) {
        // What did not load must not be lost by the save at shut-down.
        m_libraryIncomplete = true;
        noteLibraryProblem(lib.error);
        m_services.dialogs->message(this, QStringLiteral("OpenLib error: ") + lib.error, Dialogs::Style::Information,
                                    AppInfo::AppName);
        return;
    }
    m_selIndex = lib.selIndex;
    if (!findPresentEntry()) {
        m_services.dialogs->message(this, QStringLiteral("File(s) not present"), Dialogs::Style::OkOnly,
                                    AppInfo::AppName);
        ComInable();
        DoEvents();
        return;
    }
    pointBrowserAt(m_list.path(m_selIndex));
    if (!m_list.isEmpty())
        OpenMid(QString());
}

// Moves m_selIndex to the first present entry from where it stands,
// wrapping once; false (index 0) when there is none.
bool Midi::findPresentEntry()
{
    const int n = m_list.count();
    if (m_selIndex < 0 || m_selIndex >= n)
        m_selIndex = 0;
    for (int tried = 0; tried < n; ++tried) {
        if (SystemTools::IsPresent(m_list.path(m_selIndex)))
            return true;
        m_selIndex = m_selIndex >= n - 1 ? 0 : m_selIndex + 1;
    }
    m_selIndex = 0;
    return false;
}

bool Midi::SaveLib(QString *error)
{
    if (m_libFile.isEmpty() || m_list.isEmpty())
        return true;
    // A name another program wrote may hold what a library cannot: keep the rest.
    const LibraryFile::Storable kept = LibraryFile::storable(m_list.paths(), m_selIndex);
    tellLeftOut(kept.leftOut);
    if (kept.paths.isEmpty())
        return true;
    QString why;
    const bool ok = LibraryFile::write(m_libFile, kept.selIndex, kept.paths, &why);
    if (!ok && error)
        *error = why;
    if (ok) {
        m_libraryIncomplete = false;
        m_listEdited = false;
    }
    return ok;
}

void Midi::tellLeftOut(const QStringList &leftOut)
{
    if (leftOut.isEmpty() || leftOut == m_leftOutTold)
        return;
    m_leftOutTold = leftOut;
    tell(QStringLiteral("These entries were left out of the library %1, because a library file cannot "
                        "hold a name with a quotation mark or a line break:\n%2")
             .arg(m_libFile, leftOut.join(QLatin1Char('\n'))));
}

// The save that asks nothing: into the list's library file, else as a new
// numbered library in the data folder. A library that did not load whole is
// never written over, and is not saved at all while untouched.
bool Midi::saveUnasked(QString *error)
{
    if (m_libraryIncomplete) {
        if (!m_listEdited || m_list.isEmpty())
            return true;
        // The user built on a list that did not load whole: their list is kept
        // as a new library, and the file it came from is left as it is.
        m_libFile.clear();
    }
    if (m_libFile.isEmpty() && !m_list.isEmpty()) {
        // A list built without a file still goes somewhere the user can find it.
        QString name = m_dataDir + QStringLiteral("New Library.mfl");
        for (int n = 2; QFileInfo::exists(name); ++n)
            name = m_dataDir + QStringLiteral("New Library %1.mfl").arg(n);
        m_libFile = name;
    }
    return SaveLib(error);
}

// Another library or a new list is about to replace this one: edits are saved
// as quitting would save them. False when they could not be (the user is told
// and the list stays).
bool Midi::keepEditsBeforeReplace()
{
    if (!m_listEdited || m_list.isEmpty())
        return true;
    QString error;
    if (saveUnasked(&error))
        return true;
    m_services.dialogs->message(this,
                                QStringLiteral("Your play list could not be saved, so it stays open. %1\n"
                                               "Save it with Save Library, or Clear it, first.")
                                    .arg(error),
                                Dialogs::Style::Exclamation, AppInfo::AppName);
    return false;
}

void Midi::saveLibraryAtExit()
{
    const QString before = m_libFile;
    QString error;
    const bool ok = saveUnasked(&error);
    if (m_libFile != before && !m_libFile.isEmpty()) {
        m_services.settings->SetValue(Settings::MidiLib, m_libFile);
        m_services.settings->Flush();
    }
    if (!ok)
        reportSaveFailure(QStringLiteral("the play list could not be written (%1)").arg(error));
}

void Midi::cmdNew_Click()
{
    if (!keepEditsBeforeReplace())
        return;
    ClearList();
    m_libName = QStringLiteral("New Library");
    // Forget the file, so the previous library is never overwritten by this list.
    m_libFile.clear();
    m_libraryIncomplete = false;
    m_listEdited = false;
    Label4->setText(QStringLiteral("Midi Library: ") + m_libName);
    setLabel5(m_libName + QStringLiteral(" (Empty)"));
}

void Midi::cmdOpen_Click()
{
    BusyGuard busy(this);
    const auto chosen = m_services.dialogs->openFile(this, QStringLiteral("Open Midi Library"),
                                                     m_libFile.isEmpty() ? m_dataDir : m_libFile,
                                                     QStringLiteral("Midi File Library (*.mfl)"));
    if (!chosen)
        return;
    DoEvents();
    openLibraryFile(*chosen);
}

bool Midi::openLibraryFile(const QString &file)
{
    BusyGuard busy(this);
    if (!keepEditsBeforeReplace())
        return false;
    m_libFile = file;
    m_libName = Texts::libraryName(m_libFile);
    setLabel5(QStringLiteral("Opening ") + m_libName);
    Label4->setText(QStringLiteral("Midi Library Openning: ") + m_libName);
    DoEvents();
    ComDisable();
    DoEvents();
    OpenLib();
    ComInable();
    DoEvents();
    return true;
}

void Midi::cmdSave_Click()
{
    BusyGuard busy(this);
    if (m_list.isEmpty()) {
        m_services.dialogs->message(this, QStringLiteral("No entries in playlist to save"), Dialogs::Style::OkOnly,
                                    AppInfo::AppName);
        return;
    }
    const QString initial = m_libFile.isEmpty() ? m_dataDir + m_libName + QStringLiteral(".mfl") : m_libFile;
    const auto chosen = m_services.dialogs->saveFile(this, QStringLiteral("Save Midi Library"), initial,
                                                     QStringLiteral("Midi File Library (*.mfl)"));
    if (!chosen)
        return;
    m_libFile = *chosen;
    DoEvents();
    m_libName = Texts::libraryName(m_libFile);
    Label4->setText(QStringLiteral("Midi Library: ") + m_libName);
    setLabel5(Texts::libraryHeading(m_libName, m_list.count()));
    QString error;
    if (!SaveLib(&error))
        m_services.dialogs->message(this, QStringLiteral("The library could not be saved. %1").arg(error),
                                    Dialogs::Style::Exclamation, AppInfo::AppName);
}

void Midi::cmdClear_Click()
{
    ClearList();
    setLabel5(m_libName + QStringLiteral(" (Empty)"));
}
