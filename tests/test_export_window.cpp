#include "app/commands.h"
#include "export/exportjob.h"
#include "export/frmexport.h"
#include "fakes/playerfixture.h"
#include "library/filebrowser.h"
#include "playback/core/practice.h"
#include "playback/engine/offlinerender.h"
#include "testenv.h"
#include <QtTest>
#include <QtWidgets>

// The export window on a player of fakes, writing with the real renderer and the small bank.
class TestExportWindow : public QObject {
    Q_OBJECT

    // Opens the window from the player's menu, as a user would.
    static FrmExport *openExport(Midi &m, PlayerFixture &fx, FrmExport::Player player = {})
    {
        // Every song was chosen a tempo and key.
        static struct : PracticeStore {
            PracticeChoices choicesOf(const QString &) override { return {150, 3}; }
            void keep(const QString &, const PracticeChoices &) override {}
        } practice;
        const auto renderers = [] {
            SoundConfig sound;
            sound.banks = QStringList{TestEnv::soundFont()};
            return OfflineRender::factory(sound);
        };
        addExportAction([&m](const QString &text,
                             const std::function<QWidget *()> &make) { return m.commands()->addWindow(text, make); },
                        {&m, m.playSession(), m.library(), m.controls().List1->selectionModel(), &fx.songText,
                         &practice, player.mixOf},
                        &fx.dialogs, fx.settings.get(), renderers)
            ->trigger();
        return m.findChild<FrmExport *>();
    }
    template <typename W> static W *child(QWidget *w, const char *name) { return w->findChild<W *>(name); }

    static QStringList files(const QString &dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        if (!QFileInfo::exists(TestEnv::soundFont()))
            QSKIP("the small GM bank is not installed");
    }

    // What is exported: the selected entries (as heard: its one part muted, silence), the whole list or the open
    // song. The next window starts with the choices used last; a stored format it does not write reads as WAV.
    void exports_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<int>("format");   // index in the combo box
        QTest::addColumn<QStringList>("written");
        QTest::addColumn<QString>("failure");
        QTest::newRow("selected entry") << "optSelected" << 0 << QStringList{"c.wav"} << QString();
        QTest::newRow("whole list, one song gone")
            << "optList" << 1 << QStringList{"a.flac", "b.flac"} << "c.mid: The file does not exist.";
        QTest::newRow("open song") << "optOpen" << 2 << QStringList{"b.ogg"} << QString();
    }

    void exports()
    {
        QFETCH(QString, choice);
        QFETCH(int, format);
        QFETCH(QStringList, written);
        QFETCH(QString, failure);
        const bool selected = choice == "optSelected", open = choice == "optOpen";
        PlayerFixture fx;
        fx.songText.texts.insert("b.mid", SongText{"Quiet Road", {}, {}, {}, {}});
        fx.settings->SetValue("Quillon\\Applets", "MidiExportFormat", "mp3");
        Midi &m = fx.startWith({"a.mid", "b.mid", "c.mid"});
        PlayListBox *list = m.controls().List1;
        list->clearSelection();
        if (selected) {   // chosen under a find, where it shows as the first row
            m.commands()->run(Commands::Find);
            m.findChild<QLineEdit *>("txtFind")->setText("C.M");
            list->setCurrentRow(2);
        } else if (open) {
            list->setCurrentRow(1);
            emit m.controls().List1->enterPressed();
            list->clearSelection();
            QVERIFY(m.playSession()->openSong().endsWith("b.mid"));
        } else {
            QVERIFY(QFile::remove(m.library()->list().path(2)));
        }
        QTemporaryDir out;
        fx.dialogs.folderResults.enqueue(out.path());
        FrmExport::Player heard;
        if (selected)
            heard.mixOf = [](const QString &) {
                ChannelMix::Settings s;
                s.muted[0] = true;
                return s;
            };
        FrmExport *w = openExport(m, fx, heard);
        QVERIFY(w && child<QComboBox>(w, "cmbFormat")->currentIndex() == 0);
        QCOMPARE(child<QCheckBox>(w, "chkHeard") != nullptr, selected);
        child<QPushButton>(w, "cmdFolder")->click();
        child<QComboBox>(w, "cmbFormat")->setCurrentIndex(format);
        QRadioButton *option = w->findChild<QRadioButton *>(choice);
        QVERIFY(option->isEnabled());
        if (open)
            QCOMPARE(option->text(), "The open song: b.mid (Quiet Road)");
        option->setChecked(true);
        child<QCheckBox>(w, "chkPractice")->setChecked(open);
        child<QCheckBox>(w, "chkLrc")->setChecked(open);   // no words in these songs: no file of them
        if (selected)
            child<QCheckBox>(w, "chkHeard")->setChecked(true);
        child<QPushButton>(w, "cmdExport")->click();
        QVERIFY(w->running());
        const RenderJob job = w->findChild<ExportJob *>()->jobs().constFirst();
        QCOMPARE(QList<int>({job.tempoPercent, job.transpose}), open ? QList<int>({150, 3}) : QList<int>({100, 0}));
        QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 30000);
        if (selected) {   // as heard: dither only
            const QVector<qint16> audio = TestEnv::readWav(out.filePath("c.wav"));
            QVERIFY(!audio.isEmpty() && TestEnv::peak(audio) < 8);
        }

        QCOMPARE(files(out.path()), written);
        const QString summary = fx.dialogs.messages.value(fx.dialogs.messages.size() - 1).text;
        QCOMPARE(summary, w->summary());
        for (const QString &f : std::as_const(written))
            QVERIFY2(summary.contains(f), qPrintable(summary));
        QCOMPARE(summary.contains("could not be written"), !failure.isEmpty());
        QVERIFY(summary.contains(failure));
        w->close();
        QTRY_VERIFY(!m.findChild<FrmExport *>());
        w = openExport(m, fx);
        QCOMPARE(child<QComboBox>(w, "cmbFormat")->currentIndex(), format);
        QCOMPARE(child<QLineEdit>(w, "txtFolder")->text(), out.path());
        QCOMPARE(child<QCheckBox>(w, "chkPractice")->isChecked() + child<QCheckBox>(w, "chkLrc")->isChecked(),
                 open ? 2 : 0);
    }

    // Nothing to export leaves Export off; the choices follow the list while the window is open,
    // keeping the user's pick; the window stands beside the player, not over it.
    void choicesFollowThePlayer()
    {
        PlayerFixture fx;
        Midi &m = fx.startWith({"a.mid", "b.mid"});
        PlayListBox *list = m.controls().List1;
        list->clearSelection();
        m.controls().cmdClear->click();
        FrmExport *w = openExport(m, fx);
        auto *go = child<QPushButton>(w, "cmdExport");
        QVERIFY(!go->isEnabled());
        QVERIFY(!w->frameGeometry().intersects(m.frameGeometry()));
        QCOMPARE(TestEnv::namelessControls(w), QStringList());

        m.library()->addFiles(
            {TestEnv::writeMidi(fx.dir() + "/data/c.mid", 2000), TestEnv::writeMidi(fx.dir() + "/data/d.mid", 2000)});
        list->setCurrentRow(0);
        QVERIFY(go->isEnabled());
        QVERIFY(child<QRadioButton>(w, "optSelected")->isChecked());
        child<QRadioButton>(w, "optList")->setChecked(true);
        list->setCurrentRow(1);
        QVERIFY(child<QRadioButton>(w, "optList")->isChecked());
        QCOMPARE(child<QRadioButton>(w, "optList")->text(), "The whole play list (2 songs)");
    }

    // Cancel stops the song being written and leaves no file of it; the player plays on. Quitting the player while
    // an export runs asks first: Yes ends both and leaves no unfinished file, No keeps both running. With no export
    // running nothing is asked.
    void endWhileExporting_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<Dialogs::Answer>("answer");
        QTest::newRow("Cancel") << "cancel" << Dialogs::Answer::No;
        QTest::newRow("Yes ends the export") << "quit" << Dialogs::Answer::Yes;
        QTest::newRow("No keeps both") << "quit" << Dialogs::Answer::No;
        QTest::newRow("nothing to ask") << "quit before" << Dialogs::Answer::No;
    }
    void endWhileExporting()
    {
        QFETCH(QString, end);
        QFETCH(Dialogs::Answer, answer);
        const bool exporting = end != "quit before";
        QStringList order;   // the job's songs as it tells them, till it goes with the player
        PlayerFixture fx;
        Midi &m = fx.startWith({"b.mid"});
        m.library()->addFiles({TestEnv::writeMidi(fx.dir() + "/data/long.mid", 1800000)});
        m.controls().List1->setCurrentRow(0);
        emit m.controls().List1->enterPressed();
        fx.press("Play");   // one worker while playing: the songs go one after the other
        QTemporaryDir out;
        fx.dialogs.folderResults.enqueue(out.path());
        QPointer<FrmExport> w = openExport(m, fx);
        child<QPushButton>(w, "cmdFolder")->click();
        child<QRadioButton>(w, "optList")->setChecked(true);
        const QStringList before = exporting ? QStringList{"b.wav"} : QStringList();
        if (exporting) {
            child<QPushButton>(w, "cmdExport")->click();
            auto *job = w->findChild<ExportJob *>();
            connect(job, &ExportJob::songStarted, this,
                    [&](int song) { order << QStringLiteral("start %1").arg(song); });
            connect(job, &ExportJob::songFinished, this,
                    [&](int song, bool, const QString &) { order << QStringLiteral("end %1").arg(song); });
            // b.wav, then long.wav on its way in a temporary file.
            QTRY_VERIFY_WITH_TIMEOUT(files(out.path()) == before
                                         && TestEnv::writesInto(QCoreApplication::applicationPid(), out.path()),
                                     30000);
            QTRY_COMPARE(order, (QStringList{"start 0", "end 0", "start 1"}));
        }
        QCOMPARE(m.playSession()->playState(), PlayState::Playing);
        if (end == "cancel") {
            child<QPushButton>(w, "cmdCancel")->click();
            QTRY_VERIFY_WITH_TIMEOUT(!w->running(), 10000);
            QVERIFY(w->summary().contains("cancelled: 1 song not written"));
            QCOMPARE(m.playSession()->playState(), PlayState::Playing);
        } else {
            fx.dialogs.answers.enqueue(answer);
            fx.quit();
            QCOMPARE(fx.dialogs.count("End the export and quit?"), exporting ? 1 : 0);
            const bool quits = answer == Dialogs::Answer::Yes || !exporting;
            QCOMPARE(m.unloaded(), quits);
            QVERIFY(quits ? QTest::qWaitFor([&] { return !w; }) : w->running() && w->isVisible() && m.isVisible());
        }
        QCOMPARE(files(out.path()), before);
    }
};

QTEST_MAIN(TestExportWindow)
#include "test_export_window.moc"
