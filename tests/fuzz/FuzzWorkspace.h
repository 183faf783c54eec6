// SPDX-License-Identifier: MIT
#pragma once

// What the fuzz targets share: a private folder for each process (in memory
// where /dev/shm exists, since every run writes there), files written there,
// and a check that a run left nothing where it should not.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace FuzzWorkspace {

// A process that stopped on a finding or a time-out leaves its folder behind;
// the next one removes those of processes that are gone.
inline void removeAbandoned(const QString &parent)
{
    const QString prefix = QStringLiteral("velmoro-fuzz-");
    for (const QString &name : QDir(parent).entryList({prefix + QLatin1Char('*')}, QDir::Dirs)) {
        const qint64 pid = name.mid(prefix.size()).section(QLatin1Char('-'), 0, 0).toLongLong();
        if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            QDir(parent + QLatin1Char('/') + name).removeRecursively();
    }
}

inline const QString &folder()
{
    static const QString parent = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                      ? QStringLiteral("/dev/shm")
                                      : QDir::tempPath();
    static const bool swept = (removeAbandoned(parent), true);
    static QTemporaryDir dir(parent + QStringLiteral("/velmoro-fuzz-%1-XXXXXX").arg(::getpid()));
    static const QString path = dir.path();
    (void)swept;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create the fuzz workspace in %s\n", qPrintable(parent));
        std::abort();
    }
    return path;
}

inline QString writeInput(const uint8_t *data, size_t size)
{
    const QString path = folder() + QStringLiteral("/input.tsk");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size)) {
        std::fprintf(stderr, "cannot write the fuzz input\n");
        std::abort();
    }
    return path;
}

// Every file and folder below `root`, relative to it.
inline QStringList everything(const QString &root)
{
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        all.append(QDir(root).relativeFilePath(it.next()));
    return all;
}

[[noreturn]] inline void fail(const char *what, const QString &detail = QString())
{
    std::fprintf(stderr, "FUZZ FINDING: %s %s\n", what, qPrintable(detail));
    std::abort();
}

// A name that would lead outside the folder it is unpacked into: a ".."
// component between "/" or "\" separators, or a NUL character.
inline bool leadsOutside(const QString &name)
{
    if (name.contains(QChar(0)))
        return true;
    QString slashes = name;
    slashes.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return slashes.split(QLatin1Char('/')).contains(QStringLiteral(".."));
}

} // namespace FuzzWorkspace
