#include "app/core/desktopid.h"
#include "components/core/settingkeys.h"
#include "testenv.h"
#include <QImage>
#include <QtTest>
#include <csignal>

// The program as a user installs it (`cmake --install build --prefix ~/.local`):
// the desktop files pass the desktop's own validators, and the installed
// program runs from its place without the build folder's help.
namespace {

struct Run {
    int code = -1;
    QByteArray output;   // standard output and error together
};

Run run(const QString &program, const QStringList &args,
        const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(), int timeoutMs = 20000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs))
        return {-1, p.errorString().toUtf8()};   // QProcess kills it on destruction
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAll()};
}

// The keys of the [Desktop Entry] group.
QHash<QString, QString> desktopEntry(const QString &path)
{
    QHash<QString, QString> keys;
    const QString text = QString::fromUtf8(TestEnv::readFile(path)).section(QStringLiteral("[Desktop Entry]\n"), 1);
    for (const QString &line : text.section(QStringLiteral("\n["), 0, 0).split(u'\n'))
        if (line.contains(u'='))
            keys.insert(line.section(u'=', 0, 0).trimmed(), line.section(u'=', 1).trimmed());
    return keys;
}

const QString Version =
    QStringLiteral("%1.%2.%3").arg(LYRABOX_VERSION_MAJOR).arg(LYRABOX_VERSION_MINOR).arg(LYRABOX_VERSION_PATCH);

}

class TestAppInstall : public QObject {
    Q_OBJECT
    QString m_prefix;
    QString m_share;

    QString desktopFile() const { return m_share + "/applications/" + AppInfo::DesktopId + ".desktop"; }

private slots:
    void initTestCase()
    {
        TestEnv::setUp();
        const QString tree = qEnvironmentVariable("LYRABOX_BUILD_TREE");
        if (tree.isEmpty())
            QSKIP("LYRABOX_BUILD_TREE is not set");
        m_prefix = TestEnv::root() + "/local";
        m_share = m_prefix + "/share";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DESTDIR");
        const Run r = run(qEnvironmentVariable("LYRABOX_CMAKE", "cmake"), {"--install", tree, "--prefix", m_prefix},
                          env);
        QVERIFY2(r.code == 0, r.output.constData());
    }

    // The installed program is large (debug information): leave no copy behind.
    void cleanupTestCase()
    {
        if (!m_prefix.isEmpty())
            QDir(m_prefix).removeRecursively();
    }

    // Errors and warnings fail; the validators' pedantic notes do not.
    void validatorsFindNothingWrong_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList{desktopFile()};
        QTest::newRow("metainfo") << "appstreamcli"
                                  << QStringList{"validate", "--no-net",
                                                 m_share + "/metainfo/" + AppInfo::DesktopId + ".metainfo.xml"};
        for (const char *page : {"lyrabox", "lyrabox-midiinfo", "lyrabox-render"})
            QTest::newRow(page) << "sh"
                                << QStringList{"-c", "man --warnings -l \"$1\" >/dev/null", "sh",
                                               m_share + "/man/man1/" + page + ".1.gz"};
    }

    void validatorsFindNothingWrong()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        const Run r = run(program, args);
        QVERIFY2(r.code == 0, r.output.constData());
        static const QRegularExpression bad(QStringLiteral("^[EW]: |error|warning"),
                                            QRegularExpression::MultilineOption
                                                | QRegularExpression::CaseInsensitiveOption);
        QVERIFY2(!QString::fromUtf8(r.output).contains(bad), r.output.constData());
    }

    // What a file manager asks: the type of a file, then who opens it.
    void desktopEntryOpensMidiAndLibraryFiles()
    {
        // The user's MIME database, where Qt and the desktop look for it.
        qputenv("XDG_DATA_HOME", m_share.toLocal8Bit());
        const Run updated = run("update-mime-database", {m_share + "/mime"});
        QVERIFY2(updated.code == 0 && updated.output.isEmpty(), updated.output.constData());
        const QStringList opens = desktopEntry(desktopFile()).value("MimeType").split(u';', Qt::SkipEmptyParts);
        for (const char *file : {"song.mid", "SONG.MID", "song.rmi", "songs.mfl"}) {
            const QMimeType type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension);
            QVERIFY2(opens.contains(type.name()), qPrintable(file + (u' ' + type.name())));
        }
    }

    void iconsComeInTheirSizes()
    {
        const QString icon = desktopEntry(desktopFile()).value("Icon");
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QCOMPARE(QImage(m_share + QStringLiteral("/icons/hicolor/%1x%1/apps/").arg(size) + icon + ".png").size(),
                     QSize(size, size));
        QVERIFY(QFile::exists(m_share + "/icons/hicolor/scalable/apps/" + icon + ".svg"));
    }

    // The release the metainfo names is the one the installed program says it is.
    void metainfoNamesThisRelease()
    {
        QFile f(m_share + "/metainfo/" + AppInfo::DesktopId + ".metainfo.xml");
        QVERIFY(f.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&f);
        QString newest, launchable;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("release") && newest.isEmpty())
                newest = xml.attributes().value("version").toString();
            else if (xml.name() == QLatin1String("launchable"))
                launchable = xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(newest, Version);
        const Run r = run(m_prefix + "/bin/lyrabox", {"--version"});   // the installed program says the same
        QVERIFY2(r.code == 0 && r.output.contains(Version.toUtf8()), r.output.constData());
        QVERIFY(QFile::exists(m_share + "/applications/" + launchable));
    }

    // Every option a program says it takes, every key of the settings file, and the other pages, as a reader
    // of the page sees them.
    void manualPagesNameEverything_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("names");
        static const QRegularExpression optionLine(QStringLiteral("^ +(-\\S.*?)(?:  |$)"),
                                                   QRegularExpression::MultilineOption);
        static const QRegularExpression option(QStringLiteral("--?[\\w-]+"));
        for (const QString program : {"lyrabox", "lyrabox-render"}) {
            const Run help = run(m_prefix + "/bin/" + program, {"--help"});
            QStringList names;
            for (const auto &line : optionLine.globalMatch(QString::fromUtf8(help.output)))
                for (const auto &name : option.globalMatch(line.captured(1)))
                    names << name.captured();
            QVERIFY2(names.contains("--help"), help.output.constData());
            if (program == "lyrabox")
                for (const Setting &s : Settings::All)
                    names << s.keyText();
            names << (program == "lyrabox" ? "lyrabox-render(1)" : "lyrabox(1)") << "lyrabox-midiinfo(1)";
            QTest::newRow(qPrintable(program)) << program << names;
        }
    }

    void manualPagesNameEverything()
    {
        QFETCH(QString, page);
        QFETCH(QStringList, names);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C");
        env.insert("MANWIDTH", "1000");   // no name broken over two lines
        const Run r = run("man", {"-l", m_share + "/man/man1/" + page + ".1.gz"}, env);
        QVERIFY2(r.code == 0, r.output.constData());
        QStringList missing;
        for (const QString &name : std::as_const(names))
            if (!QString::fromUtf8(r.output).contains(
                    QRegularExpression("(?<![\\w-])" + QRegularExpression::escape(name) + "(?![\\w-])")))
                missing << name;
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(' ')));
    }

    // The package as a user installs it: what the window system needs, no made-up addresses,
    // hardened, and lintian finds no error or warning.
    void debianPackage()
    {
        const QString cpack = QFileInfo(qEnvironmentVariable("LYRABOX_CMAKE", "cmake")).dir().filePath("cpack");
        const QString out = TestEnv::root() + "/package";
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DEBFULLNAME", "Lyrabox Tests");
        env.insert("DEBEMAIL", "tests@lyrabox.invalid");
        const Run pack = run(
            cpack,
            {"-G", "DEB", "--config", qEnvironmentVariable("LYRABOX_BUILD_TREE") + "/CPackConfig.cmake", "-B", out},
            env, 120000);
        QVERIFY2(pack.code == 0, pack.output.constData());
        const QString deb = out + "/" + QDir(out).entryList({"*.deb"}).value(0);
        const Run fields = run("dpkg-deb", {"-f", deb});
        QVERIFY2(fields.output.contains("Maintainer: Lyrabox Tests <tests@lyrabox.invalid>"),
                 fields.output.constData());
        QVERIFY2(
            QString::fromUtf8(fields.output)
                .contains(QRegularExpression("^Depends:.*\\bqt6-qpa-plugins\\b", QRegularExpression::MultilineOption)),
            fields.output.constData());
        const Run shipped = run("sh", {"-c",
                                       "dpkg-deb -x \"$1\" \"$2\" && find \"$2\"/usr/share -type f \\( -name '*.xml'"
                                       " -o -name '*.gz' -o -name '*.desktop' \\) -exec zcat -f {} +",
                                       "sh", deb, out + "/files"});
        QVERIFY(!shipped.output.isEmpty());
        for (const QByteArray &text : {fields.output, shipped.output})
            QVERIFY2(!text.contains("example."), text.constData());
        const Run lint = run("lintian", {deb}, QProcessEnvironment::systemEnvironment(), 180000);
        QVERIFY2(lint.code == 0
                     && !QString::fromUtf8(lint.output)
                             .contains(QRegularExpression("^[EW]: ", QRegularExpression::MultilineOption)),
                 lint.output.constData());
    }

    // Started from its desktop entry with a song only the installed samples
    // hold: it plays it, and copies the installed samples to the data folder.
    void startedFromTheDesktopEntryItPlays()
    {
        const QString media = m_share + "/lyrabox/Media/";
        const QString song = TestEnv::writeMidi(media + "installed-only.mid", 3000);
        QVERIFY(!song.isEmpty());
        const QString wav = TestEnv::root() + "/out.wav";
        QSettings s(TestEnv::root() + "/config/Veltrix/Quillon.conf", QSettings::IniFormat);
        s.setValue("Quillon/Applets/MidiAudioDriver", "file");
        s.setValue("Quillon/Applets/MidiAudioFile", wav);
        s.setValue("Quillon/Applets/MidiSoundFont", TestEnv::soundFont());
        s.sync();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &key : env.keys())
            if (key.startsWith("LYRABOX_"))
                env.remove(key);   // the tests' hooks into the build folder
        env.insert("PATH", m_prefix + "/bin:" + env.value("PATH"));

        QStringList exec = desktopEntry(desktopFile()).value("Exec").split(u' ', Qt::SkipEmptyParts);
        QVERIFY(!exec.isEmpty());
        QCOMPARE(QStandardPaths::findExecutable(exec.first(), {m_prefix + "/bin"}), m_prefix + "/bin/lyrabox");
        exec.replaceInStrings("%U", QUrl::fromLocalFile(song).toString());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(m_prefix + "/bin/" + exec.takeFirst(), exec);
        QVERIFY(p.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(TestEnv::peak(TestEnv::readWav(wav)) > 300, 15000);

        const QString data = TestEnv::documents() + "/Veltrix/Quillon/";
        const QStringList samples = QDir(media).entryList({"*.mid"}, QDir::Files);
        QVERIFY(samples.contains("installed-only.mid"));
        for (const QString &name : samples)
            QVERIFY2(TestEnv::readFile(data + name) == TestEnv::readFile(media + name), qPrintable(name));
        ::kill(pid_t(p.processId()), SIGTERM);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, 0);
    }
};

QTEST_GUILESS_MAIN(TestAppInstall)
#include "test_app_install.moc"
