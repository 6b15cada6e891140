#pragma once
#include <QString>

// Why something the player was asked to do did not happen, or what the user
// must hear about it: the device's error number (0 for the player's own) and
// the words to show. The kind says how it is shown.
struct Failure {
    enum class Kind {
        Notice,        // a plain box
        Information,   // a box with the information sign
        Warning,       // a box with the exclamation sign
        Report,        // a warning; on the terminal while the system ends the program
        OpenError,     // the device's failure to open, under the device's title
        Fault,         // the device could not go on
    };
    Kind kind = Kind::Notice;
    int error = 0;
    QString text;
};
