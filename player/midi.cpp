#include "player/midi.h"
#include "app/commands.h"
#include "components/closingdialogs.h"
#include "library/core/librarysession.h"
#include "app/core/texts.h"
#include "library/filebrowser.h"
#include "playback/mediacontrol.h"
#include "player/headinglabel.h"
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>

static void loadIcons()
{
    // The icons live in a static library: their registration must be pulled in by hand.
    Q_INIT_RESOURCE(resources);
}

Midi::Midi(const Services &services, QWidget *parent) : QWidget(parent), m_services(services)
{
    // Every box of this window and the ones it opens stops asking once a close waits.
    m_closingDialogs = std::make_unique<ClosingDialogs>(m_services.dialogs, [this] { return m_play->closePending(); });
    m_services.dialogs = m_closingDialogs.get();
    m_library = new LibrarySession(this);
    m_play = new PlaySession(m_services.device, m_services.clock, &m_library->list().list(), this);
    m_library->setPlaySession(m_play);
    loadIcons();
    buildControls();
    connectControls();
    connectSession();
    connectLibrary();
    connectBrowser();
    m_commands = new Commands(this);
    bindCommands();
    buildMenu();
    installShortcuts();
    m_rollTimer.setInterval(8);
    connect(&m_rollTimer, &QTimer::timeout, this, &Midi::rollStep);
    setHeightTw(MidiGeometry::RolledUpHeightTw);
}

Midi::~Midi() = default;

QItemSelectionModel *Midi::listSelection() const
{
    return List1->selectionModel();
}

void Midi::connectControls()
{
    connect(cmdQuit, &QToolButton::clicked, this, &Midi::cmdQuit_Click);
    connect(cmdExpand, &QToolButton::clicked, this, &Midi::cmdExpand_Click);
    connect(cmdHide, &QToolButton::clicked, this, &Midi::cmdHide_Click);
    connect(cmdHelp, &QToolButton::clicked, this, &Midi::cmdHelp_Click);
    connect(cmdVolume, &QToolButton::clicked, this, &Midi::cmdVolume_Click);
    connect(cmdAbout, &QPushButton::clicked, this, &Midi::cmdAbout_Click);
    connect(cmdColor, &QPushButton::clicked, this, &Midi::cmdColor_Click);
    connect(cmdNew, &QPushButton::clicked, this, &Midi::cmdNew_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &Midi::cmdOpen_Click);
    connect(cmdSave, &QPushButton::clicked, this, &Midi::cmdSave_Click);
    connect(cmdClear, &QPushButton::clicked, this, &Midi::cmdClear_Click);
    for (QCheckBox *box : {chkClose, chkLoop, chkShuffle})
        connect(box, &QCheckBox::toggled, this, &Midi::optionsFromControls);
    connect(txtPause, &QLineEdit::textChanged, this, &Midi::optionsFromControls);
    connect(chkClose, &QCheckBox::toggled, this, &Midi::chkClose_Click);
    connect(chkShuffle, &QCheckBox::toggled, this, &Midi::chkShuffle_Click);
    connect(txtPause, &QLineEdit::textChanged, this, &Midi::txtPause_Change);
    connect(UpDown1, &QSpinBox::valueChanged, this, &Midi::UpDown1_Change);
}

void Midi::setLabel5(const QString &caption)
{
    QFont f = Label5->font();
    f.setPointSize(Texts::headingPointSize(caption));
    Label5->setFont(f);
    // Too wide even so: the library name gives way, the words around it stay whole.
    for (QLabel *heading : {Label5, Label4})
        static_cast<HeadingLabel *>(heading)->setShrinkable(m_library->libName());
    Label5->setText(caption);
}

void Midi::setLabel2(const QString &text)
{
    m_markerShown = false;
    Label2->setText(text);
}

void Midi::showCaption(const QString &caption)
{
    setWindowTitle(caption);
}

void Midi::closeEvent(QCloseEvent *event)
{
    if (m_play->busy() > 0) {
        // A handler is still running: quit once it has returned.
        m_play->setClosePending(true);
        m_play->cancelInterlude();
        event->ignore();
        return;
    }
    m_play->setClosePending(false);
    if (!m_unloaded)
        Form_Unload();
    event->accept();
}

bool Midi::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == SliderTime) {
        if (event->type() == QEvent::KeyPress)
            return sliderKey(static_cast<QKeyEvent *>(event));
        if (event->type() == QEvent::MouseButtonPress)
            SliderTime_MouseDown();
        else if (event->type() == QEvent::MouseButtonRelease)
            QTimer::singleShot(0, this, &Midi::SliderTime_MouseUp);   // after the slider took the value
        return false;
    }
    if (watched == txtPause) {
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, &Midi::txtPause_GotFocus);
        return false;
    }
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (event->type() == QEvent::MouseButtonPress) {
        dragMouseDown(mouse->button(), mouse->globalPosition().toPoint());
        return mouse->button() == Qt::LeftButton;   // one drag, not one per parent panel
    }
    if (m_manualDrag && event->type() == QEvent::MouseMove) {
        move(mouse->globalPosition().toPoint() - m_dragOffset);
        return true;
    }
    if (m_manualDrag && event->type() == QEvent::MouseButtonRelease)
        m_manualDrag = false;
    return false;
}
