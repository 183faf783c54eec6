#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// What a command reports through: results to `out`, one line per failed item
// to `err`.
struct CliOutput
{
    QTextStream &out;
    QTextStream &err;
    bool verbose = false;

    void failure(const QString &item, const QString &reason);
};

struct PackOptions
{
    QStringList folders;
    QString outputDir;   // -d: DIR/<folder name>.tsk
    QString themeName;   // --name, one folder only
    QString archivePath; // -o, one folder only
};

struct UnpackOptions
{
    QStringList archives;
    QString outputDir; // -d: DIR/<theme name>/; empty: beside each archive
};

struct ListOptions
{
    QStringList archives;
    bool json = false;
};

// Each returns true when every item succeeded.
bool packFolders(const PackOptions &options, CliOutput &output);
bool unpackArchives(const UnpackOptions &options, CliOutput &output);
bool listArchives(const ListOptions &options, CliOutput &output);
