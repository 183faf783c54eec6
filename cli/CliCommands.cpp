#include "CliCommands.h"

#include "TerminalProgress.h"
#include "archive/ThemePacker.h"
#include "archive/ThemeReader.h"
#include "util/FormatSize.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

void CliOutput::failure(const QString &item, const QString &reason)
{
    err << "velmoro-cli: " << QDir::toNativeSeparators(item) << ": " << reason << Qt::endl;
}

bool packFolders(const PackOptions &options, CliOutput &output)
{
    if (!options.outputDir.isEmpty())
        QDir().mkpath(options.outputDir); // a failure shows as the packer's own message
    bool allPacked = true;
    TerminalProgress progress(!output.verbose);
    for (const QString &folder : options.folders) {
        ThemePacker packer;
        progress.start(QStringLiteral("packing"), folder);
        packer.progress = [&progress](qint64 done, qint64 total) { return progress.update(done, total); };
        // Absolute and clean, so "." or "themes/blue/" still name the folder itself.
        packer.folderPath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        packer.themeName = options.themeName;
        if (!options.archivePath.isEmpty())
            packer.themeFilePath = options.archivePath;
        else if (!options.outputDir.isEmpty())
            packer.themeFilePath = options.outputDir + QLatin1Char('/')
                                   + QFileInfo(packer.folderPath).fileName()
                                   + QStringLiteral(".tsk");
        if (output.verbose)
            packer.entryStarted = [&output](const QString &name) { output.out << name << Qt::endl; };
        const bool packed = packer.pack();
        progress.finish();
        if (!packed) {
            output.failure(folder, packer.errorString);
            allPacked = false;
        } else if (output.verbose) {
            output.out << "-> " << QDir::toNativeSeparators(packer.themeFilePath) << Qt::endl;
        }
    }
    return allPacked;
}

bool unpackArchives(const UnpackOptions &options, CliOutput &output)
{
    bool allUnpacked = true;
    TerminalProgress progress(!output.verbose);
    for (const QString &archive : options.archives) {
        // A reader per archive: an empty target means beside this archive,
        // not beside the first one.
        ThemeReader reader;
        progress.start(QStringLiteral("unpacking"), archive);
        reader.progress = [&progress](qint64 done, qint64 total) { return progress.update(done, total); };
        reader.themeFilePath = archive;
        reader.targetDir = options.outputDir;
        if (output.verbose) {
            reader.fileWritten = [&output](const QString &path) {
                output.out << QDir::toNativeSeparators(path) << Qt::endl;
            };
        }
        const bool extracted = reader.extract();
        progress.finish();
        if (!extracted) {
            output.failure(archive, reader.errorString);
            allUnpacked = false;
        }
    }
    return allUnpacked;
}

namespace {

QString jsonString(const QString &text)
{
    QString quoted;
    quoted.reserve(text.size() + 2);
    quoted += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"': quoted += QLatin1String("\\\""); break;
        case '\\': quoted += QLatin1String("\\\\"); break;
        case '\b': quoted += QLatin1String("\\b"); break;
        case '\f': quoted += QLatin1String("\\f"); break;
        case '\n': quoted += QLatin1String("\\n"); break;
        case '\r': quoted += QLatin1String("\\r"); break;
        case '\t': quoted += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                quoted += c;
        }
    }
    quoted += QLatin1Char('"');
    return quoted;
}

void printJson(QTextStream &out, const QString &path, const QString &theme,
               const QString &version, const ThemeEntryList &entries)
{
    out << "{\"path\":" << jsonString(path) << ",\"theme\":" << jsonString(theme)
        << ",\"version\":" << jsonString(version) << ",\"entries\":[";
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ThemeEntry &entry = entries[i];
        out << (i ? "," : "") << "{\"name\":" << jsonString(entry.name)
            << ",\"offset\":" << entry.offset << ",\"size\":" << entry.size
            << ",\"sizeText\":" << jsonString(formatSize(entry.size)) << '}';
    }
    out << "]}\n";
}

void printTable(QTextStream &out, const QString &path, const QString &theme,
                const QString &version, const ThemeEntryList &entries)
{
    out << "Archive: " << QDir::toNativeSeparators(path) << '\n'
        << "Theme:   " << theme << '\n'
        << "Version: " << version << '\n';
    for (const ThemeEntry &entry : entries) {
        out << formatSize(entry.size).rightJustified(10) << "  "
            << QString::number(entry.size).rightJustified(10) << "  " << entry.name << '\n';
    }
}

} // namespace

bool listArchives(const ListOptions &options, CliOutput &output)
{
    bool allListed = true;
    bool first = true;
    for (const QString &archive : options.archives) {
        ThemeReader reader;
        ThemeEntryList entries;
        QString theme;
        if (!reader.readIndex(archive, entries, theme)) {
            output.out.flush();
            output.failure(archive, reader.errorString);
            allListed = false;
            continue;
        }
        if (options.json) {
            printJson(output.out, archive, theme, reader.version, entries);
        } else {
            if (!first)
                output.out << '\n';
            printTable(output.out, archive, theme, reader.version, entries);
        }
        first = false;
    }
    output.out.flush();
    return allListed;
}
