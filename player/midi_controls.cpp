#include "app/core/twips.h"
#include "library/core/librarysession.h"
#include "library/filebrowser.h"
#include "library/playlistfind.h"
#include "player/headinglabel.h"
#include "player/midi.h"
#include "player/midigeometry.h"
#include "player/updownstyle.h"
#include "playback/mediacontrol.h"
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QToolButton>

namespace {

template <typename W> W *place(W *w, const char *name, int l, int t, int wd, int h)
{
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(Twips::toPixels(l, t, wd, h));
    return w;
}

QFont makeFont(double points, bool bold, bool italic = false)
{
    QFont f;
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

void colours(QWidget *w, const QColor &fg, const QColor &bg)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, fg);
    p.setColor(QPalette::Window, bg);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QToolButton *pictureButton(QWidget *parent, const char *name, const char *icon, int l, int t, int w, int h)
{
    auto *b = place(new QToolButton(parent), name, l, t, w, h);
    b->setIcon(QIcon(QString::fromLatin1(icon)));
    b->setIconSize(QSize(Twips::toPixels(w) - 10, Twips::toPixels(h) - 10));
    return b;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QString &tip, int l, int t, int w,
                    int h)
{
    auto *b = place(new QPushButton(text, parent), name, l, t, w, h);
    b->setFocusPolicy(Qt::TabFocus);   // a click leaves no focus for Space to press
    b->setToolTip(tip);
    b->setFont(makeFont(8, false));
    return b;
}

// A caption wider than its button (with the style's margin) is broken into lines at its blanks.
void fitCaption(QPushButton *b)
{
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const QStyle *style = b->style();
    const int room = style->subElementRect(QStyle::SE_PushButtonContents, &opt, b).width()
                     - style->pixelMetric(QStyle::PM_ButtonMargin, &opt, b);
    if (b->fontMetrics().horizontalAdvance(b->text()) <= room)
        return;
    b->setAccessibleName(b->text());
    b->setText(b->text().replace(QLatin1Char(' '), QLatin1Char('\n')));
}

QCheckBox *check(QWidget *parent, const char *name, const QString &text, const QString &tip, int l, int t, int w, int h)
{
    auto *c = place(new QCheckBox(text, parent), name, l, t, w, h);
    c->setToolTip(tip);
    c->setFont(makeFont(8.25, true));
    QPalette pal = c->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    c->setPalette(pal);
    return c;
}

}   // namespace

QLabel *Midi::makeLabel(QWidget *parent, const char *name, const QString &text, int l, int t, int w, int h)
{
    auto *label = place(new QLabel(text, parent), name, l, t, w, h);
    label->installEventFilter(this);
    return label;
}

void Midi::buildControls()
{
    setObjectName(QStringLiteral("Midi"));
    setWindowTitle(QStringLiteral("Veltrix MidiPlayer"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedWidth(Twips::toPixels(MidiGeometry::WidthTw));
    setMouseTracking(true);
    SSPanel2 = place(new QFrame(this), "SSPanel2", 30, 30, 6255, MidiGeometry::RolledUpPanelTw);
    SSPanel2->setFrameShape(QFrame::Panel);
    SSPanel2->setFrameShadow(QFrame::Raised);
    SSPanel2->setAutoFillBackground(true);
    SSPanel2->installEventFilter(this);
    buildStatusArea();
    buildSelectionPanel();
    buildBrowser();
    nameForScreenReaders();
    // Only the panels, their headings and the corner pictures move the window: a press
    // on anything else stays there, even where the control itself ignores it.
    const QList<QWidget *> handles{Image1, Image2, Label1, Label2, Label3, Label4, Label5, Label6, SSPanel1};
    for (QWidget *panel : {SSPanel2, SSPanel1}) {
        for (QWidget *w : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (!handles.contains(w))
                w->setAttribute(Qt::WA_NoMousePropagation);
        }
    }
}

void Midi::buildStatusArea()
{
    Image1 = makeLabel(SSPanel2, "Image1", {}, 140, 120, 420, 420);
    Label4 = place(new HeadingLabel(QStringLiteral("Library: (none)"), SSPanel2), "Label4", 540, 120, 5055, 375);
    Label4->installEventFilter(this);
    Label4->setFont(makeFont(12, true));
    Label4->setAlignment(Qt::AlignCenter);
    Image2 = makeLabel(SSPanel2, "Image2", {}, 5720, 120, 420, 420);
    for (QLabel *img : {Image1, Image2})
        img->setScaledContents(true);
    Label1 = makeLabel(SSPanel2, "Label1", {}, 240, 540, 2900, 375);
    Label1->setToolTip(QStringLiteral("Midi selection"));
    Label1->setFont(makeFont(9.75, true, true));
    colours(Label1, QColor(255, 255, 0), Qt::black);
    Label2 = makeLabel(SSPanel2, "Label2", QStringLiteral("Time: 0:00"), 3140, 540, 1480, 375);
    Label2->setToolTip(QStringLiteral("Time played"));
    Label2->setFont(makeFont(9.75, true));
    colours(Label2, QColor(0, 255, 0), Qt::black);
    Label3 = makeLabel(SSPanel2, "Label3", QStringLiteral("Total: 0:00"), 4620, 540, 1395, 375);
    Label3->setToolTip(QStringLiteral("Total time of selection"));
    Label3->setFont(makeFont(9.75, true));
    colours(Label3, QColor(255, 0, 0), Qt::black);
    SliderTime = place(new QSlider(Qt::Horizontal, SSPanel2), "SliderTime", 240, 960, 5775, 195);
    SliderTime->setToolTip(QStringLiteral("Use slider to set play position"));
    SliderTime->installEventFilter(this);
    MMControl1 = place(new MediaControl(m_play, SSPanel2), "MMControl1", 240, 1200, 5775, 330);
    MMControl1->setToolTip(QStringLiteral("Midi play controls"));
    cmdVolume = pictureButton(SSPanel2, "cmdVolume", ":/icons/volume.png", 240, 1620, 1155, 615);
    cmdVolume->setToolTip(QStringLiteral("Adjust volume"));
    cmdAbout = button(SSPanel2, "cmdAbout", QStringLiteral("About"), QStringLiteral("About Quillon MidiPlayer"), 1680,
                      1740, 615, 330);
    cmdExpand = pictureButton(SSPanel2, "cmdExpand", ":/icons/expand.png", 2820, 1620, 735, 615);
    cmdExpand->setToolTip(QStringLiteral("Show library selection panel"));
    cmdHelp = pictureButton(SSPanel2, "cmdHelp", ":/icons/help.png", 4020, 1740, 615, 330);
    cmdHelp->setToolTip(QStringLiteral("Lyrabox help"));
    cmdHide = pictureButton(SSPanel2, "cmdHide", ":/icons/hide.png", 4920, 1620, 555, 615);
    cmdQuit = pictureButton(SSPanel2, "cmdQuit", ":/icons/quit.png", 5520, 1620, 555, 615);
    cmdHide->setAccessibleName(QStringLiteral("Minimize"));
    cmdQuit->setAccessibleName(QStringLiteral("Quit"));
}

void Midi::buildSelectionPanel()
{
    SSPanel1 = place(new QFrame(SSPanel2), "SSPanel1", 180, 2380, 5895, 4095);
    SSPanel1->setFrameShape(QFrame::Panel);
    SSPanel1->setFrameShadow(QFrame::Sunken);
    colours(SSPanel1, Qt::white, Qt::black);
    SSPanel1->installEventFilter(this);
    QWidget *p = SSPanel1;
    cmdNew = button(p, "cmdNew", QStringLiteral("New Library"), QStringLiteral("Create new library"), 120, 120, 1095,
                    495);
    cmdOpen = button(p, "cmdOpen", QStringLiteral("Open Library"), QStringLiteral("Select library to load from disk"),
                     1260, 120, 1160, 495);
    Label8 = place(new QLabel(QStringLiteral("Interlude (s)"), p), "Label8", 2480, 120, 1095, 195);
    Label8->setFont(makeFont(8.25, false));
    txtPause = place(new QLineEdit(p), "txtPause", 2580, 360, 555, 225);
    txtPause->installEventFilter(this);
    UpDown1 = place(new QSpinBox(p), "UpDown1", 3180, 360, 240, 255);
    UpDown1->setRange(-1, 1);
    auto *arrows = new UpDownStyle;
    arrows->setParent(UpDown1);
    UpDown1->setStyle(arrows);
    cmdSave = button(p, "cmdSave", QStringLiteral("Save Library"),
                     QStringLiteral("Save current selections to library file"), 3660, 120, 1095, 495);
    cmdColor = button(p, "cmdColor", QStringLiteral("Change Color"), QStringLiteral("Select player color"), 4800, 120,
                      1040, 495);
    for (QPushButton *b : {cmdNew, cmdOpen, cmdSave, cmdColor})
        b->setFont(makeFont(7.5, false));
    Label6 = makeLabel(p, "Label6", QStringLiteral("Select Directory"), 120, 660, 2055, 255);
    Label5 = place(new HeadingLabel(QStringLiteral("Play List"), p), "Label5", 3060, 660, 2715, 255);
    Label5->installEventFilter(this);
    for (QLabel *l : {Label6, Label5})
        l->setFont(makeFont(9.75, true));
    chkClose = check(p, "chkClose", QStringLiteral("Close"), QStringLiteral("Close selection panel upon play"), 2640,
                     960, 795, 255);
    chkLoop = check(p, "chkLoop", QStringLiteral("Loop"), QStringLiteral("Check to loop through play list"), 2640, 1260,
                    795, 255);
    chkShuffle = check(p, "chkShuffle", QStringLiteral("Shuffle"), {}, 2640, 1620, 975, 195);
    cmdClear = button(p, "cmdClear", QStringLiteral("Clear"), QStringLiteral("Clear play list"), 2640, 1980, 855, 375);
    cmdAdd = pictureButton(p, "cmdAdd", ":/icons/add.png", 2640, 2460, 855, 675);
    cmdAdd->setToolTip(QStringLiteral("Add selected midi files to play list"));
    cmdRemove = pictureButton(p, "cmdRemove", ":/icons/remove.png", 2640, 3240, 855, 675);
    cmdRemove->setText(QStringLiteral("Remove"));
    cmdRemove->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    cmdRemove->setIconSize(QSize(24, 24));
    cmdRemove->setToolTip(QStringLiteral("Remove selected midi files from play list"));
    for (QPushButton *b : {cmdAbout, cmdNew, cmdOpen, cmdSave, cmdColor, cmdClear})
        fitCaption(b);
}

void Midi::buildBrowser()
{
    QWidget *p = SSPanel1;
    Drive1 = place(new DriveCombo(p), "Drive1", 120, 960, 2415, 315);
    Drive1->setToolTip(QStringLiteral("Select drive for midi files"));
    Dir1 = place(new DirList(p), "Dir1", 120, 1300, 2415, 765);
    Dir1->setToolTip(QStringLiteral("Select directory for midi files"));
    File1 = place(new FileList(p), "File1", 120, 2100, 2415, 1845);
    File1->setToolTip(QStringLiteral("Select one or more files to add to play list; double click to preview file"));
    List1 = place(new PlayListBox(p), "List1", 3600, 960, 2175, 2985);
    m_find = new PlayListFind(List1, m_library->model(), m_services.songText, p);
    List1->setToolTip(QStringLiteral("Play list--double click to open desired selection"));
}

// What a screen reader says for controls that show a picture or nothing at all.
void Midi::nameForScreenReaders()
{
    const std::pair<QWidget *, const char *> names[] = {{SliderTime, "Play position"},
                                                        {cmdVolume, "Volume"},
                                                        {cmdExpand, "Library panel"},
                                                        {cmdHelp, "Help"},
                                                        {txtPause, "Interlude in seconds"},
                                                        {UpDown1, "Change interlude"},
                                                        {cmdAdd, "Add to play list"},
                                                        {cmdRemove, "Remove from play list"},
                                                        {Dir1, "Folders"},
                                                        {File1, "Midi files"},
                                                        {List1, "Play list"},
                                                        {Drive1, "Drive"}};
    for (const auto &[w, name] : names)
        w->setAccessibleName(QString::fromLatin1(name));
    if (auto *field = UpDown1->findChild<QLineEdit *>())
        field->setAccessibleName(UpDown1->accessibleName());
}
