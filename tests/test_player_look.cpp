#include "about/frmabout.h"
#include "about/frmaboutsoft.h"
#include "fakes/fakemixer.h"
#include "fakes/playerfixture.h"
#include "player/headinglabel.h"
#include "testenv.h"
#include "volume/midivol.h"
#include <QtTest>
#include <QtWidgets>

namespace {

// Opens the library `name` with `entries` songs; 0: an empty file; -1: a first line only.
void openLibrary(PlayerFixture &f, const QString &name, int entries)
{
    QByteArray bytes = entries == 0 ? "" : "0\r\n";
    for (int i = 0; i < entries; ++i)
        bytes += '"' + f.songs({QStringLiteral("s%1.mid").arg(i)}).first().toUtf8() + "\"\r\n";
    QFile out(f.dir() + u'/' + name + QStringLiteral(".mfl"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    out.close();
    f.dialogs.openResults << out.fileName();
    f.midi->controls().cmdOpen->click();
}

// The captions of a window that do not fit their controls (word-wrapped labels: by height).
QStringList cutOff(QWidget *window)
{
    QStringList bad;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(w);
        auto *heading = qobject_cast<HeadingLabel *>(w);
        auto *button = qobject_cast<QAbstractButton *>(w);
        auto *tool = qobject_cast<QToolButton *>(w);
        QString text = heading ? heading->shownText() : label ? label->text() : button ? button->text() : QString();
        if (text.isEmpty() || (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly))
            continue;
        text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
        const QFontMetrics fm = w->fontMetrics();
        const QStringList lines = text.split(u'\n');
        int need = 0, needHigh = lines.size() == 1 ? fm.height() : int(lines.size()) * fm.lineSpacing();
        for (const QString &line : lines)
            need = std::max(need, fm.horizontalAdvance(line));
        QStyleOptionButton opt;
        opt.initFrom(w);
        opt.text = text;
        QRect room = label ? label->contentsRect() : w->rect().adjusted(1, 1, -1, -1);
        if (qobject_cast<QPushButton *>(w)) {
            room = w->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, w);
            need += w->style()->pixelMetric(QStyle::PM_ButtonMargin, &opt, w);
        } else if (qobject_cast<QCheckBox *>(w)) {
            room = w->style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, w);
        }
        if (label && label->wordWrap())
            std::tie(need, needHigh) = std::pair(0, label->heightForWidth(label->width()));
        if (need > room.width() || needHigh > room.height())
            bad << QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                       .arg(w->objectName(), text)
                       .arg(need)
                       .arg(needHigh)
                       .arg(room.width())
                       .arg(room.height());
    }
    return bad;
}

int pixelsOf(const QImage &img, const QRect &r, const QColor &c)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixelColor(x, y).rgb() == c.rgb();
    return n;
}

}   // namespace

class TestPlayerLook : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestEnv::setUp(); }

    void captionsFit_data()
    {
        QTest::addColumn<QString>("window");
        for (const char *w : {"player", "player, long library", "volume", "about", "software notice"})
            QTest::newRow(w) << QString::fromLatin1(w);
    }
    void captionsFit()
    {
        QFETCH(QString, window);
        PlayerFixture f;
        f.services.makeMixer = [] { return std::make_unique<FakeMixer>(QStringList{"Main", "PCM"}); };
        Midi &m = f.start();
        std::unique_ptr<QWidget> other;
        if (window == "player, long library")
            openLibrary(f, QStringLiteral("Classical Favourites Collection"), 12);
        else if (window == "volume")
            other = std::make_unique<MidiVol>(f.services, nullptr, QPoint());
        else if (window == "about")
            other = std::make_unique<frmAbout>(f.services, &m);
        else if (window == "software notice")
            other = std::make_unique<frmAboutSoft>(f.services, &m);
        if (other)
            other->show();
        const QStringList bad = cutOff(other ? other.get() : &m);
        QVERIFY2(bad.isEmpty(), qPrintable(bad.join(u'\n')));
    }
    // On a screen scaled 2x every picture of the strip has the pixels to fill its place, instead of a 1x
    // picture blown up.
    void picturesHaveTheirPixels()
    {
        if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QSKIP("runs in the scaled run of atDoubleScale");
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        PlayerFixture f;
        Midi &m = f.start();
        QStringList blownUp;
        for (const char *name : {"Prev", "Next", "Play", "Pause", "Stop", "cmdVolume", "cmdExpand", "cmdHelp",
                                 "cmdHide", "cmdQuit", "cmdAdd", "cmdRemove", "Image1", "Image2"}) {
            QWidget *w = m.findChild<QWidget *>(QLatin1String(name));
            QVERIFY2(w, name);
            int source = 0, shown = 0;
            if (auto *label = qobject_cast<QLabel *>(w)) {
                source = label->pixmap().width();
                shown = label->width();   // scaled to the label
            } else if (auto *button = qobject_cast<QToolButton *>(w)) {
                for (const QSize &s : button->icon().availableSizes())
                    source = qMax(source, s.width());
                shown = button->icon().actualSize(button->iconSize()).width();
            }
            if (shown <= 0 || source < 2 * shown)
                blownUp << QStringLiteral("%1: %2 px for %3 px").arg(QLatin1String(name)).arg(source).arg(2 * shown);
        }
        QVERIFY2(blownUp.isEmpty(), qPrintable(blownUp.join(u'\n')));
    }
    void atDoubleScale()
    {
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QSKIP("this run is scaled already");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("captionsFit"), QStringLiteral("picturesHaveTheirPixels")});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }

    void longHeadingKeepsItsCount_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::newRow("count") << 12 << QString() << ": 12 files";
        QTest::newRow("empty") << 0 << QString() << " (Empty)";
        QTest::newRow("opening") << -1 << "Opening " << QString();
    }
    void longHeadingKeepsItsCount()
    {
        QFETCH(int, entries);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const QString name = QStringLiteral("Classical Favourites Collection");
        PlayerFixture f;
        auto *h = qobject_cast<HeadingLabel *>(f.start().controls().Label5);
        QVERIFY(h);
        openLibrary(f, name, entries);
        QCOMPARE(h->text(), before + name + after);   // whole for whoever reads it
        const QString shown = h->shownText();
        QVERIFY(h->fontMetrics().horizontalAdvance(shown) <= h->contentsRect().width());
        QVERIFY2(shown.startsWith(before + "Cla") && shown.endsWith("ion" + after) && shown.contains(QChar(0x2026)),
                 qPrintable(shown));
    }

    void interludeArrows_data()
    {
        QTest::addColumn<QColor>("back");
        QTest::addColumn<bool>("white");
        QTest::newRow("white on green") << QColor(20, 140, 60) << true;
        QTest::newRow("black on yellow") << QColor(230, 200, 40) << false;
    }
    void interludeArrows()
    {
        QFETCH(QColor, back);
        QFETCH(bool, white);
        PlayerFixture f;
        Midi &m = f.start();
        f.dialogs.answers << Dialogs::Answer::No << (white ? Dialogs::Answer::Yes : Dialogs::Answer::No);
        f.dialogs.colorResults << back;
        m.controls().cmdColor->click();
        f.dialogs.answers << Dialogs::Answer::No;   // then the colour dialog is cancelled: nothing changes
        m.controls().cmdColor->click();
        QCOMPARE(f.dialogs.messages.first().title, "QuillMidi");
        QCOMPARE(std::tuple(m.playerColor(), m.textColor(), m.lightCorners()),
                 std::tuple(qint64(back.red() | back.green() << 8 | back.blue() << 16), white ? 0xFFFFFF : 0, white));
        QCOMPARE(m.controls().UpDown1->geometry(), QRect(212, 24, 16, 17));
        const QImage img = m.controls().UpDown1->grab().toImage();
        for (const QRect r : {QRect(0, 0, 16, 8), QRect(0, 9, 16, 8)}) {
            QVERIFY2(pixelsOf(img, r, white ? Qt::white : Qt::black) >= 3, "an arrow in the text colour");
            QVERIFY2(pixelsOf(img, r, back) * 3 >= r.width() * r.height(), "a button in the player colour");
        }
        m.controls().txtPause->setText(QStringLiteral("5"));
        QTest::mouseClick(m.controls().UpDown1, Qt::LeftButton, {}, QPoint(8, 3));
        QCOMPARE(m.controls().txtPause->text(), QStringLiteral("6"));
        QTest::mouseClick(m.controls().UpDown1, Qt::LeftButton, {}, QPoint(8, 14));
        QTest::mouseClick(m.controls().UpDown1, Qt::LeftButton, {}, QPoint(8, 14));
        QCOMPARE(m.controls().txtPause->text(), QStringLiteral("4"));
    }

    // A left press on a handle drags the window until the release.
    void onlyHandlesDrag_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("right");   // the right button
        QTest::addColumn<bool>("drags");
        for (const char *handle : {"Label1", "Label4", "Label5", "Label6", "Image2", "SSPanel1", "SSPanel2"})
            QTest::newRow(handle) << QString::fromLatin1(handle) << false << true;
        for (const char *other : {"Label8", "UpDown1", "txtPause", "File1", "cmdSave"})
            QTest::newRow(other) << QString::fromLatin1(other) << false << false;
        QTest::newRow("Label1, right button") << "Label1" << true << false;
    }
    void onlyHandlesDrag()
    {
        QFETCH(QString, control);
        QFETCH(bool, right);
        QFETCH(bool, drags);
        PlayerFixture f;
        Midi &m = f.start();
        m.moveTw(1500, 1500);
        const QPoint start = m.pos();
        auto *w = m.findChild<QWidget *>(control);
        QPoint at = control.startsWith("SSPanel") ? QPoint(3, 3) : w->rect().center();
        QWidget *target = w->childAt(at) ? w->childAt(at) : w;   // where a real press lands
        const Qt::MouseButton b = right ? Qt::RightButton : Qt::LeftButton;
        // A move carries the held button, as during a real drag.
        const auto send = [&](QWidget *to, QEvent::Type type, QPoint local, QPoint global) {
            QMouseEvent e(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : b,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : b, Qt::NoModifier);
            QApplication::sendEvent(to, &e);
        };
        send(target, QEvent::MouseButtonPress, target->mapFrom(w, at), {300, 300});
        send(m.controls().SSPanel2, QEvent::MouseMove, {5, 5}, {340, 320});
        send(m.controls().SSPanel2, QEvent::MouseButtonRelease, {5, 5}, {340, 320});
        send(m.controls().SSPanel2, QEvent::MouseMove, {5, 5}, {400, 400});
        QCOMPARE(m.pos(), drags ? start + QPoint(40, 20) : start);
    }
};

QTEST_MAIN(TestPlayerLook)
#include "test_player_look.moc"
