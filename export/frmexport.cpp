#include "export/frmexport.h"
#include "lyrics/core/songtextsource.h"
#include "app/commands.h"
#include "app/core/appinfo.h"
#include "app/core/terminal.h"
#include "components/core/settingsstore.h"
#include "components/dialogs.h"
#include "components/windowplace.h"
#include "export/exportjob.h"
#include "library/core/librarysession.h"
#include "lyrics/core/lrc.h"
#include "playback/core/practice.h"
#include "playback/core/playsession.h"
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>

namespace {
QString songsText(int n)
{
    return n == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(n);
}
}

FrmExport::FrmExport(const Player &player, Dialogs *dialogs, SettingsStore *settings, Renderers renderers)
    : QWidget(player.window, Qt::Window), m_player(player), m_dialogs(dialogs), m_settings(settings),
      m_renderers(std::move(renderers))
{
    setObjectName(QStringLiteral("FrmExport"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Export"));
    buildControls();
    restoreChoices();
    connect(player.play, &PlaySession::playStateChanged, this, &FrmExport::playStateChanged);
    connect(player.play, &PlaySession::quitAsked, this, &FrmExport::playerQuitting);
    connect(player.selection, &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_job)
            fillChoices();
    });
}

void FrmExport::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_job)
        fillChoices();
    // Its frame is known only now.
    if (!m_placed) {
        m_placed = true;
        placeBeside(this, m_player.window);
    }
}

FrmExport::~FrmExport()
{
    // Stops and waits for the workers: nothing unfinished stays on disk.
    delete m_job;
}

void FrmExport::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    optSelected = new QRadioButton(this);
    optList = new QRadioButton(this);
    optOpen = new QRadioButton(this);
    optSelected->setObjectName(QStringLiteral("optSelected"));
    optList->setObjectName(QStringLiteral("optList"));
    optOpen->setObjectName(QStringLiteral("optOpen"));
    for (QRadioButton *o : {optSelected, optList, optOpen})
        layout->addWidget(o);

    auto *form = new QFormLayout;
    cmbFormat = new QComboBox(this);
    cmbFormat->setObjectName(QStringLiteral("cmbFormat"));
    cmbFormat->addItem(QStringLiteral("WAV (16-bit)"), int(AudioFormat::Wav));
    cmbFormat->addItem(QStringLiteral("FLAC (16-bit, lossless)"), int(AudioFormat::Flac));
    cmbFormat->addItem(QStringLiteral("Ogg Vorbis"), int(AudioFormat::Ogg));
    form->addRow(QStringLiteral("Format:"), cmbFormat);
    auto *folderRow = new QHBoxLayout;
    txtFolder = new QLineEdit(QStandardPaths::writableLocation(QStandardPaths::MusicLocation), this);
    txtFolder->setObjectName(QStringLiteral("txtFolder"));
    cmdFolder = new QPushButton(QStringLiteral("Choose..."), this);
    cmdFolder->setObjectName(QStringLiteral("cmdFolder"));
    folderRow->addWidget(txtFolder);
    folderRow->addWidget(cmdFolder);
    form->addRow(QStringLiteral("Folder:"), folderRow);
    layout->addLayout(form);
    chkLrc = new QCheckBox(QStringLiteral("Write the words (.lrc) beside each file"), this);
    chkLrc->setObjectName(QStringLiteral("chkLrc"));
    chkLrc->setToolTip(QStringLiteral("For songs that have words: timed lines for music players, named as the audio "
                                      "file."));
    layout->addWidget(chkLrc);
    chkPractice = new QCheckBox(QStringLiteral("Render with each song's tempo and key"), this);
    chkPractice->setObjectName(QStringLiteral("chkPractice"));
    chkPractice->setToolTip(
        QStringLiteral("As chosen for the song in the Tempo and key window; the loop is left out."));
    chkPractice->setVisible(m_player.practice != nullptr);
    layout->addWidget(chkPractice);
    if (m_player.mixOf) {
        chkHeard = new QCheckBox(QStringLiteral("As heard: with each song's channel mutes, solos and levels"), this);
        chkHeard->setObjectName(QStringLiteral("chkHeard"));
        chkHeard->setToolTip(QStringLiteral("Practice tracks: the choices made for the song in the channels window."));
        layout->addWidget(chkHeard);
    }

    lblSong = new QLabel(this);
    lblSong->setObjectName(QStringLiteral("lblSong"));
    prgAll = new QProgressBar(this);
    prgAll->setObjectName(QStringLiteral("prgAll"));
    prgAll->setRange(0, 1000);
    prgAll->setTextVisible(false);
    layout->addWidget(lblSong);
    layout->addWidget(prgAll);

    auto *buttons = new QHBoxLayout;
    cmdExport = new QPushButton(QStringLiteral("Export"), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addStretch();
    buttons->addWidget(cmdExport);
    buttons->addWidget(cmdCancel);
    layout->addLayout(buttons);

    txtFolder->setAccessibleName(QStringLiteral("Export folder"));
    prgAll->setAccessibleName(QStringLiteral("Export progress"));
    connect(cmdFolder, &QPushButton::clicked, this, &FrmExport::cmdFolder_Click);
    connect(cmdExport, &QPushButton::clicked, this, &FrmExport::cmdExport_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &FrmExport::cmdCancel_Click);
    setRunning(false);
}

void FrmExport::restoreChoices()
{
    const QString name = m_settings->GetValue(Settings::MidiExportFormat).trimmed();
    if (const std::optional<AudioFormat> format = audioFormatNamed(name))
        cmbFormat->setCurrentIndex(cmbFormat->findData(int(*format)));
    else if (!name.isEmpty())
        tellTerminal(QStringLiteral("The setting %1 is \"%2\", not wav, flac or ogg; using wav.")
                         .arg(QLatin1String(Settings::MidiExportFormat.key), name));
    const QString folder = m_settings->GetValue(Settings::MidiExportFolder).trimmed();
    if (!folder.isEmpty())
        txtFolder->setText(folder);
    chkLrc->setChecked(m_settings->GetValue(Settings::MidiExportLrc).trimmed() == QLatin1String("1"));
    chkPractice->setChecked(m_settings->GetValue(Settings::MidiExportPractice).trimmed() == QLatin1String("1"));
}

void FrmExport::storeChoices()
{
    const auto format = AudioFormat(cmbFormat->currentData().toInt());
    m_settings->SetValue(Settings::MidiExportFormat, audioFormatExtension(format));
    if (!txtFolder->text().trimmed().isEmpty())
        m_settings->SetValue(Settings::MidiExportFolder, txtFolder->text().trimmed());
    // Not stored while never ticked: the settings stay as they were.
    if (chkLrc->isChecked() || !m_settings->GetValue(Settings::MidiExportLrc, QString()).isEmpty())
        m_settings->SetValue(Settings::MidiExportLrc, chkLrc->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    if (chkPractice->isChecked() || !m_settings->GetValue(Settings::MidiExportPractice, QString()).isEmpty())
        m_settings->SetValue(Settings::MidiExportPractice, QLatin1String(chkPractice->isChecked() ? "1" : "0"));
}

void FrmExport::fillChoices()
{
    const int selected = int(m_player.selection->selectedRows().size());
    const int all = m_player.library->list().count();
    const QString open = m_player.play->openSong();
    optSelected->setText(QStringLiteral("The selected songs (%1)").arg(selected));
    optList->setText(QStringLiteral("The whole play list (%1)").arg(songsText(all)));
    optOpen->setText(open.isEmpty()
                         ? QStringLiteral("The open song (none)")
                         : QStringLiteral("The open song: %1").arg(titled(open, QFileInfo(open).fileName())));
    optSelected->setEnabled(selected > 0);
    optList->setEnabled(all > 0);
    optOpen->setEnabled(!open.isEmpty());
    cmdExport->setEnabled(selected > 0 || all > 0 || !open.isEmpty());
    // The user's choice stays while it still has songs.
    for (QRadioButton *choice : {optSelected, optList, optOpen}) {
        if (choice->isChecked() && choice->isEnabled())
            return;
    }
    QRadioButton *first = selected > 0 ? optSelected : all > 0 ? optList : optOpen;
    first->setChecked(true);
}

QStringList FrmExport::chosenSongs() const
{
    const PlayListModel &list = m_player.library->list();
    const QString open = m_player.play->openSong();
    if (optOpen->isChecked())
        return open.isEmpty() ? QStringList() : QStringList{open};
    if (optList->isChecked())
        return list.paths();
    QModelIndexList rows = m_player.selection->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList songs;
    for (const QModelIndex &row : std::as_const(rows))
        songs << row.data(PlayListModel::PathRole).toString();   // the row shown, maybe under a find
    return songs;
}

void FrmExport::cmdFolder_Click()
{
    if (const std::optional<QString> folder = m_dialogs->folder(this, QStringLiteral("Export to"), txtFolder->text()))
        txtFolder->setText(*folder);
}

void FrmExport::cmdExport_Click()
{
    const QStringList songs = chosenSongs();
    const QString folder = txtFolder->text().trimmed();
    if (songs.isEmpty() || folder.isEmpty())
        return;
    if (!QDir().mkpath(folder)) {
        m_dialogs->message(this, QStringLiteral("The folder %1 cannot be made.").arg(folder),
                           Dialogs::Style::Exclamation, QStringLiteral("Export"));
        return;
    }
    storeChoices();
    const auto format = AudioFormat(cmbFormat->currentData().toInt());
    const ExportPlan plan = planExport(songs, folder + QLatin1Char('/'), format, folder);
    QStringList there;
    for (const QString &out : plan.outputs) {
        for (const QString &file : {out, chkLrc->isChecked() ? lrc::pathBeside(out) : QString()}) {
            if (!file.isEmpty() && QFileInfo::exists(file))
                there << QFileInfo(file).fileName();
        }
    }
    const bool replace = !there.isEmpty()
                         && m_dialogs->message(this,
                                               QStringLiteral("%1 already in %2:\n%3\nReplace them?")
                                                   .arg(there.size() == 1 ? QStringLiteral("This file is")
                                                                          : QStringLiteral("These files are"),
                                                        folder, there.join(QLatin1Char('\n'))),
                                               Dialogs::Style::YesNo | Dialogs::Style::Question,
                                               QStringLiteral("Export"))
                                == Dialogs::Answer::Yes;
    QVector<RenderJob> jobs;
    m_written.clear();
    m_failed.clear();
    m_stopped = 0;
    m_folder = folder;
    for (int i = 0; i < songs.size(); ++i) {
        if (plan.problems[i].isEmpty()) {
            jobs.append({songs[i], plan.outputs[i], plan.format, replace, chkLrc->isChecked(),
                         m_player.songText ? m_player.songText->chosenEncoding(songs[i]) : QByteArray()});
            if (chkHeard && chkHeard->isChecked())
                jobs.last().mix = m_player.mixOf(songs[i]);
        } else
            m_failed << QStringLiteral("%1: %2").arg(QFileInfo(songs[i]).fileName(), plan.problems[i]);
    }
    if (chkPractice->isChecked() && m_player.practice) {
        for (RenderJob &job : jobs) {
            const PracticeChoices c = m_player.practice->choicesOf(job.input);
            job.tempoPercent = c.tempo;
            job.transpose = c.key;
        }
    }
    m_done.fill(0.0, jobs.size());
    m_job = new ExportJob(jobs, m_renderers(), this);
    connect(m_job, &ExportJob::songStarted, this, &FrmExport::songStarted);
    connect(m_job, &ExportJob::songProgress, this, &FrmExport::songProgress);
    connect(m_job, &ExportJob::songFinished, this, &FrmExport::songFinished);
    connect(m_job, &ExportJob::finished, this, &FrmExport::exportFinished);
    setRunning(true);
    m_job->start(workers());
}

int FrmExport::workers() const
{
    // While a song plays one worker, so its sound never waits for a processor.
    const PlayState state = m_player.play->playState();
    if (state == PlayState::Playing || state == PlayState::Interlude)
        return 1;
    return std::max(1, QThread::idealThreadCount());
}

void FrmExport::playStateChanged(PlayState)
{
    if (m_job)
        m_job->limitWorkers(workers());
}

void FrmExport::cmdCancel_Click()
{
    if (m_job)
        m_job->cancel();
    else
        close();
}

void FrmExport::setRunning(bool on)
{
    for (QWidget *w : std::initializer_list<QWidget *>{optSelected, optList, optOpen, cmbFormat, txtFolder, cmdFolder,
                                                       chkLrc, chkPractice, cmdExport})
        w->setEnabled(!on);
    if (chkHeard)
        chkHeard->setEnabled(!on);
    if (!on)
        fillChoices();
    cmdCancel->setText(on ? QStringLiteral("Cancel") : QStringLiteral("Close"));
    lblSong->setVisible(on);
    prgAll->setVisible(on);
    if (!on)
        adjustSize();   // no blank room where the progress was
}

void FrmExport::songStarted(int song)
{
    const auto &job = m_job->jobs()[song];
    lblSong->setText(QStringLiteral("Writing %1").arg(titled(job.input, QFileInfo(job.output).fileName())));
}

QString FrmExport::titled(const QString &song, const QString &shown) const
{
    const QString title = m_player.songText ? m_player.songText->textOf(song).title : QString();
    return title.isEmpty() ? shown : QStringLiteral("%1 (%2)").arg(shown, title);
}

void FrmExport::songProgress(int song, double done)
{
    m_done[song] = done;
    double sum = 0;
    for (double d : std::as_const(m_done))
        sum += d;
    prgAll->setValue(int(sum / m_done.size() * 1000));
}

void FrmExport::songFinished(int song, bool written, const QString &error)
{
    const RenderJob &job = m_job->jobs()[song];
    m_done[song] = 1.0;
    if (written)
        m_written << QFileInfo(job.output).fileName();
    else if (m_job->cancelled())
        ++m_stopped;
    else
        m_failed << QStringLiteral("%1: %2").arg(QFileInfo(job.input).fileName(), error);
    songProgress(song, 1.0);
}

void FrmExport::exportFinished()
{
    QStringList text;
    if (!m_written.isEmpty())
        text << QStringLiteral("%1 written to %2:\n%3")
                    .arg(songsText(int(m_written.size())), m_folder, m_written.join(QLatin1Char('\n')));
    else
        text << QStringLiteral("No song was written.");
    if (!m_failed.isEmpty())
        text << QStringLiteral("%1 could not be written:\n%2")
                    .arg(songsText(int(m_failed.size())), m_failed.join(QLatin1Char('\n')));
    if (m_job->cancelled())
        text << QStringLiteral("The export was cancelled: %1 not written, and nothing unfinished was left.")
                    .arg(songsText(m_stopped + m_job->untouched()));
    m_summary = text.join(QStringLiteral("\n\n"));
    m_job->deleteLater();
    m_job = nullptr;
    setRunning(false);
    m_dialogs->message(this, m_summary, m_failed.isEmpty() ? Dialogs::Style::Information : Dialogs::Style::Exclamation,
                       QStringLiteral("Export"));
}

void FrmExport::closeEvent(QCloseEvent *event)
{
    // Closing is cancelling: the workers stop and the unfinished file goes.
    if (m_job)
        m_job->cancel();
    else
        storeChoices();
    event->accept();
}

void FrmExport::playerQuitting(int &cancel)
{
    if (!m_job || cancel)
        return;
    raise();
    const auto answer = m_dialogs->message(
        this,
        QStringLiteral("Songs are still being exported to %1.\nEnd the export and quit? The song being written is "
                       "not kept; the songs already written stay.")
            .arg(m_folder),
        Dialogs::Style::YesNo | Dialogs::Style::Question, QStringLiteral("Export"));
    if (answer != Dialogs::Answer::Yes)
        cancel = 1;
}

QAction *addExportAction(const AddWindow &addWindow, const FrmExport::Player &player, Dialogs *dialogs,
                         SettingsStore *settings, FrmExport::Renderers renderers)
{
    QAction *action = addWindow(QStringLiteral("Export..."), [player, dialogs, settings, renderers] {
        return new FrmExport(player, dialogs, settings, renderers);
    });
    action->setObjectName(QStringLiteral("actExport"));
    return action;
}
