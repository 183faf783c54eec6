// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

class CliOutput;

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

struct ExtractOptions
{
    QString archive;
    QStringList names; // resources or folders, wildcards allowed
    QString outputDir; // -d: DIR/<theme name>/; empty: beside the archive
};

struct CatOptions
{
    QString archive;
    QString name;
};

struct AddOptions
{
    QString archive;
    QStringList paths; // files and folders
    QString folder;    // --at: the folder in the theme they go into; empty: its top
};

struct RemoveOptions
{
    QString archive;
    QStringList names; // resources or folders, wildcards allowed
};

struct MoveOptions
{
    QString archive;
    QString from; // a resource or folder
    QString to;   // its new path
};

struct DiffOptions
{
    QString oldArchive;
    QString newArchive;
    bool json = false;
};

// Each returns true when every item succeeded and everything it printed was
// written; the commands stop early, cleanly, when Ctrl+C or SIGTERM arrives.
bool packFolders(const PackOptions &options, CliOutput &output);
bool unpackArchives(const UnpackOptions &options, CliOutput &output);
bool listArchives(const ListOptions &options, CliOutput &output);
bool extractEntries(const ExtractOptions &options, CliOutput &output);
bool catEntry(const CatOptions &options, CliOutput &output);
bool addResources(const AddOptions &options, CliOutput &output);
bool removeResources(const RemoveOptions &options, CliOutput &output);
bool moveResource(const MoveOptions &options, CliOutput &output);

// As diff(1): CliSuccess when the archives hold the same resources,
// CliDifferent when they do not (each difference on standard output),
// CliTrouble when one cannot be read or the output cannot be written.
int diffArchives(const DiffOptions &options, CliOutput &output);
