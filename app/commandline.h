#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// lyrabox [OPTIONS] [FILE|FOLDER|URL...]
namespace CommandLine {
enum class Action { Run, Help, Version, Error };

struct Request {
    Action action = Action::Run;
    QString error;   // for Error: what was wrong
    // Absolute paths as raw bytes (file: URLs turned into paths); other
    // addresses as given.
    QList<QByteArray> paths;
};

// The program's arguments as bytes, the program itself first.
QList<QByteArray> arguments(int argc, char **argv);

// Before the application object exists, Qt's own options (-platform,
// -style...) are still among the arguments: unknown options that Qt may take
// are let through then, and no paths are given.
enum class Stage { BeforeQt, AfterQt };
Request parse(const QList<QByteArray> &args, const QByteArray &workingDir, Stage stage);

// Needs an application object (it names the program as it was started).
QString helpText();
QString versionText();
// Prints help, the version or the error; returns the exit code.
int answer(const Request &request);
// The folder the program was started in, in bytes.
QByteArray workingDir();
// Paths in bytes as the window takes them.
QStringList names(const QList<QByteArray> &paths);

// A path as a file manager or a shell passes it, as an absolute path in bytes.
QByteArray absolute(const QByteArray &arg, const QByteArray &workingDir);
}
