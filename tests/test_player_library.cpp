#include "app/core/appinfo.h"
#include "fakes/playerfixture.h"
#include "library/core/libraryfile.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "testenv.h"
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray library(int index, const QStringList &paths)
{
    QByteArray out = QByteArray::number(index) + "\r\n";
    for (const QString &p : paths)
        out += '"' + p.toUtf8() + "\"\r\n";
    return out;
}
}

class TestPlayerLibrary : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void saveAndReopen()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"x.mid", "y.rmi"});
        Midi &m = f.start();
        m.addFiles(songs);
        m.setSelIndex(1);
        const QString file = f.dir() + "/data/Party.mfl";
        f.dialogs.saveResults << file;
        m.cmdSave_Click();
        QCOMPARE(readAll(file), library(1, songs));
        QCOMPARE(m.controls().Label5->text(), QStringLiteral("Party: 2 files"));
        QCOMPARE(m.controls().Label4->text(), QStringLiteral("Midi Library: Party"));
        f.quit();

        PlayerFixture g;
        g.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &n = g.start();
        QCOMPARE(n.playList().names(), QStringList({"x.mid", "y.rmi"}));
        QCOMPARE(n.selIndex(), 1);
        QCOMPARE(n.controls().List1->currentRow(), 1);
        QCOMPARE(g.device.openFile, songs[1]);
        QCOMPARE(n.controls().Label4->text(), QStringLiteral("Midi Library: Party"));
    }

    // Libraries opened through Open Library: what shows and what is said.
    void openLibrary_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("label5");
        QTest::addColumn<bool>("opened");
        const QString d = TestEnv::root() + "/lib/";
        QTest::newRow("current deleted") << library(1, {d + "a.mid", d + "gone.mid", d + "c.mid"}) << 3 << "" << "Lib: 3 files" << true;
        QTest::newRow("none present") << library(0, {d + "gone1.mid", d + "gone2.mid"}) << 2 << "File(s) not present" << "Opening Lib" << false;
        QTest::newRow("first line only") << QByteArray("0\r\n") << 0 << "File(s) not present" << "Opening Lib" << false;
        QTest::newRow("zero bytes") << QByteArray() << 0 << "" << "Lib (Empty)" << false;
        QTest::newRow("index past the end") << library(7, {d + "a.mid"}) << 1 << "" << "Lib: 1 files" << true;
        QTest::newRow("bad first line") << QByteArray("abc\r\n\"/x.mid\"\r\n") << 0 << "OpenLib error: " << "Opening Lib" << false;
        QStringList many;
        for (int i = 0; i < 1002; ++i)
            many << d + "a.mid";
        QTest::newRow("1002 entries") << library(0, many) << 1001 << "OpenLib error: " << "Opening Lib" << false;
    }
    void openLibrary()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, entries);
        QFETCH(QString, message);
        QFETCH(QString, label5);
        QFETCH(bool, opened);
        QDir().mkpath(TestEnv::root() + "/lib");
        for (const char *n : {"a.mid", "c.mid"})
            TestEnv::writeMidi(TestEnv::root() + "/lib/" + n);
        PlayerFixture f;
        const QString file = f.dir() + "/Lib.mfl";
        writeAll(file, bytes);
        Midi &m = f.start();
        f.dialogs.openResults << file;
        m.cmdOpen_Click();
        QCOMPARE(m.playList().count(), entries);
        QCOMPARE(m.controls().List1->count(), entries);
        if (message.isEmpty())
            QVERIFY2(f.dialogs.messages.isEmpty(), qPrintable(f.dialogs.texts().join('|')));
        else
            QCOMPARE(f.dialogs.count(message), 1);
        QCOMPARE(m.controls().Label5->text(), label5);
        QCOMPARE(!f.device.openFile.isEmpty(), opened);
        if (bytes.isEmpty())
            QCOMPARE(m.controls().Label4->text(), QStringLiteral("Midi Library Openning: Lib"));
        // A library that did not load whole is not written over at shut-down;
        // one that did is saved with its new current entry.
        const int index = m.selIndex();
        f.quit();
        if (opened)
            QVERIFY(readAll(file).startsWith(QByteArray::number(index) + "\r\n"));
        else
            QCOMPARE(readAll(file), bytes);
    }

    void currentDeletedOpensNextPresent()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"a.mid", "b.mid", "c.mid"});
        const QString file = f.dir() + "/L.mfl";
        writeAll(file, library(2, songs));
        QFile::remove(songs[2]);
        f.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &m = f.start();
        QCOMPARE(m.selIndex(), 0);   // from the top after the last
        QCOMPARE(f.device.openFile, songs[0]);
    }

    // A library that did not load whole is never written over; a list the
    // user builds on it is kept as a new library.
    void brokenLibraryKeepsTheUsersEdits_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<int>("saved");   // entries in the new library, -1: none written
        QTest::addColumn<QString>("reason");
        QStringList many;
        for (int i = 0; i < 1002; ++i)
            many << TestEnv::root() + "/many.mid";
        const QByteArray text("\xff\xfe not a number\r\n\"/x.mid\"\r\n");
        QTest::newRow("text file, untouched") << text << "" << -1 << "not a number";
        QTest::newRow("text file, song added") << text << "add" << 1 << "not a number";
        QTest::newRow("1002 entries, untouched") << library(0, many) << "" << -1 << "only the first 1001";
        QTest::newRow("1002 entries, one removed") << library(0, many) << "remove" << 1000 << "only the first 1001";
    }
    void brokenLibraryKeepsTheUsersEdits()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, edit);
        QFETCH(int, saved);
        QFETCH(QString, reason);
        PlayerFixture f;
        TestEnv::writeMidi(TestEnv::root() + "/many.mid");
        const QString file = f.dir() + "/Broken.mfl";
        writeAll(file, bytes);
        f.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &m = f.start();
        QVERIFY2(m.controls().Label1->toolTip().contains(reason), qPrintable(m.controls().Label1->toolTip()));
        if (edit == "add") {
            m.addFiles(f.songs({"n.mid"}));
        } else if (edit == "remove") {
            m.controls().List1->setCurrentRow(3);
            m.cmdRemove_Click();
        }
        f.quit();
        QVERIFY2(f.dialogs.messages.size() <= 1, qPrintable(f.dialogs.texts().join('|')));   // the OpenLib error only
        QCOMPARE(readAll(file), bytes);
        const QString fresh = m.dataDir() + "New Library.mfl";
        QCOMPARE(LibraryFile::read(fresh).paths.size(), qMax(saved, 0));
        QCOMPARE(f.settings->GetValue(AppInfo::AppletSection(), "MidiLib", ""), saved < 0 ? file : fresh);
    }

    // Names another program wrote that a library cannot hold: the rest is saved, the user told once.
    void unstorableEntriesAreLeftOutOnce()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"a.mid", "b.mid"});
        const QString odd = f.dir() + "/say \"hi\".mid";
        const QString file = f.dir() + "/Q.mfl";
        writeAll(file, "2\r\n\"" + songs[0].toUtf8() + "\"\r\n" + odd.toUtf8() + "\r\n\"" + songs[1].toUtf8() + "\"\r\n");
        f.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &m = f.start();
        QCOMPARE(m.playList().paths(), QStringList({songs[0], odd, songs[1]}));
        f.dialogs.saveResults << file << file;
        m.cmdSave_Click();
        m.cmdSave_Click();
        QCOMPARE(f.dialogs.count(odd), 1);
        QCOMPARE(readAll(file), library(1, songs));
        f.quit();
        QCOMPARE(f.dialogs.count(odd), 1);
        QCOMPARE(readAll(file), library(1, songs));
    }

    void emptyLibraryAtStartTakesNewEntries()
    {
        PlayerFixture f;
        const QString file = f.dir() + "/Empty.mfl";
        writeAll(file, {});
        f.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &m = f.start();
        QCOMPARE(m.controls().Label5->text(), QStringLiteral("Empty (Empty)"));
        const QStringList songs = f.songs({"n.mid"});
        m.addFiles(songs);
        f.quit();
        QCOMPARE(readAll(file), library(0, songs));
    }

    void saveCommandEdges()
    {
        PlayerFixture f;
        Midi &m = f.start();
        m.cmdSave_Click();
        QCOMPARE(f.dialogs.count("No entries in playlist to save"), 1);
        QVERIFY(f.dialogs.fileAsks.isEmpty());
        m.addFiles(f.songs({"a.mid"}));
        m.cmdSave_Click();   // cancelled: nothing written, nothing said
        QCOMPARE(f.dialogs.fileAsks.last().initial, m.dataDir() + "New Library.mfl");
        QVERIFY(m.libFile().isEmpty());
        // A folder that vanished: the user is told, nothing is half written.
        f.dialogs.saveResults << f.dir() + "/gone/x.mfl";
        m.cmdSave_Click();
        QVERIFY(f.dialogs.shown("could not be saved"));
        QVERIFY(!QFileInfo::exists(f.dir() + "/gone"));
    }

    void newLibraryNeverOverwritesThePrevious()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"a.mid", "b.mid"});
        const QString file = f.dir() + "/Old.mfl";
        writeAll(file, library(0, {songs[0]}));
        f.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &m = f.start();
        m.cmdNew_Click();
        QCOMPARE(m.controls().Label5->text(), QStringLiteral("New Library (Empty)"));
        QCOMPARE(m.controls().Label4->text(), QStringLiteral("Midi Library: New Library"));
        m.cmdOpen_Click();   // cancelled: the new list stays
        QCOMPARE(m.controls().Label5->text(), QStringLiteral("New Library (Empty)"));
        m.addFiles({songs[1]});
        f.quit();
        QCOMPARE(readAll(file), library(0, {songs[0]}));
        // The new list went to the data folder under a free name.
        const QString saved = m.dataDir() + "New Library.mfl";
        QCOMPARE(readAll(saved), library(0, {songs[1]}));
        QCOMPARE(f.settings->GetValue(AppInfo::AppletSection(), "MidiLib", ""), saved);
    }

    void clearKeepsTheFile()
    {
        PlayerFixture f;
        const QStringList songs = f.songs({"a.mid"});
        const QString file = f.dir() + "/K.mfl";
        writeAll(file, library(0, songs));
        f.settings->SetValue(AppInfo::AppletSection(), "MidiLib", file);
        Midi &m = f.start();
        m.cmdClear_Click();
        QCOMPARE(m.controls().Label5->text(), QStringLiteral("K (Empty)"));
        QCOMPARE(m.controls().Label3->text(), QStringLiteral("Total: 0:00 "));
        QCOMPARE(m.mediaControl()->mode(), SequencerDevice::Mode::NotOpen);
        f.quit();
        QCOMPARE(readAll(file), library(0, songs));
    }

    void oddPathsSurviveARoundTrip()
    {
        PlayerFixture f;
        QDir().mkpath(f.dir() + "/data/Ünï, cöde");
        const QStringList songs = f.songs({"Ünï, cöde/a b, c.mid", QString(200, 'n') + ".mid"});
        Midi &m = f.start();
        m.addFiles(songs);
        m.addFiles({f.dir() + "/bad\"name.mid"});
        QVERIFY(f.dialogs.shown("bad\"name.mid"));
        const QString file = f.dir() + "/Odd.mfl";
        f.dialogs.saveResults << file;
        m.cmdSave_Click();
        QCOMPARE(LibraryFile::read(file).paths, songs);
    }
};

QTEST_MAIN(TestPlayerLibrary)
#include "test_player_library.moc"
