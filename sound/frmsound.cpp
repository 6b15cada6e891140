#include "sound/frmsound.h"
#include "components/core/soundsettings.h"
#include "components/windowplace.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int BufferSizes[] = {64, 128, 256, 512, 1024, 2048, 4096, 8192};

QString bankText(const QString &path)
{
    const QFileInfo info(path);
    const double mb = double(info.size()) / (1024.0 * 1024.0);
    return QStringLiteral("%1 (%2 MB)").arg(info.fileName(), QString::number(mb, 'f', mb < 10 ? 1 : 0));
}

QDoubleSpinBox *numberBox(QWidget *parent, const char *name, SoundConfig::Range range, double step, int decimals)
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(range.low, range.high);
    box->setSingleStep(step);
    box->setDecimals(decimals);
    // Typing "0.25" must not apply 0, 0.2 and 0.25 on the way.
    box->setKeyboardTracking(false);
    return box;
}

QSpinBox *wholeBox(QWidget *parent, const char *name, SoundConfig::Range range, int step)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(int(range.low), int(range.high));
    box->setSingleStep(step);
    box->setKeyboardTracking(false);
    return box;
}

template <typename W> W *named(W *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

}   // namespace

FrmSound::FrmSound(const Services &services, QWidget *player) : QWidget(player, Qt::Tool), m_services(services)
{
    setObjectName(QStringLiteral("FrmSound"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Lyrabox Sound"));
    auto *top = new QVBoxLayout(this);
    auto *banks = new QGroupBox(QStringLiteral("Sound banks (the top one's instruments win)"), this);
    auto *effects = new QGroupBox(QStringLiteral("Effects and voices"), this);
    auto *output = new QGroupBox(QStringLiteral("Output"), this);
    buildBanks(new QGridLayout(banks));
    buildEffects(new QGridLayout(effects));
    buildOutput(new QGridLayout(output));
    cmdClose = named(new QPushButton(QStringLiteral("Close"), this), "cmdClose");
    top->addWidget(banks);
    top->addWidget(effects);
    top->addWidget(output);
    top->addWidget(cmdClose, 0, Qt::AlignRight);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    if (m_services.sound)
        m_services.sound->watchSongBank(this, [this] { showSongBank(); });
    showSongBank();
    refresh();
    adjustSize();
    nameForScreenReaders();
}

void FrmSound::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Its frame is known only now.
    if (!m_placed) {
        m_placed = true;
        placeBeside(this, parentWidget());
    }
}

void FrmSound::buildBanks(QGridLayout *grid)
{
    QWidget *box = grid->parentWidget();
    lstBanks = named(new QListWidget(box), "lstBanks");
    lstBanks->setMaximumHeight(110);
    cmbSystemBanks = named(new QComboBox(box), "cmbSystemBanks");
    cmbSystemBanks->setToolTip(QStringLiteral("Sound banks found on this computer"));
    if (m_services.sound) {
        for (const QString &path : m_services.sound->systemBanks())
            cmbSystemBanks->addItem(bankText(path), path);
    }
    cmdAddBank = named(new QPushButton(QStringLiteral("Add"), box), "cmdAddBank");
    cmdAddFile = named(new QPushButton(QStringLiteral("Other..."), box), "cmdAddFile");
    cmdRemoveBank = named(new QPushButton(QStringLiteral("Remove"), box), "cmdRemoveBank");
    cmdBankUp = named(new QPushButton(QStringLiteral("Up"), box), "cmdBankUp");
    cmdBankDown = named(new QPushButton(QStringLiteral("Down"), box), "cmdBankDown");
    grid->addWidget(lstBanks, 0, 0, 3, 3);
    grid->addWidget(cmdBankUp, 0, 3);
    grid->addWidget(cmdBankDown, 1, 3);
    grid->addWidget(cmdRemoveBank, 2, 3);
    // The bank kept beside the song that plays, on top of these while it plays.
    lblSongBank = named(new QLabel(box), "lblSongBank");
    lblSongBank->setTextFormat(Qt::PlainText);
    lblSongBank->hide();
    grid->addWidget(lblSongBank, 3, 0, 1, 4);
    grid->addWidget(cmbSystemBanks, 4, 0, 1, 2);
    grid->addWidget(cmdAddBank, 4, 2);
    grid->addWidget(cmdAddFile, 4, 3);
    connect(cmdAddBank, &QPushButton::clicked, this, &FrmSound::cmdAddBank_Click);
    connect(cmdAddFile, &QPushButton::clicked, this, &FrmSound::cmdAddFile_Click);
    connect(cmdRemoveBank, &QPushButton::clicked, this, &FrmSound::cmdRemoveBank_Click);
    connect(cmdBankUp, &QPushButton::clicked, this, &FrmSound::cmdBankUp_Click);
    connect(cmdBankDown, &QPushButton::clicked, this, &FrmSound::cmdBankDown_Click);
    connect(lstBanks, &QListWidget::currentRowChanged, this, [this] { refresh(); });
}

void FrmSound::buildEffects(QGridLayout *grid)
{
    QWidget *box = grid->parentWidget();
    chkReverb = named(new QCheckBox(QStringLiteral("Reverb"), box), "chkReverb");
    spnRoom = numberBox(box, "spnRoom", SoundConfig::RoomRange, 0.05, 2);
    spnDamp = numberBox(box, "spnDamp", SoundConfig::DampRange, 0.05, 2);
    spnWidth = numberBox(box, "spnWidth", SoundConfig::WidthRange, 0.5, 1);
    spnReverbLevel = numberBox(box, "spnReverbLevel", SoundConfig::ReverbLevelRange, 0.05, 2);
    chkChorus = named(new QCheckBox(QStringLiteral("Chorus"), box), "chkChorus");
    spnChorusLevel = numberBox(box, "spnChorusLevel", SoundConfig::ChorusLevelRange, 0.1, 1);
    spnChorusDepth = numberBox(box, "spnChorusDepth", SoundConfig::ChorusDepthRange, 1.0, 1);
    spnChorusVoices = wholeBox(box, "spnChorusVoices", SoundConfig::ChorusVoicesRange, 1);
    spnPolyphony = wholeBox(box, "spnPolyphony", SoundConfig::PolyphonyRange, 16);
    cmbBankMode = named(new QComboBox(box), "cmbBankMode");
    cmbBankMode->addItems({QStringLiteral("GM"), QStringLiteral("GS"), QStringLiteral("XG"), QStringLiteral("MMA")});
    cmbSongReset = named(new QComboBox(box), "cmbSongReset");
    cmbSongReset->addItems({QStringLiteral("The player's own"), QStringLiteral("GM system on"),
                            QStringLiteral("GS reset"), QStringLiteral("XG system on")});
    cmdDefaults = named(new QPushButton(QStringLiteral("Reset to defaults"), box), "cmdDefaults");

    auto label = [box](const char *text) { return new QLabel(QLatin1String(text), box); };
    grid->addWidget(chkReverb, 0, 0);
    grid->addWidget(label("Room"), 0, 1);
    grid->addWidget(spnRoom, 0, 2);
    grid->addWidget(label("Damping"), 0, 3);
    grid->addWidget(spnDamp, 0, 4);
    grid->addWidget(label("Width"), 1, 1);
    grid->addWidget(spnWidth, 1, 2);
    grid->addWidget(label("Level"), 1, 3);
    grid->addWidget(spnReverbLevel, 1, 4);
    grid->addWidget(chkChorus, 2, 0);
    grid->addWidget(label("Level"), 2, 1);
    grid->addWidget(spnChorusLevel, 2, 2);
    grid->addWidget(label("Depth (ms)"), 2, 3);
    grid->addWidget(spnChorusDepth, 2, 4);
    grid->addWidget(label("Voices"), 3, 1);
    grid->addWidget(spnChorusVoices, 3, 2);
    grid->addWidget(label("Polyphony"), 4, 0);
    grid->addWidget(spnPolyphony, 4, 1, 1, 2);
    grid->addWidget(label("Bank select"), 4, 3);
    grid->addWidget(cmbBankMode, 4, 4);
    grid->addWidget(label("Reset before each song"), 5, 0, 1, 2);
    grid->addWidget(cmbSongReset, 5, 2, 1, 3);
    grid->addWidget(cmdDefaults, 6, 0, 1, 2);

    for (QCheckBox *c : {chkReverb, chkChorus})
        connect(c, &QCheckBox::toggled, this, &FrmSound::effectChanged);
    for (QDoubleSpinBox *b : {spnRoom, spnDamp, spnWidth, spnReverbLevel, spnChorusLevel, spnChorusDepth})
        connect(b, &QDoubleSpinBox::valueChanged, this, &FrmSound::effectChanged);
    for (QSpinBox *b : {spnChorusVoices, spnPolyphony})
        connect(b, &QSpinBox::valueChanged, this, &FrmSound::effectChanged);
    for (QComboBox *c : {cmbBankMode, cmbSongReset})
        connect(c, &QComboBox::activated, this, &FrmSound::effectChanged);
    connect(cmdDefaults, &QPushButton::clicked, this, &FrmSound::cmdDefaults_Click);
}

void FrmSound::buildOutput(QGridLayout *grid)
{
    QWidget *box = grid->parentWidget();
    cmbDriver = named(new QComboBox(box), "cmbDriver");
    cmbDriver->addItem(QStringLiteral("(default)"), QString());
    if (m_services.sound) {
        for (const SoundControl::AudioDriver &d : m_services.sound->audioDrivers()) {
            cmbDriver->addItem(d.problem.isEmpty() ? d.name : QStringLiteral("%1 (does not open now)").arg(d.name),
                               d.name);
            cmbDriver->setItemData(cmbDriver->count() - 1, d.problem, Qt::ToolTipRole);
        }
    }
    cmbDevice = named(new QComboBox(box), "cmbDevice");
    // Devices a driver does not list (an ALSA card name) can be typed.
    cmbDevice->setEditable(true);
    cmbDevice->setInsertPolicy(QComboBox::NoInsert);
    cmbBuffer = named(new QComboBox(box), "cmbBuffer");
    cmbBuffer->addItem(QStringLiteral("(default)"), 0);
    for (int frames : BufferSizes)
        cmbBuffer->addItem(QStringLiteral("%1 frames").arg(frames), frames);
    grid->addWidget(new QLabel(QStringLiteral("Driver"), box), 0, 0);
    grid->addWidget(cmbDriver, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Device"), box), 0, 2);
    grid->addWidget(cmbDevice, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Buffer"), box), 1, 0);
    grid->addWidget(cmbBuffer, 1, 1);
    connect(cmbDriver, &QComboBox::activated, this, &FrmSound::cmbDriver_Click);
    connect(cmbDevice, &QComboBox::activated, this, &FrmSound::outputChanged);
    connect(cmbBuffer, &QComboBox::activated, this, &FrmSound::outputChanged);
}

void FrmSound::nameForScreenReaders()
{
    // The labels beside the boxes are not enough: "Level" stands twice.
    const std::pair<QWidget *, const char *> names[] = {
        {lstBanks, "Sound banks in use"},   {cmbSystemBanks, "Sound banks found on this computer"},
        {spnRoom, "Reverb room"},           {spnDamp, "Reverb damping"},
        {spnWidth, "Reverb width"},         {spnReverbLevel, "Reverb level"},
        {spnChorusLevel, "Chorus level"},   {spnChorusDepth, "Chorus depth in milliseconds"},
        {spnChorusVoices, "Chorus voices"}, {spnPolyphony, "Polyphony"},
        {cmbBankMode, "Bank select"},       {cmbSongReset, "Reset before each song"},
        {cmbDriver, "Audio driver"},        {cmbDevice, "Audio device"},
        {cmbBuffer, "Audio buffer"}};
    for (const auto &[widget, name] : names)
        widget->setAccessibleName(QLatin1String(name));
}

bool FrmSound::change(const std::function<void(SoundConfig &)> &edit)
{
    if (!m_services.sound || m_refreshing)
        return false;
    SoundConfig next = m_services.sound->sound();
    edit(next);
    if (next == m_services.sound->sound())
        return true;
    QString error;
    const bool ok = m_services.sound->setSound(next, &error);
    if (ok && m_services.settings)
        writeSoundConfig(*m_services.settings, m_services.sound->sound());
    if (!ok && m_services.dialogs)
        m_services.dialogs->message(this, error, Dialogs::Style::OkOnly | Dialogs::Style::Exclamation, windowTitle());
    refresh();
    return ok;
}

void FrmSound::addBank(const QString &path)
{
    if (path.isEmpty())
        return;
    change([&path](SoundConfig &c) {
        c.banks.removeAll(path);
        c.banks.prepend(path);
    });
    lstBanks->setCurrentRow(0);
}

void FrmSound::cmdAddBank_Click()
{
    addBank(cmbSystemBanks->currentData().toString());
}

void FrmSound::cmdAddFile_Click()
{
    if (!m_services.dialogs)
        return;
    const QString current = lstBanks->currentItem() ? lstBanks->currentItem()->data(Qt::UserRole).toString()
                                                    : QString();
    const auto path = m_services.dialogs->openFile(this, QStringLiteral("Add a sound bank"),
                                                   QFileInfo(current).absolutePath(),
                                                   QStringLiteral("Sound banks (*.sf2 *.sf3 *.SF2 *.SF3)"));
    if (path)
        addBank(*path);
}

void FrmSound::cmdRemoveBank_Click()
{
    const int row = lstBanks->currentRow();
    if (row < 0 || lstBanks->count() < 2)
        return;
    change([row](SoundConfig &c) { c.banks.removeAt(row); });
    lstBanks->setCurrentRow(std::min(row, lstBanks->count() - 1));
}

void FrmSound::moveBank(int by)
{
    const int row = lstBanks->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= lstBanks->count())
        return;
    if (change([row, to](SoundConfig &c) { c.banks.move(row, to); }))
        lstBanks->setCurrentRow(to);
}

void FrmSound::cmdBankUp_Click()
{
    moveBank(-1);
}
void FrmSound::cmdBankDown_Click()
{
    moveBank(1);
}

void FrmSound::cmdDefaults_Click()
{
    change([](SoundConfig &c) { c = c.withDefaultEffects(); });
}

void FrmSound::effectChanged()
{
    change([this](SoundConfig &c) {
        c.reverb = chkReverb->isChecked();
        c.reverbRoom = spnRoom->value();
        c.reverbDamp = spnDamp->value();
        c.reverbWidth = spnWidth->value();
        c.reverbLevel = spnReverbLevel->value();
        c.chorus = chkChorus->isChecked();
        c.chorusLevel = spnChorusLevel->value();
        c.chorusDepth = spnChorusDepth->value();
        c.chorusVoices = spnChorusVoices->value();
        c.polyphony = spnPolyphony->value();
        c.bankMode = SoundConfig::BankMode(std::max(0, cmbBankMode->currentIndex()));
        c.songReset = SoundConfig::SongReset(std::max(0, cmbSongReset->currentIndex()));
    });
}

void FrmSound::cmbDriver_Click()
{
    // Another driver's device names mean nothing to this one.
    change([this](SoundConfig &c) {
        c.audioDriver = cmbDriver->currentData().toString();
        c.audioDevice.clear();
    });
}

void FrmSound::outputChanged()
{
    change([this](SoundConfig &c) {
        const QString device = cmbDevice->currentText().trimmed();
        c.audioDevice = cmbDevice->currentIndex() == 0 && device == cmbDevice->itemText(0) ? QString() : device;
        c.bufferFrames = cmbBuffer->currentData().toInt();
    });
}

void FrmSound::fillDevices(const QString &driver)
{
    cmbDevice->clear();
    cmbDevice->addItem(QStringLiteral("(default)"));
    if (m_services.sound && !driver.isEmpty()) {
        for (const QString &device : m_services.sound->audioDevices(driver)) {
            if (device != QLatin1String("default"))
                cmbDevice->addItem(device);
        }
    }
}

void FrmSound::showSongBank()
{
    const QString bank = m_services.sound ? m_services.sound->songBank() : QString();
    lblSongBank->setText(QStringLiteral("For this song: %1").arg(QFileInfo(bank).fileName()));
    lblSongBank->setToolTip(bank);
    lblSongBank->setVisible(!bank.isEmpty());
}

void FrmSound::refresh()
{
    if (!m_services.sound)
        return;
    m_refreshing = true;
    const SoundConfig c = m_services.sound->sound();
    const int row = lstBanks->currentRow();
    {
        const QSignalBlocker block(lstBanks);
        lstBanks->clear();
        for (const QString &path : c.banks) {
            auto *item = new QListWidgetItem(bankText(path), lstBanks);
            item->setData(Qt::UserRole, path);
            item->setToolTip(path);
        }
        lstBanks->setCurrentRow(std::clamp(row, 0, int(c.banks.size()) - 1));
    }
    const int current = lstBanks->currentRow();
    cmdRemoveBank->setEnabled(current >= 0 && lstBanks->count() > 1);
    cmdBankUp->setEnabled(current > 0);
    cmdBankDown->setEnabled(current >= 0 && current < lstBanks->count() - 1);
    cmdAddBank->setEnabled(cmbSystemBanks->count() > 0);

    chkReverb->setChecked(c.reverb);
    spnRoom->setValue(c.reverbRoom);
    spnDamp->setValue(c.reverbDamp);
    spnWidth->setValue(c.reverbWidth);
    spnReverbLevel->setValue(c.reverbLevel);
    for (QWidget *w : {static_cast<QWidget *>(spnRoom), static_cast<QWidget *>(spnDamp),
                       static_cast<QWidget *>(spnWidth), static_cast<QWidget *>(spnReverbLevel)})
        w->setEnabled(c.reverb);
    chkChorus->setChecked(c.chorus);
    spnChorusLevel->setValue(c.chorusLevel);
    spnChorusDepth->setValue(c.chorusDepth);
    spnChorusVoices->setValue(c.chorusVoices);
    for (QWidget *w : {static_cast<QWidget *>(spnChorusLevel), static_cast<QWidget *>(spnChorusDepth),
                       static_cast<QWidget *>(spnChorusVoices)})
        w->setEnabled(c.chorus);
    spnPolyphony->setValue(c.polyphony);
    cmbBankMode->setCurrentIndex(int(c.bankMode));
    cmbSongReset->setCurrentIndex(int(c.songReset));

    int driver = cmbDriver->findData(c.audioDriver);
    if (driver < 0) {
        cmbDriver->addItem(c.audioDriver, c.audioDriver);
        driver = cmbDriver->count() - 1;
    }
    cmbDriver->setCurrentIndex(driver);
    fillDevices(c.audioDriver);
    if (!c.audioDevice.isEmpty()) {
        if (cmbDevice->findText(c.audioDevice) < 0)
            cmbDevice->addItem(c.audioDevice);
        cmbDevice->setCurrentIndex(cmbDevice->findText(c.audioDevice));
    }
    const int buffer = cmbBuffer->findData(c.bufferFrames);
    if (buffer < 0)
        cmbBuffer->addItem(QStringLiteral("%1 frames").arg(c.bufferFrames), c.bufferFrames);
    cmbBuffer->setCurrentIndex(cmbBuffer->findData(c.bufferFrames));
    m_refreshing = false;
}
