#include "fakes/playerfixture.h"
#include "testenv.h"
#include <QtTest>
#include <QtWidgets>

// On a screen scaled 2x every picture of the strip has the pixels to fill
// its place, instead of a 1x picture blown up.
class TestPlayerHiDpi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void picturesHaveTheirPixels_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Prev", "Next", "Play", "Pause", "Stop", "cmdVolume", "cmdExpand", "cmdHelp",
                                 "cmdHide", "cmdQuit", "cmdAdd", "cmdRemove", "Image1", "Image2"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void picturesHaveTheirPixels()
    {
        QFETCH(QString, name);
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        PlayerFixture f;
        Midi &m = f.start();
        QWidget *w = m.findChild<QWidget *>(name);
        QVERIFY(w);
        int source = 0, shown = 0;
        if (auto *label = qobject_cast<QLabel *>(w)) {
            source = label->pixmap().width();
            shown = label->width();   // scaled to the label
        } else if (auto *button = qobject_cast<QToolButton *>(w)) {
            for (const QSize &s : button->icon().availableSizes())
                source = qMax(source, s.width());
            shown = button->icon().actualSize(button->iconSize()).width();
        }
        QVERIFY(shown > 0);
        QVERIFY2(source >= 2 * shown, qPrintable(QStringLiteral("%1 px for %2 px").arg(source).arg(2 * shown)));
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestPlayerHiDpi test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_player_hidpi.moc"
