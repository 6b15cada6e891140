#include "playback/core/soundbank.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestCoreSoundBank : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    // The smallest file whose header says it is a whole SoundFont; cut short by one byte when damaged.
    void put(const QString &name, bool damaged = false) const
    {
        QFile f(m_dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("RIFF\x04\0\0\0sfbk", 12).chopped(damaged ? 1 : 0));
    }

private slots:
    // files: what the sf2 folder holds ("-" = unreadable, "/" = folder, "!" = cut short);
    // setting relative to the temporary folder unless absolute.
    void find_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected");
        const QStringList all{"b.sf2", "a.sf2", "default-GM.sf2", "own/mine.sf2"};
        const auto row = [](const char *tag, const QStringList &files, const char *setting, const char *expected) {
            QTest::newRow(tag) << files << QString(setting) << QString(expected);
        };
        row("setting wins", all, "own/mine.sf2", "own/mine.sf2");
        row("setting missing", all, "own/gone.sf2", "default-GM.sf2");
        row("setting is a folder", all, "own", "default-GM.sf2");
        row("setting cut short", {"!own/mine.sf2", "a.sf2"}, "own/mine.sf2", "a.sf2");
        row("damaged default skipped", {"!default-GM.sf2", "!a.sf2", "b.sf2"}, "", "b.sf2");
        row("setting empty", all, "", "default-GM.sf2");
        row("first by name", {"b.sf2", "a.sf2"}, "", "a.sf2");
        row("upper-case extension", {"Z.SF2"}, "", "Z.SF2");
        row("unreadable skipped", {"-a.sf2", "b.sf2"}, "", "b.sf2");
        row("folder named sf2 skipped", {"/a.sf2", "c.sf2"}, "", "c.sf2");
        row("hidden skipped", {".a.sf2"}, "", "");
        row("other files only", {"readme.txt", "x.sf3"}, "", "");
        row("nothing", {}, "", "");
    }
    void find()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        QDir root(m_dir.path());
        QVERIFY(root.removeRecursively() && root.mkpath(QStringLiteral("sf2/own")));
        const QString folder = m_dir.filePath(QStringLiteral("sf2"));
        for (QString name : files) {
            const QChar kind = name.at(0);
            if (kind == '-' || kind == '/' || kind == '!')
                name.remove(0, 1);
            const QString path = "sf2/" + name;
            if (kind == '/') {
                QVERIFY(root.mkpath(path));
                continue;
            }
            put(path, kind == '!');
            if (kind == '-') {
                QFile::setPermissions(m_dir.filePath(path), QFileDevice::WriteOwner);
                if (QFileInfo(m_dir.filePath(path)).isReadable())
                    QSKIP("this account reads every file");
            }
        }
        const QString abs = setting.isEmpty() ? setting : folder + "/" + setting;
        const QString found = findSoundBank(abs, folder);
        QCOMPARE(found, expected.isEmpty() ? expected : folder + "/" + expected);
    }
};

QTEST_GUILESS_MAIN(TestCoreSoundBank)
#include "test_core_soundbank.moc"
