#include "playback/tempowindow.h"
#include "app/core/texts.h"
#include "playback/core/playsession.h"
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace {
QString at(qint64 ms)
{
    return Texts::minSec(ms / 1000) + QStringLiteral(".%1").arg(ms % 1000 / 100);
}
}   // namespace

TempoWindow::TempoWindow(PlaySession *play, QWidget *parent)
    : QWidget(parent, Qt::Window), m_play(play), m_practice(play->practice())
{
    setObjectName(QStringLiteral("TempoWindow"));
    setWindowTitle(QStringLiteral("Tempo and key"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_tempoSlider = new QSlider(Qt::Horizontal, this);
    m_tempoSlider->setObjectName(QStringLiteral("TempoSlider"));
    m_tempo = new QSpinBox(this);
    m_tempo->setObjectName(QStringLiteral("Tempo"));
    m_tempo->setSuffix(QStringLiteral(" %"));
    for (QWidget *w : {static_cast<QWidget *>(m_tempoSlider), static_cast<QWidget *>(m_tempo)}) {
        w->setToolTip(QStringLiteral("Tempo in percent of the song's own (Up/Down or Left/Right: 1 %, "
                                     "Page Up/Page Down: 10 %)"));
        w->setAccessibleName(QStringLiteral("Tempo"));
    }
    m_tempoSlider->setRange(PracticeChoices::MinTempo, PracticeChoices::MaxTempo);
    m_tempoSlider->setPageStep(10);
    m_tempo->setRange(PracticeChoices::MinTempo, PracticeChoices::MaxTempo);
    m_key = new QSpinBox(this);
    m_key->setObjectName(QStringLiteral("Key"));
    m_key->setRange(-PracticeChoices::MaxKey, PracticeChoices::MaxKey);
    m_key->setSuffix(QStringLiteral(" semitones"));
    m_key->setAccessibleName(QStringLiteral("Key"));
    m_key->setToolTip(QStringLiteral("Semitones up or down; drum parts stay as they are (Up/Down: 1)"));
    m_loop = new QLabel(this);
    m_loop->setObjectName(QStringLiteral("LoopText"));

    auto *tempoRow = new QHBoxLayout;
    tempoRow->addWidget(m_tempoSlider, 1);
    tempoRow->addWidget(m_tempo);
    auto *loopRow = new QHBoxLayout;
    loopRow->addWidget(button(QStringLiteral("Set &A"), "SetA", QStringLiteral("The loop starts here (Alt+A)")));
    loopRow->addWidget(
        button(QStringLiteral("Set &B"), "SetB", QStringLiteral("The loop ends here: play goes on from A (Alt+B)")));
    loopRow->addWidget(button(QStringLiteral("&Clear loop"), "ClearLoop", QStringLiteral("No loop (Alt+C)")));
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("Tempo"), tempoRow);
    form->addRow(QStringLiteral("Key"), m_key);
    form->addRow(QStringLiteral("Loop"), m_loop);
    form->addRow(loopRow);
    form->addRow(button(QStringLiteral("&Reset"), "Reset",
                        QStringLiteral("Back to the song's own tempo and key, no loop; nothing kept (Alt+R)")));
    m_controls << m_tempoSlider << m_tempo << m_key;

    connect(m_tempoSlider, &QSlider::valueChanged, m_practice, &Practice::setTempo);
    connect(m_tempo, &QSpinBox::valueChanged, m_practice, &Practice::setTempo);
    connect(m_key, &QSpinBox::valueChanged, m_practice, &Practice::setKey);
    connect(findChild<QPushButton *>(QStringLiteral("SetA")), &QPushButton::clicked, this,
            [this] { m_practice->setLoopA(m_play->positionMs()); });
    connect(findChild<QPushButton *>(QStringLiteral("SetB")), &QPushButton::clicked, this,
            [this] { m_practice->setLoopB(m_play->positionMs()); });
    connect(findChild<QPushButton *>(QStringLiteral("ClearLoop")), &QPushButton::clicked, m_practice,
            &Practice::clearLoop);
    connect(findChild<QPushButton *>(QStringLiteral("Reset")), &QPushButton::clicked, m_practice, &Practice::reset);
    connect(m_practice, &Practice::changed, this, &TempoWindow::showChoices);
    showChoices(m_practice->choices());
}

QPushButton *TempoWindow::button(const QString &text, const char *name, const QString &tip)
{
    auto *b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(tip);
    b->setAutoDefault(false);
    m_controls << b;
    return b;
}

QString TempoWindow::loopText() const
{
    return m_loop->text();
}

void TempoWindow::showChoices(const PracticeChoices &c)
{
    const bool open = !m_practice->song().isEmpty();
    for (QWidget *w : std::as_const(m_controls))
        w->setEnabled(open);
    const QSignalBlocker a(m_tempoSlider), b(m_tempo), k(m_key);
    m_tempoSlider->setValue(c.tempo);
    m_tempo->setValue(c.tempo);
    m_key->setValue(c.key);
    if (c.hasLoop())
        m_loop->setText(QStringLiteral("%1 to %2").arg(at(qMax<qint64>(0, c.loopA)), at(c.loopB)));
    else if (c.loopA >= 0)
        m_loop->setText(QStringLiteral("from %1, no end yet").arg(at(c.loopA)));
    else
        m_loop->setText(QStringLiteral("none"));
}
