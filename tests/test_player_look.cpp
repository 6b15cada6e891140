#include "about/frmabout.h"
#include "about/frmaboutsoft.h"
#include "app/core/texts.h"
#include "fakes/fakemixer.h"
#include "fakes/playerfixture.h"
#include "player/headinglabel.h"
#include "testenv.h"
#include "volume/midivol.h"
#include <QtTest>
#include <QtWidgets>

namespace {

// Opens a library named `name` through the open command: `entries` songs,
// none (an empty file) or, with -1, a first line and nothing after it.
void openLibrary(PlayerFixture &f, const QString &name, int entries)
{
    QStringList names;
    for (int i = 0; i < entries; ++i)
        names << QStringLiteral("song%1.mid").arg(i);
    QByteArray bytes = entries == 0 ? "" : "0\r\n";
    for (const QString &path : f.songs(names))
        bytes += '"' + path.toUtf8() + "\"\r\n";
    const QString file = f.dir() + u'/' + name + QStringLiteral(".mfl");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    out.close();
    f.dialogs.openResults << file;
    f.midi->cmdOpen_Click();
}

// The width (or, word-wrapped, the height) a caption needs, and what its control gives it.
struct Room {
    int need;
    int has;
};

Room roomOf(QWidget *w, const QString &text)
{
    const QFontMetrics fm = w->fontMetrics();
    int width = 0;
    for (const QString &line : text.split(u'\n'))
        width = std::max(width, fm.horizontalAdvance(line));
    const QStyle *s = w->style();
    QStyleOptionButton opt;
    opt.initFrom(w);
    opt.text = text;
    if (auto *l = qobject_cast<QLabel *>(w)) {
        if (l->wordWrap())
            return {l->heightForWidth(l->width()), l->height()};
        return {width, l->contentsRect().width() - 2 * l->margin()};
    }
    if (auto *b = qobject_cast<QPushButton *>(w)) {
        const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
        return {width + icon + s->pixelMetric(QStyle::PM_ButtonMargin, &opt, w),
                s->subElementRect(QStyle::SE_PushButtonContents, &opt, w).width()};
    }
    if (qobject_cast<QCheckBox *>(w))
        return {width, s->subElementRect(QStyle::SE_CheckBoxContents, &opt, w).width()};
    if (qobject_cast<QRadioButton *>(w))
        return {width, s->subElementRect(QStyle::SE_RadioButtonContents, &opt, w).width()};
    return {width, w->width() - 2 * s->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, w)};
}

// Every caption of the window that does not fit its control, with the figures.
QStringList cutOff(QWidget *window)
{
    QStringList bad;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        QString text;
        if (auto *h = qobject_cast<HeadingLabel *>(w))
            text = h->shownText();
        else if (auto *l = qobject_cast<QLabel *>(w))
            text = l->text();
        else if (auto *t = qobject_cast<QToolButton *>(w))
            text = t->toolButtonStyle() == Qt::ToolButtonIconOnly ? QString() : t->text();
        else if (auto *b = qobject_cast<QAbstractButton *>(w))
            text = b->text();
        text.remove(QRegularExpression(QStringLiteral("&(?!&)"))).replace(QStringLiteral("&&"), QStringLiteral("&"));
        if (text.isEmpty())
            continue;
        const Room r = roomOf(w, text);
        const auto *l = qobject_cast<QLabel *>(w);
        const int lines = int(text.count(u'\n')) + 1;
        const int height = lines == 1 ? w->fontMetrics().height() : lines * w->fontMetrics().lineSpacing();
        const int hasHeight = l ? l->contentsRect().height() : w->height();
        if (r.need > r.has || (!(l && l->wordWrap()) && height > hasHeight))
            bad << QStringLiteral("%1 \"%2\": needs %3 px across (has %4), %5 px high (has %6)")
                       .arg(w->objectName(), text).arg(r.need).arg(r.has).arg(height).arg(hasHeight);
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

} // namespace

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

    void captionsFitAtDoubleScale()
    {
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
            QSKIP("this run is scaled already");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("captionsFit")});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0, p.readAll().constData());
    }

    void longHeadingKeepsItsCount_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("entries");
        QTest::addColumn<QString>("caption");
        const QString longName = QStringLiteral("Classical Favourites Collection");
        QTest::newRow("short") << "Party" << 2 << "Party: 2 files";
        QTest::newRow("long") << longName << 12 << longName + ": 12 files";
        QTest::newRow("long, empty") << longName << 0 << longName + " (Empty)";
        QTest::newRow("long, opening") << longName << -1 << "Opening " + longName;
        QTest::newRow("one long word") << "Symphonies_and_Concertos_Complete" << 3
                                       << "Symphonies_and_Concertos_Complete: 3 files";
    }
    void longHeadingKeepsItsCount()
    {
        QFETCH(QString, name);
        QFETCH(int, entries);
        QFETCH(QString, caption);
        PlayerFixture f;
        Midi &m = f.start();
        openLibrary(f, name, entries);
        auto *h = qobject_cast<HeadingLabel *>(m.Label5);
        QVERIFY(h);
        QCOMPARE(h->text(), caption);   // the caption stays whole for whoever reads it
        QCOMPARE(h->font().pointSize(), Texts::headingPointSize(caption));
        const QString shown = h->shownText();
        const QFontMetrics fm = h->fontMetrics();
        QVERIFY(fm.horizontalAdvance(shown) <= h->contentsRect().width());
        const qsizetype at = caption.indexOf(name);
        QVERIFY2(shown.startsWith(caption.left(at) + name.left(3))
                     && shown.endsWith(name.right(3) + caption.mid(at + name.size())), qPrintable(shown));
        const bool fits = fm.horizontalAdvance(caption) <= h->contentsRect().width();
        QCOMPARE(shown == caption, fits);
        QCOMPARE(shown.contains(QChar(0x2026)), !fits);
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
        m.cmdExpand_Click();
        m.finishRoll();
        f.dialogs.answers << Dialogs::No << (white ? Dialogs::Yes : Dialogs::No);
        f.dialogs.colorResults << back;
        m.cmdColor_Click();
        QCOMPARE(m.UpDown1->geometry(), QRect(212, 24, 16, 17));
        const QImage img = m.UpDown1->grab().toImage();
        const QColor text = white ? Qt::white : Qt::black;
        const int half = img.height() / 2;
        for (const QRect r : {QRect(0, 0, img.width(), half), QRect(0, half, img.width(), img.height() - half)}) {
            QVERIFY2(pixelsOf(img, r, text) >= 3, "an arrow in the text colour");
            QVERIFY2(pixelsOf(img, r, back) * 3 >= r.width() * r.height(), "a button in the player colour");
        }
        // Each half steps the interlude its own way.
        m.txtPause->setText(QStringLiteral("5"));
        QTest::mouseClick(m.UpDown1, Qt::LeftButton, {}, QPoint(8, 3));
        QCOMPARE(m.txtPause->text(), QStringLiteral("6"));
        QTest::mouseClick(m.UpDown1, Qt::LeftButton, {}, QPoint(8, 14));
        QTest::mouseClick(m.UpDown1, Qt::LeftButton, {}, QPoint(8, 14));
        QCOMPARE(m.txtPause->text(), QStringLiteral("4"));
    }

    void onlyHandlesDrag_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("drags");
        for (const char *handle : {"Label1", "Label4", "Label5", "Label6", "Image2", "SSPanel1", "SSPanel2"})
            QTest::newRow(handle) << QString::fromLatin1(handle) << true;
        for (const char *other : {"Label8", "UpDown1", "txtPause", "File1", "cmdSave"})
            QTest::newRow(other) << QString::fromLatin1(other) << false;
    }
    void onlyHandlesDrag()
    {
        QFETCH(QString, control);
        QFETCH(bool, drags);
        PlayerFixture f;
        Midi &m = f.start();
        m.cmdExpand_Click();
        m.finishRoll();
        m.moveTw(1500, 1500);
        const QPoint start = m.pos();
        auto *w = m.findChild<QWidget *>(control);
        QVERIFY(w);
        // Where a user would press: a bare corner of a panel, the middle of anything else.
        QPoint at = control.startsWith("SSPanel") ? QPoint(3, 3) : w->rect().center();
        QWidget *target = w->childAt(at) ? w->childAt(at) : w;
        at = target->mapFrom(w, at);
        const QPoint global(300, 300);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        // The move goes to the panel, which follows a drag wherever the press began.
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(340, 320), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(m.SSPanel2, &move);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(340, 320), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(m.SSPanel2, &release);
        QCOMPARE(m.pos() != start, drags);
    }
};

QTEST_MAIN(TestPlayerLook)
#include "test_player_look.moc"
