#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

// What a second start says to the running copy over the local socket.
//
//   "activate\n"                      come to the front (no paths)
//   "activate <n>\n" + n records      come to the front and open n paths
//   record: "<length>:" <length raw bytes> "\n"
//
// The answer is "ok\n", or "ok <n>\n" once n paths were taken; "closing\n"
// when the running copy is on its way out and took nothing. "wait\n" may come
// first: the paths wait for a box to close, and one of the others follows.
// Lengths and counts are plain decimal, no sign, no leading zero. Paths are
// raw bytes (any byte but NUL), so no name can break the framing.
namespace HandOver {
inline constexpr char Waiting[] = "wait\n";
inline constexpr char Closing[] = "closing\n";

constexpr int MaxPaths = 100000;
constexpr int MaxPathBytes = 64 * 1024;
constexpr qsizetype MaxMessageBytes = 8 * 1024 * 1024;

QByteArray encode(const QList<QByteArray> &paths);
QByteArray answer(qsizetype pathCount);

struct Message {
    enum class Status { Incomplete, Malformed, Complete };
    Status status = Status::Incomplete;
    QList<QByteArray> paths;
    QString error;   // why it is malformed
};
// Reads what has arrived so far; bytes after a complete message are ignored.
Message decode(const QByteArray &received);
}
