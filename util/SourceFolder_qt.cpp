// SPDX-License-Identifier: MIT
// Through Qt, by path: each file is opened with openRegularFile().
#include "RegularFile.h"
#include "SourceFolder.h"

#include <QFile>

#include <cerrno>

struct SourceFolder::Platform
{
    QString path; // of the folder, ending in "/"
};

SourceFolder::SourceFolder() : platform(std::make_unique<Platform>()) {}

SourceFolder::~SourceFolder() = default;

bool SourceFolder::open(const QString &path, int &error)
{
    Q_UNUSED(error); // a folder that is gone shows when its files are opened
    platform->path = path + QLatin1Char('/');
    return true;
}

qint64 SourceFolder::read(const QByteArray &name, char *into, qint64 capacity, int &error)
{
    QFile file;
    if (!openFile(name, file, error))
        return -1;
    errno = 0;
    const qint64 got = file.read(into, capacity);
    if (got < 0)
        error = errno;
    return got;
}

bool SourceFolder::openFile(const QByteArray &name, QFile &file, int &error)
{
    return openRegularFile(file, platform->path + QString::fromUtf8(name), error);
}
