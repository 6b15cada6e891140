#include "playback/core/soundconfig.h"
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <array>
#include <utility>

namespace {
constexpr std::array BankModes{std::pair{SoundConfig::BankMode::GM, "gm"}, std::pair{SoundConfig::BankMode::GS, "gs"},
                               std::pair{SoundConfig::BankMode::XG, "xg"},
                               std::pair{SoundConfig::BankMode::MMA, "mma"}};
constexpr std::array SongResets{
    std::pair{SoundConfig::SongReset::Program, "program"}, std::pair{SoundConfig::SongReset::GM, "gm"},
    std::pair{SoundConfig::SongReset::GS, "gs"}, std::pair{SoundConfig::SongReset::XG, "xg"}};

template <typename Table, typename Value> QString nameOf(const Table &table, Value v)
{
    for (const auto &[value, name] : table) {
        if (value == v)
            return QString::fromLatin1(name);
    }
    return {};
}

template <typename Value, typename Table> std::optional<Value> valueOf(const Table &table, const QString &name)
{
    for (const auto &[value, text] : table) {
        if (name.trimmed().compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}
}

SoundConfig SoundConfig::withDefaultEffects() const
{
    SoundConfig c;
    c.banks = banks;
    c.bankMode = bankMode;
    c.songReset = songReset;
    c.audioDriver = audioDriver;
    c.audioDevice = audioDevice;
    c.bufferFrames = bufferFrames;
    return c;
}

bool SoundConfig::sameSynth(const SoundConfig &other) const
{
    return banks == other.banks && bankMode == other.bankMode;
}

bool SoundConfig::sameOutput(const SoundConfig &other) const
{
    return audioDriver == other.audioDriver && audioDevice == other.audioDevice && bufferFrames == other.bufferFrames;
}

QString bankModeName(SoundConfig::BankMode mode)
{
    return nameOf(BankModes, mode);
}

std::optional<SoundConfig::BankMode> bankModeFromName(const QString &name)
{
    return valueOf<SoundConfig::BankMode>(BankModes, name);
}

QString songResetName(SoundConfig::SongReset reset)
{
    return nameOf(SongResets, reset);
}

std::optional<SoundConfig::SongReset> songResetFromName(const QString &name)
{
    return valueOf<SoundConfig::SongReset>(SongResets, name);
}

QStringList systemBankFolders()
{
    QStringList folders{QStringLiteral("/usr/share/sounds/sf2"), QStringLiteral("/usr/share/soundfonts")};
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!home.isEmpty())
        folders << home + QStringLiteral("/soundfonts");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        folders << dir + QStringLiteral("/soundfonts") << dir + QStringLiteral("/sounds/sf2");
    QStringList unique;
    for (const QString &f : std::as_const(folders)) {
        const QString clean = QDir::cleanPath(f);
        if (!unique.contains(clean))
            unique << clean;
    }
    return unique;
}

QStringList findSystemBanks(const QStringList &folders)
{
    QStringList banks;
    QStringList seen;   // by target: default-GM.sf2 links to a bank beside it
    // Real files first, so a bank shows under its own name rather than a link's.
    for (const bool links : {false, true}) {
        for (const QString &folder : folders) {
            const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.sf2"), QStringLiteral("*.sf3")},
                                                                   QDir::Files | QDir::Readable,
                                                                   QDir::Name | QDir::IgnoreCase);
            for (const QFileInfo &file : files) {
                const QString target = file.canonicalFilePath();
                if (file.isSymLink() != links || target.isEmpty() || seen.contains(target))
                    continue;
                seen << target;
                banks << file.absoluteFilePath();
            }
        }
    }
    return banks;
}
