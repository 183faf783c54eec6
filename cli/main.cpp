// SPDX-License-Identifier: MIT
#include "Cli.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("velmoro-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORO_VERSION));
    // Unbuffered: the tool gathers its output in large blocks itself, and
    // sees at once when a write fails.
    QFile out;
    QFile err;
    out.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
    err.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle);
#ifndef Q_OS_WIN // Windows passes the arguments as text already
    QList<QByteArray> bytes;
    for (int i = 1; i < argc; ++i)
        bytes.append(QByteArray(argv[i]));
    if (const int refused = checkArgumentBytes(bytes, err))
        return refused;
#endif
    return runCli(QCoreApplication::arguments(), {out, err, isatty(2) != 0});
}
