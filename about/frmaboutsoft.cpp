#include "about/frmaboutsoft.h"
#include "app/core/appinfo.h"
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

QString frmAboutSoft::NoticeText()
{
    return QStringLiteral("%1 is free software.\n\n"
                          "Copyright (c) 2026 Veltrix\n\n"
                          "Permission is hereby granted, free of charge, to any person obtaining a copy of "
                          "this software and associated documentation files (the \"Software\"), to deal in "
                          "the Software without restriction, including without limitation the rights to "
                          "use, copy, modify, merge, publish, distribute, sublicense, and/or sell copies of "
                          "the Software, and to permit persons to whom the Software is furnished to do so, "
                          "subject to the following conditions:\n\n"
                          "The above copyright notice and this permission notice shall be included in all "
                          "copies or substantial portions of the Software.\n\n"
                          "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR "
                          "IMPLIED, INCLUDING BUT NOT LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS "
                          "FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO EVENT SHALL THE AUTHORS OR "
                          "COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER IN "
                          "AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION "
                          "WITH THE SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.\n\n"
                          "The sample songs that come with the program are public-domain melodies, "
                          "arranged by the program's own generator.")
        .arg(AppInfo::AppName);
}

frmAboutSoft::frmAboutSoft(const Services &services, QWidget *parent) : QDialog(parent), m_services(services)
{
    setObjectName(QStringLiteral("frmAboutSoft"));
    setWindowTitle(QStringLiteral("Software Notice"));
    setModal(true);
    // Kept above the other windows while it is open.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto *heading = new QLabel(QStringLiteral("Software user notice and licence"), this);
    heading->setObjectName(QStringLiteral("lblHeading"));
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);

    txtNotice = new QTextBrowser(this);
    txtNotice->setObjectName(QStringLiteral("txtNotice"));
    txtNotice->setAccessibleName(QStringLiteral("Software notice"));
    txtNotice->setPlainText(NoticeText());
    txtNotice->setOpenLinks(false);

    cmdClose = new QPushButton(QStringLiteral("OK"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setToolTip(QStringLiteral("Close the notice"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &frmAboutSoft::cmdClose_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(heading);
    lay->addWidget(txtNotice, 1);
    lay->addLayout(buttons);
    resize(460, 480);
}

frmAboutSoft::~frmAboutSoft()
{
    unload();
}

void frmAboutSoft::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_shown || !m_services.sounds)
        return;
    m_shown = true;
    m_services.sounds->play(WindowSound::RestoreUp, SoundFlags::ReturnAtOnce | SoundFlags::NotOverAPlayingSound);
    m_services.sounds->play(WindowSound::Maximize, SoundFlags::ReturnAtOnce | SoundFlags::NotOverAPlayingSound);
}

void frmAboutSoft::cmdClose_Click()
{
    if (m_services.sounds && !m_unloaded)
        m_services.sounds->play(WindowSound::Minimize, SoundFlags::ReturnAtOnce | SoundFlags::NotOverAPlayingSound);
    close();
}

void frmAboutSoft::reject()
{
    close();
}

void frmAboutSoft::closeEvent(QCloseEvent *e)
{
    unload();
    setResult(QDialog::Rejected);
    e->accept();
}

void frmAboutSoft::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    if (m_services.sounds)
        m_services.sounds->play(WindowSound::RestoreDown, SoundFlags::NotOverAPlayingSound);
}
