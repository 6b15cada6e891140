#include "playback/core/audioformat.h"
#include <QDir>
#include <QFileInfo>
#include <QSet>

std::optional<AudioFormat> audioFormatNamed(const QString &name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("wav"))
        return AudioFormat::Wav;
    if (n == QLatin1String("flac"))
        return AudioFormat::Flac;
    if (n == QLatin1String("ogg") || n == QLatin1String("oga"))
        return AudioFormat::Ogg;
    return std::nullopt;
}

std::optional<AudioFormat> audioFormatOfFile(const QString &path)
{
    return audioFormatNamed(QFileInfo(path).suffix());
}

QString audioFormatExtension(AudioFormat format)
{
    switch (format) {
    case AudioFormat::Flac: return QStringLiteral("flac");
    case AudioFormat::Ogg: return QStringLiteral("ogg");
    default: return QStringLiteral("wav");
    }
}

QString exportNameIn(const QString &folder, const QString &input, AudioFormat format)
{
    return QDir(folder).filePath(QFileInfo(input).completeBaseName() + QLatin1Char('.') + audioFormatExtension(format));
}

ExportPlan planExport(const QStringList &inputs, const QString &output, std::optional<AudioFormat> format,
                      const QString &current)
{
    ExportPlan plan;
    const bool toFile = inputs.size() == 1 && !output.isEmpty() && !output.endsWith(QLatin1Char('/'))
                        && !QFileInfo(output).isDir();
    if (toFile) {
        const std::optional<AudioFormat> byName = audioFormatOfFile(output);
        if (format && byName && *format != *byName) {
            plan.usageError = QStringLiteral("The format %1 does not fit the name %2, which stands for %3.")
                                  .arg(audioFormatExtension(*format), output, audioFormatExtension(*byName));
            return plan;
        }
        const std::optional<AudioFormat> named = format ? format : byName;
        if (!named) {
            plan.usageError = QStringLiteral("Cannot tell the audio format from the name %1: "
                                             "give it as wav, flac or ogg with -f.")
                                  .arg(output);
            return plan;
        }
        plan.format = *named;
        plan.outputs << output;
        plan.problems << QString();
    } else {
        plan.format = format.value_or(AudioFormat::Wav);
        plan.folder = output.isEmpty() ? current : output;
        for (const QString &in : inputs) {
            plan.outputs << exportNameIn(plan.folder, in, plan.format);
            plan.problems << QString();
        }
    }
    QSet<QString> taken;
    for (int i = 0; i < inputs.size(); ++i) {
        const QString out = QFileInfo(plan.outputs[i]).absoluteFilePath();
        if (out == QFileInfo(inputs[i]).absoluteFilePath())
            plan.problems[i] = QStringLiteral("The song itself would be written over.");
        else if (taken.contains(out))
            plan.problems[i] = QStringLiteral("Another song of this export is written to %1.").arg(plan.outputs[i]);
        taken.insert(out);
    }
    return plan;
}
