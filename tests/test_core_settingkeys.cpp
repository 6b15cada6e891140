#include "components/core/settingkeys.h"
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

namespace {
QString fullName(const Setting &s)
{
    return s.section() + QLatin1Char('\\') + s.keyText();
}

// The README's table of settings set by hand, each as "Section\Key". The
// sentence above it names the usual section; a row may name another.
QStringList readmeSettings(QString *why)
{
    QFile f(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../README.md"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *why = f.errorString();
        return {};
    }
    const QString text = QString::fromUtf8(f.readAll());
    const auto intro = QRegularExpression(QStringLiteral(R"(set by hand, in the `\[(\w+)\]` section as `(\w+)\\Name)"))
                           .match(text);
    if (!intro.hasMatch()) {
        *why = QStringLiteral("no table of settings set by hand");
        return {};
    }
    const QString family = intro.captured(1);
    const QRegularExpression row(QStringLiteral(R"(^\| `(\w+)`(?: \(in `(\w+)\\`\))? \|)"));
    QStringList names;
    const QStringList lines = text.mid(intro.capturedEnd()).split(QLatin1Char('\n'));
    for (const QString &line : lines.mid(1)) {   // the rest of the sentence
        if (!line.startsWith(QLatin1Char('|')) && !names.isEmpty())
            break;
        const auto m = row.match(line);
        if (m.hasMatch())
            names << family + QLatin1Char('\\') + (m.hasCaptured(2) ? m.captured(2) : intro.captured(2))
                         + QLatin1Char('\\') + m.captured(1);
    }
    return names;
}
}

class TestCoreSettingKeys : public QObject {
    Q_OBJECT
private slots:
    // Both ways: a row the program no longer reads, or a hand-set key no row explains.
    void readmeListsTheHandSetSettings()
    {
        QString why;
        const QStringList rows = readmeSettings(&why);
        QVERIFY2(!rows.isEmpty(), qPrintable(why));
        const QSet<QString> listed(rows.cbegin(), rows.cend());
        QSet<QString> handSet;
        for (const Setting &s : Settings::All) {
            if (s.byHand)
                handSet << fullName(s);
        }
        const QString diff = QStringLiteral("README only: %1; table only: %2")
                                 .arg(QStringList((listed - handSet).values()).join(QLatin1Char(' ')),
                                      QStringList((handSet - listed).values()).join(QLatin1Char(' ')));
        QVERIFY2(listed == handSet, qPrintable(diff));
    }

    // Two names for one stored value would overwrite each other.
    void everySettingHasItsOwnPlace()
    {
        QSet<QString> seen;
        for (const Setting &s : Settings::All) {
            QVERIFY2(!seen.contains(fullName(s).toLower()), qPrintable(fullName(s)));
            seen.insert(fullName(s).toLower());
        }
        QCOMPARE(seen.size(), int(Settings::All.size()));
    }
};

QTEST_GUILESS_MAIN(TestCoreSettingKeys)
#include "test_core_settingkeys.moc"
