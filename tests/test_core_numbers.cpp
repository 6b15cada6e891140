#include "app/core/numbers.h"
#include "app/core/terminal.h"
#include "app/core/texts.h"
#include "components/core/beside.h"
#include "components/core/settingkeys.h"
#include "components/core/settingsstore.h"
#include "components/core/systemtools.h"
#include <QtTest>
#include <unistd.h>

namespace {
QString fullName(const Setting &s)
{
    return s.section() + QLatin1Char('\\') + s.keyText();
}

// The README's table of settings set by hand, each as "Section\Key". The
// sentence above it names the usual section; a row may name another.
QStringList readmeSettings()
{
    QFile f(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../README.md"));
    const QString text = f.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(f.readAll()) : QString();
    const auto intro = QRegularExpression(
                           QStringLiteral(R"(set by hand, in the `\[(\w+)\]` section as `(\w+)\\Name[^\n]*\n\n)"))
                           .match(text);
    const QString table = text.mid(intro.hasMatch() ? intro.capturedEnd() : text.size())
                              .section(QStringLiteral("\n\n"), 0, 0);
    static const QRegularExpression row(QStringLiteral(R"(^\| `(\w+)`(?: \(in `(\w+)\\`\))? \|)"),
                                        QRegularExpression::MultilineOption);
    QStringList names;
    for (const auto &m : row.globalMatch(table))
        names << intro.captured(1) + QLatin1Char('\\') + (m.hasCaptured(2) ? m.captured(2) : intro.captured(2))
                     + QLatin1Char('\\') + m.captured(1);
    return names;
}
}

class TestCoreNumbers : public QObject {
    Q_OBJECT
private slots:
    void settingToNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("want");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("False") << "False" << 0.0;
        QTest::newRow("false is not False") << "false" << 0.0;
        QTest::newRow("True") << "True" << 1.0;
        QTest::newRow("hex colour") << "&H00808080&" << 8421504.0;
        QTest::newRow("hex lower") << "&hff" << 255.0;
        QTest::newRow("hex system colour") << "&H8000000F&" << double(qint32(0x8000000F));
        QTest::newRow("hex short is 16-bit") << "&HFFFF" << -1.0;
        QTest::newRow("leading number") << "12abc" << 12.0;
        QTest::newRow("negative") << "-7" << -7.0;
        QTest::newRow("garbage") << "abc" << 0.0;
        QTest::newRow("fraction and exponent") << "2.5e2x" << 250.0;
        QTest::newRow("dangling exponent") << "3e" << 3.0;
        QTest::newRow("comma is not a decimal point") << "2,5" << 2.0;
        QTest::newRow("nan") << "nan" << 0.0;
        QTest::newRow("inf") << "inf" << 0.0;
        QTest::newRow("too big for float") << "1e300" << 0.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("4 Mi digits, read in one scan") << QString(4 * 1024 * 1024, '7') + 'x' << 0.0;
    }
    void settingToNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, want);
        QCOMPARE(double(SettingToNumber(text)), double(float(want)));
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("v");
        QTest::addColumn<qint64>("want");
        QTest::newRow("2.5") << 2.5 << qint64(2);
        QTest::newRow("3.5") << 3.5 << qint64(4);
        QTest::newRow("-2.5") << -2.5 << qint64(-2);
        QTest::newRow("200.4") << 200.4 << qint64(200);
        QTest::newRow("nan") << std::nan("") << qint64(0);
    }
    void roundHalfEven()
    {
        QFETCH(double, v);
        QTEST(RoundHalfEven(v), "want");
    }

    void texts_data()
    {
        QTest::addColumn<QString>("got");   // worked out here, compared in texts()
        QTest::addColumn<QString>("want");
        QTest::newRow("total 187 s") << Texts::total(187) << "Total: 3:07 ";
        QTest::newRow("time 5 s") << Texts::time(5) << "Time: 0:05";
        QTest::newRow("time 12:40") << Texts::time(760) << "Time: 12:40";
        QTest::newRow("name") << Texts::selectionName("my song.mid") << "My song";
        QTest::newRow("23 whole") << Texts::selectionName(QString(23, 'a') + ".mid") << "A" + QString(22, 'a');
        QTest::newRow("24 cut") << Texts::selectionName(QString(24, 'a') + ".mid") << "A" + QString(19, 'a') + "...";
        QTest::newRow("short name whole") << Texts::selectionName("a.mi") << "A.mi";
        QTest::newRow("library name") << Texts::libraryName("/m/Party.mfl") << "Party";
        QTest::newRow("library upper") << Texts::libraryName("/m/Party.MFL") << "Party";
        QTest::newRow("typed without extension") << Texts::libraryName("/m/Favourites") << "Favourites";
        QTest::newRow("heading") << Texts::libraryHeading("Party", 12) << "Party: 12 files";
        QTest::newRow("25 letters at 10 pt") << QString::number(Texts::headingPointSize(QString(25, 'x'))) << "10";
        QTest::newRow("26 letters at 8 pt") << QString::number(Texts::headingPointSize(QString(26, 'x'))) << "8";
        QTest::newRow("folder part") << SystemTools::SplitPath("/a/b/c.mid", true) << "/a/b/";
        QTest::newRow("file part") << SystemTools::SplitPath("/a/b/c.mid", false) << "c.mid";
        QTest::newRow("root join") << SystemTools::JoinPath("/", "x.mid") << "/x.mid";
        QTest::newRow("double slash join") << SystemTools::JoinPath("/a//", "x.mid") << "/a/x.mid";
    }
    void texts()
    {
        QFETCH(QString, got);
        QTEST(got, "want");
    }

    // What reaches stderr: one line whatever the text holds, never a terminal command.
    void tellTerminal_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QByteArray>("want");
        const auto row = [](const char *tag, const QString &text, const char *prefix, const QByteArray &want) {
            QTest::newRow(tag) << text << QString(prefix) << want;
        };
        row("plain", "File x.mid not found.", "lyrabox", "lyrabox: File x.mid not found.\n");
        row("tool prefix", "a.mid: no", "lyrabox-render", "lyrabox-render: a.mid: no\n");
        row("no prefix", "Try it.", "", "Try it.\n");
        row("line breaks", "a\nb\r\nc", "p", "p: a\\nb\\r\\nc\n");
        row("tab, escape, NUL", QString("\t\x1b[2J") + QChar(0), "p", "p: \\t\\x1b[2J\\x00\n");
        row("DEL, C1", QString("\x7f") + QChar(0x9b), "p", "p: \\x7f\\x9b\n");
        row("separator, override", QString(QChar(0x2028)) + QChar(0x202e), "p", "p: \\u2028\\u202e\n");
        row("letters kept", QString::fromUtf8("Caf\u00e9 \u266a \\ \U0001f3b5"), "p",
            "p: Caf\xc3\xa9 \xe2\x99\xaa \\ \xf0\x9f\x8e\xb5\n");
        row("lone surrogate", QString(QChar(0xd800)) + "x", "p", "p: \\ud800x\n");
        row("name not UTF-8", QFile::decodeName("caf\xe9\n.mid"), "p", "p: caf\xef\xbf\xbd\\n.mid\n");
    }
    void tellTerminal()
    {
        QFETCH(QString, text);
        QFETCH(QString, prefix);
        QTemporaryFile file;
        QVERIFY(file.open());
        const int saved = ::dup(STDERR_FILENO);
        ::dup2(file.handle(), STDERR_FILENO);
        ::tellTerminal(text, prefix);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        QVERIFY(file.seek(0));
        QTEST(file.readAll(), "want");
    }

    // A window of 400 x 500 beside a player of 300 x 40 on a desk of 800 x 800: below, above, right or left,
    // the first side where it is whole on the desk and leaves the player free; else below, on the desk.
    void besidePlayer_data()
    {
        QTest::addColumn<QRect>("player");
        QTest::addColumn<QPoint>("at");
        QTest::newRow("top left: below") << QRect(0, 0, 300, 40) << QPoint(0, 40);
        QTest::newRow("bottom right: above") << QRect(500, 760, 300, 40) << QPoint(400, 260);
        QTest::newRow("right edge, half way down: left") << QRect(500, 380, 300, 40) << QPoint(100, 300);
        QTest::newRow("no room: below") << QRect(0, 0, 800, 800) << QPoint(0, 300);
    }
    void besidePlayer()
    {
        QFETCH(QRect, player);
        QTEST(::besidePlayer(player, QSize(400, 500), QRect(0, 0, 800, 800)), "at");
    }

    // Values kept as text, each section its own group; a list typed by hand reads back as typed.
    void settingsStore()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("s.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[Quillon]\nApplets\\List=a, b\n") > 0);
        f.close();
        SettingsStore s(f.fileName());
        const QString applets = "Quillon\\Applets";
        s.SetValue(applets, "Pos", 1234.5f);
        s.SetValue(applets, "Update", "applet");
        s.SetValue("Quillon", "Update", "family");
        QVERIFY(s.Flush());
        const QStringList got{s.GetValue(applets, "List", "x"), s.GetValue(applets, "Pos", "x"),
                              s.GetValue(applets, "Update", "x"), s.GetValue("Quillon", "Update", "x"),
                              s.GetValue(applets, "Never", "0")};
        QCOMPARE(got, QStringList({"a, b", "1234.5", "applet", "family", "0"}));
        QVERIFY(f.open(QIODevice::ReadOnly) && !f.readAll().contains("@Variant"));
    }

    // Both ways: a row the program no longer reads, or a hand-set key no row explains. And two names for one
    // stored value would overwrite each other.
    void readmeListsTheHandSetSettings()
    {
        const QStringList rows = readmeSettings();
        QVERIFY2(!rows.isEmpty(), "no table of settings set by hand in the README");
        const QSet<QString> listed(rows.cbegin(), rows.cend());
        QSet<QString> handSet, seen;
        for (const Setting &s : Settings::All) {
            QVERIFY2(!seen.contains(fullName(s).toLower()), qPrintable(fullName(s)));
            seen << fullName(s).toLower();
            if (s.byHand)
                handSet << fullName(s);
        }
        const QString diff = QStringLiteral("README only: %1; table only: %2")
                                 .arg(QStringList((listed - handSet).values()).join(QLatin1Char(' ')),
                                      QStringList((handSet - listed).values()).join(QLatin1Char(' ')));
        QVERIFY2(listed == handSet, qPrintable(diff));
    }
};

QTEST_GUILESS_MAIN(TestCoreNumbers)
#include "test_core_numbers.moc"
