// SPDX-License-Identifier: MIT
#include "CliCommands.h"

#include "CliOutput.h"
#include "Interruption.h"
#include "TerminalProgress.h"
#include "TerminalText.h"
#include "archive/EntrySelection.h"
#include "archive/ThemePacker.h"
#include "archive/ThemeReader.h"
#include "util/FormatSize.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <charconv>
#include <cstdio>
#include <cstring>

namespace {

bool interrupted()
{
    return InterruptionWatch::signal() != 0;
}

template <typename Job> void reportProgressOf(Job &job, TerminalProgress &progress)
{
    job.progress = [&progress](qint64 done, qint64 total) { return progress.update(done, total); };
}

// The folders of `path` that do not exist yet, the deepest first.
QStringList missingFolders(const QString &path)
{
    QStringList missing;
    for (QFileInfo folder(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
         !folder.exists() && !folder.isRoot(); folder = QFileInfo(folder.absolutePath()))
        missing.append(folder.absoluteFilePath());
    return missing;
}

// The archive a folder is packed into, as the packer would name it.
QString archiveFor(const PackOptions &options, const QString &folder)
{
    if (!options.archivePath.isEmpty())
        return options.archivePath;
    const QString name =
        (options.themeName.isEmpty() ? QFileInfo(folder).fileName() : options.themeName)
        + QStringLiteral(".tsk");
    if (!options.outputDir.isEmpty())
        return options.outputDir + QLatin1Char('/') + name;
    return QFileInfo(folder).absolutePath() + QLatin1Char('/') + name;
}

void appendRightJustified(QByteArray &line, const char *text, qsizetype length, qsizetype width)
{
    const qsizetype padding = qMax<qsizetype>(0, width - length);
    const qsizetype start = line.size();
    line.resize(start + padding + length);
    std::memset(line.data() + start, ' ', size_t(padding));
    std::memcpy(line.data() + start + padding, text, size_t(length));
}

void appendTable(CliOutput &output, const QString &path, const QString &theme,
                 const QString &version, const ThemeEntryList &entries)
{
    QByteArray &text = output.text();
    text += "Archive: ";
    appendForTerminal(text, QDir::toNativeSeparators(path));
    text += "\nTheme:   ";
    appendForTerminal(text, theme);
    text += "\nVersion: ";
    appendForTerminal(text, version);
    text += '\n';
    output.wrote();
    for (const ThemeEntry &entry : entries) {
        char size[32];
        const int sizeLength = formatSize(entry.size, size);
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, entry.size).ptr;
        QByteArray &line = output.text();
        appendRightJustified(line, size, sizeLength, 10);
        line += "  ";
        appendRightJustified(line, digits, end - digits, 10);
        line += "  ";
        appendForTerminal(line, entry.name);
        line += '\n';
        output.wrote();
    }
}

// Appends `text` as a JSON string. Written by hand rather than through
// QJsonObject and QJsonDocument: those made "list --json" of 20,000 entries
// take 2.4 times as long. A lone surrogate (a byte of a name that was not
// UTF-8) becomes "\udcff", as QJsonDocument writes it too.
void appendJsonString(QByteArray &out, QStringView text)
{
    out += '"';
    qsizetype runStart = 0;
    const auto endRun = [&](qsizetype end) {
        if (end > runStart)
            out += text.mid(runStart, end - runStart).toUtf8();
        runStart = end + 1;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit >= 0x20 && unit < 0x7F && unit != '"' && unit != '\\') {
            if (i == runStart) { // plain ASCII goes straight in
                out += char(unit);
                runStart = i + 1;
            }
            continue;
        }
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (unit >= 0x7F && !text[i].isSurrogate())
            continue; // part of a run converted at once
        if (pair) {
            ++i;
            continue;
        }
        endRun(i);
        switch (unit) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: {
            char escape[7];
            std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(unit));
            out.append(escape, 6);
        }
        }
    }
    endRun(text.size());
    out += '"';
}

void appendJson(CliOutput &output, const QString &path, const QString &theme,
                const QString &version, const ThemeEntryList &entries)
{
    QByteArray &text = output.text();
    text += "{\"path\":";
    appendJsonString(text, path);
    text += ",\"theme\":";
    appendJsonString(text, theme);
    text += ",\"version\":";
    appendJsonString(text, version);
    text += ",\"entries\":[";
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const ThemeEntry &entry = entries[i];
        char size[32];
        text += i ? ",{\"name\":" : "{\"name\":";
        appendJsonString(text, entry.name);
        text += ",\"offset\":" + QByteArray::number(entry.offset)
                + ",\"size\":" + QByteArray::number(entry.size) + ",\"sizeText\":\"";
        text.append(size, formatSize(entry.size, size));
        text += "\"}";
        output.wrote();
    }
    text += "]}\n";
    output.wrote();
}

} // namespace

bool packFolders(const PackOptions &options, CliOutput &output)
{
    // -d is created only when a pack needs it, and removed again when
    // nothing was packed into it: a failed run leaves no empty folders.
    const QStringList createdFolders =
        options.outputDir.isEmpty() ? QStringList() : missingFolders(options.outputDir);
    bool anyPacked = false;
    bool allPacked = true;
    QHash<QString, QString> packedInto; // archive path -> the folder packed into it in this run
    TerminalProgress progress(output.err, output.errIsTerminal && !output.verbose);
    for (const QString &folder : options.folders) {
        if (interrupted())
            break;
        ThemePacker packer;
        progress.start(QStringLiteral("packing"), folder);
        reportProgressOf(packer, progress);
        // Absolute and clean, so "." or "themes/blue/" still name the folder itself.
        packer.folderPath = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        packer.themeName = options.themeName;
        packer.themeFilePath = archiveFor(options, packer.folderPath);
        const QString archiveKey =
            QDir::cleanPath(QFileInfo(packer.themeFilePath).absoluteFilePath());
        if (packedInto.contains(archiveKey)) {
            // Two folders of one name with one -d: the later would silently
            // replace the earlier one's archive.
            output.failure(
                folder, QStringLiteral("The theme file %1 was already written in this run for %2.")
                            .arg(QDir::toNativeSeparators(packer.themeFilePath),
                                 QDir::toNativeSeparators(packedInto.value(archiveKey))));
            allPacked = false;
            continue;
        }
        if (output.verbose) {
            packer.entryStarted = [&output](const QString &name) {
                appendForTerminal(output.text(), name);
                output.text() += '\n';
                output.flush();
            };
        }
        if (!createdFolders.isEmpty())
            QDir().mkpath(options.outputDir);
        const bool packed = packer.pack();
        progress.finish();
        if (!packed) {
            output.failure(folder, packer.errorString, packer.systemError);
            allPacked = false;
            continue;
        }
        anyPacked = true;
        packedInto.insert(archiveKey, packer.folderPath);
        if (output.verbose) {
            output.text() += "-> ";
            appendForTerminal(output.text(), QDir::toNativeSeparators(packer.themeFilePath));
            output.text() += '\n';
            output.flush();
        }
    }
    if (!anyPacked) {
        for (const QString &created : createdFolders)
            QDir().rmdir(created);
    }
    return output.flush() && allPacked && !interrupted();
}

// The theme folder an archive would be unpacked into; empty when its index
// cannot be read (the unpack then says why).
QString themeFolderOf(const QString &archive, const QString &outputDir)
{
    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    if (!reader.readIndex(archive, entries, theme))
        return QString();
    const QString target = outputDir.isEmpty() ? QFileInfo(archive).absolutePath() : outputDir;
    return QDir::cleanPath(QFileInfo(target).absoluteFilePath() + QLatin1Char('/') + theme);
}

bool unpackArchives(const UnpackOptions &options, CliOutput &output)
{
    bool allUnpacked = true;
    QHash<QString, QString>
        unpackedInto; // theme folder -> the archive unpacked into it in this run
    TerminalProgress progress(output.err, output.errIsTerminal && !output.verbose);
    for (const QString &archive : options.archives) {
        if (interrupted())
            break;
        // Two archives of one theme name would mix their files in one folder,
        // the later silently replacing the earlier's: the later one fails.
        const QString themeFolder = themeFolderOf(archive, options.outputDir);
        if (!themeFolder.isEmpty() && unpackedInto.contains(themeFolder)) {
            output.failure(
                archive,
                QStringLiteral("The theme folder %1 was already written in this run from %2.")
                    .arg(QDir::toNativeSeparators(themeFolder),
                         QDir::toNativeSeparators(unpackedInto.value(themeFolder))));
            allUnpacked = false;
            continue;
        }
        if (!themeFolder.isEmpty())
            unpackedInto.insert(themeFolder, archive);
        // A reader per archive: an empty target means beside this archive,
        // not beside the first one.
        ThemeReader reader;
        progress.start(QStringLiteral("unpacking"), archive);
        reportProgressOf(reader, progress);
        reader.themeFilePath = archive;
        reader.targetDir = options.outputDir;
        if (output.verbose) {
            reader.fileWritten = [&output](const QString &path) {
                appendForTerminal(output.text(), QDir::toNativeSeparators(path));
                output.text() += '\n';
                output.flush();
            };
        }
        const bool extracted = reader.extract();
        progress.finish();
        if (!extracted) {
            output.failure(archive, reader.errorString, reader.systemError);
            allUnpacked = false;
        }
    }
    return output.flush() && allUnpacked && !interrupted();
}

bool listArchives(const ListOptions &options, CliOutput &output)
{
    bool allListed = true;
    bool first = true;
    for (const QString &archive : options.archives) {
        if (interrupted() || output.outputFailed())
            break;
        ThemeReader reader;
        ThemeEntryList entries;
        QString theme;
        if (!reader.readIndex(archive, entries, theme)) {
            output.failure(archive, reader.errorString, reader.systemError);
            allListed = false;
            continue;
        }
        if (options.json) {
            appendJson(output, archive, theme, reader.version, entries);
        } else {
            if (!first)
                output.text() += '\n';
            appendTable(output, archive, theme, reader.version, entries);
        }
        first = false;
    }
    return output.flush() && allListed && !interrupted();
}

bool extractEntries(const ExtractOptions &options, CliOutput &output)
{
    ThemeReader reader;
    ThemeEntryList entries;
    QString theme;
    if (!reader.readIndex(options.archive, entries, theme)) {
        output.failure(options.archive, reader.errorString, reader.systemError);
        return false;
    }
    QStringList unmatched;
    const QStringList chosen = selectEntries(entries, options.names, unmatched);
    for (const QString &name : std::as_const(unmatched))
        output.failure(options.archive,
                       QStringLiteral("The theme file holds nothing named: %1").arg(name));

    bool extracted = true;
    if (!chosen.isEmpty()) {
        TerminalProgress progress(output.err, output.errIsTerminal && !output.verbose);
        progress.start(QStringLiteral("extracting from"), options.archive);
        reportProgressOf(reader, progress);
        reader.themeFilePath = options.archive;
        reader.targetDir = options.outputDir;
        if (output.verbose) {
            reader.fileWritten = [&output](const QString &path) {
                appendForTerminal(output.text(), QDir::toNativeSeparators(path));
                output.text() += '\n';
                output.flush();
            };
        }
        extracted = reader.extractEntries(chosen);
        progress.finish();
        if (!extracted)
            output.failure(options.archive, reader.errorString, reader.systemError);
    }
    return output.flush() && extracted && unmatched.isEmpty() && !interrupted();
}

bool catEntry(const CatOptions &options, CliOutput &output)
{
    output.flush();
    ThemeReader reader;
    const QString name =
        options.name.startsWith(QLatin1Char('/')) ? options.name : QLatin1Char('/') + options.name;
    if (!reader.readEntry(options.archive, name, output.out)) {
        if (reader.outputError != 0) // told as standard output's failure, as list tells it
            output.outputWriteFailed(reader.outputError);
        else
            output.failure(options.archive, reader.errorString, reader.systemError);
        return false;
    }
    return true;
}
