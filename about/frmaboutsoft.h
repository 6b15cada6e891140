#pragma once
#include "app/services.h"
#include <QDialog>

class QPushButton;
class QTextBrowser;

// The software notice: the terms of use, closed by its own button.
class frmAboutSoft : public QDialog {
    Q_OBJECT
public:
    frmAboutSoft(const Services &services, QWidget *parent);
    ~frmAboutSoft() override;

    // The notice text as shown.
    static QString NoticeText();

    void cmdClose_Click();

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    void reject() override;

private:
    void unload();

    Services m_services;
    QTextBrowser *txtNotice = nullptr;
    QPushButton *cmdClose = nullptr;
    bool m_shown = false;
    bool m_unloaded = false;
};
