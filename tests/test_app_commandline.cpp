#include "app/commandline.h"
#include <QtTest>

using CommandLine::Action;
using CommandLine::Stage;

Q_DECLARE_METATYPE(CommandLine::Action)
Q_DECLARE_METATYPE(CommandLine::Stage)

// What the arguments ask for, and the paths as the running copy is given them.
class TestAppCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QList<QByteArray>>("args");
        QTest::addColumn<Stage>("stage");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QList<QByteArray>>("paths");
        using L = QList<QByteArray>;
        QTest::newRow("help") << L{"--help"} << Stage::BeforeQt << Action::Help << L{};
        QTest::newRow("short version") << L{"-v"} << Stage::BeforeQt << Action::Version << L{};
        QTest::newRow("version after a path") << L{"a.mid", "--version"} << Stage::AfterQt << Action::Version << L{};
        QTest::newRow("unknown option") << L{"--bogus", "a.mid"} << Stage::BeforeQt << Action::Error << L{};
        QTest::newRow("Qt option left to Qt") << L{"-platform", "offscreen"} << Stage::BeforeQt << Action::Run << L{};
        QTest::newRow("Qt option after Qt") << L{"-platform"} << Stage::AfterQt << Action::Error << L{};
        QTest::newRow("relative and absolute") << L{"a.mid", "sub/../b.mid", "/x/./c.mid"} << Stage::AfterQt
                                               << Action::Run << L{"/w/d/a.mid", "/w/d/b.mid", "/x/c.mid"};
        QTest::newRow("after --") << L{"--", "-v", "--help"} << Stage::AfterQt << Action::Run
                                  << L{"/w/d/-v", "/w/d/--help"};
        QTest::newRow("file URL in bytes") << L{"file:///m/a%20b%FF.mid", "FILE://localhost/m/c.mid"} << Stage::AfterQt
                                           << Action::Run << L{"/m/a b\xff.mid", "/m/c.mid"};
        QTest::newRow("other addresses as given") << L{"http://host/a.mid", "file://far/a.mid"} << Stage::AfterQt
                                                  << Action::Run << L{"http://host/a.mid", "file://far/a.mid"};
        QTest::newRow("any bytes") << L{"/m/new\nline \"q\" \xfe.mid"} << Stage::AfterQt << Action::Run
                                   << L{"/m/new\nline \"q\" \xfe.mid"};
    }

    void parse()
    {
        QFETCH(QList<QByteArray>, args);
        QFETCH(Stage, stage);
        QFETCH(Action, action);
        QFETCH(QList<QByteArray>, paths);
        const CommandLine::Request r = CommandLine::parse(QList<QByteArray>{"lyrabox"} + args, "/w/d", stage);
        QCOMPARE(r.action, action);
        QCOMPARE(r.error.isEmpty(), action != Action::Error);
        QCOMPARE(r.paths, paths);
    }
};

QTEST_GUILESS_MAIN(TestAppCommandLine)
#include "test_app_commandline.moc"
