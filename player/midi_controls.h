#pragma once

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QToolButton;
class MediaControl;
class DirList;
class FileList;
class DriveCombo;
class PlayListBox;

// The player window's controls, named as their objects are (findChild finds
// them by the same names). Built in midi_controls.cpp; the window owns them.
struct MidiControls {
    // The strip.
    QFrame *SSPanel2 = nullptr;
    QLabel *Image1 = nullptr, *Image2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QSlider *SliderTime = nullptr;
    MediaControl *MMControl1 = nullptr;
    QToolButton *cmdVolume = nullptr, *cmdExpand = nullptr, *cmdHelp = nullptr;
    QToolButton *cmdHide = nullptr, *cmdQuit = nullptr;
    QPushButton *cmdAbout = nullptr;
    // The selection panel.
    QFrame *SSPanel1 = nullptr;
    QLabel *Label5 = nullptr, *Label6 = nullptr, *Label8 = nullptr;
    QToolButton *cmdAdd = nullptr, *cmdRemove = nullptr;
    QPushButton *cmdNew = nullptr, *cmdOpen = nullptr, *cmdSave = nullptr;
    QPushButton *cmdColor = nullptr, *cmdClear = nullptr;
    QLineEdit *txtPause = nullptr;
    QSpinBox *UpDown1 = nullptr;
    DriveCombo *Drive1 = nullptr;
    DirList *Dir1 = nullptr;
    FileList *File1 = nullptr;
    QCheckBox *chkClose = nullptr, *chkLoop = nullptr, *chkShuffle = nullptr;
    PlayListBox *List1 = nullptr;
};
