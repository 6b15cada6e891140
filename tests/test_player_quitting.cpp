// Ending the program while a handler waits on a box or dialog.
#include "fakes/playerfixture.h"
#include "playback/core/mediaerrors.h"
#include "testenv.h"
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestPlayerQuitting : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    // The close comes while the n-th ask of the handler is open; no ask may follow it.
    void endWhileWaiting_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<int>("closeAtAsk");
        QTest::addColumn<QList<Dialogs::Answer>>("answers");
        QTest::newRow("open error box") << u"open"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("default colour question") << u"color"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("colour dialog") << u"color"_s << 2 << QList<Dialogs::Answer>{Dialogs::Answer::No};
        QTest::newRow("white text question") << u"color"_s << 3 << QList<Dialogs::Answer>{Dialogs::Answer::No};
        QTest::newRow("open library dialog") << u"library"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("save library dialog") << u"save"_s << 1 << QList<Dialogs::Answer>{};
        QTest::newRow("about window") << u"about"_s << 0 << QList<Dialogs::Answer>{};
    }
    void endWhileWaiting()
    {
        QFETCH(QString, handler);
        QFETCH(int, closeAtAsk);
        QFETCH(QList<Dialogs::Answer>, answers);
        PlayerFixture f;
        f.device.openErrors.insert(u"b.mid"_s, MediaError::InvalidFilename);
        Midi &m = f.startWith({u"a.mid"_s, u"b.mid"_s});
        f.dialogs.answers.append(answers);
        f.dialogs.colorResults << QColor(Qt::red);
        int asks = 0, asksAfterEnd = 0;
        bool ended = false;
        const auto end = [&] {
            ended = true;
            m.endBySystem();
        };
        f.dialogs.onAsk = [&](const QString &) {
            asksAfterEnd += ended ? 1 : 0;
            if (++asks == closeAtAsk)
                end();
        };
        QElapsedTimer t;
        t.start();
        if (handler == u"open") {
            m.playSession()->setSelIndex(1);
            m.playSession()->openEntry();
        } else if (handler == u"color") {
            m.controls().cmdColor->click();
        } else if (handler == u"library") {
            m.controls().cmdOpen->click();
        } else if (handler == u"save") {
            m.controls().cmdSave->click();
        } else {
            QTimer::singleShot(300, &m, end);
            m.controls().cmdAbout->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(m.unloaded(), 1000);
        QVERIFY2(t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(asksAfterEnd, 0);
        QVERIFY(!m.isVisible());
        // Saved once, as the quit button saves.
        QCOMPARE(f.settings->GetValue(u"Quillon\\Applets"_s, u"MidiPause"_s, u"unset"_s), u"0"_s);
    }
};

QTEST_MAIN(TestPlayerQuitting)
#include "test_player_quitting.moc"
