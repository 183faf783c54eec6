#pragma once

// What the fuzz targets share: a private folder for each process, files
// written there, and a check that a run left nothing where it should not.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace FuzzWorkspace {

inline const QString &folder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/velmoro-fuzz-XXXXXX"));
    static const QString path = dir.path();
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
