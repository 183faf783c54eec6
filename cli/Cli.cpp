#include "Cli.h"

#include "CliCommands.h"

#include <QCommandLineParser>
#include <QTextStream>

namespace {

const char programName[] = "velmoro-cli";

const char generalHelp[] =
    "Usage: velmoro-cli COMMAND [OPTIONS] ITEM...\n"
    "Packs theme resource folders into .tsk theme archives and unpacks them again.\n"
    "\n"
    "Commands:\n"
    "  pack FOLDER... [-d DIR] [--name NAME] [-o FILE]\n"
    "                       pack each folder into DIR/<folder name>.tsk\n"
    "                       (without -d: beside the folder)\n"
    "  unpack ARCHIVE... [-d DIR]\n"
    "                       unpack each archive into DIR/<theme name>/\n"
    "                       (without -d: beside the archive)\n"
    "  list [--json] ARCHIVE...\n"
    "                       show each archive's theme name, version and resources\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this help, or a command's help after the command\n"
    "  --version            show the version\n"
    "  -v, --verbose        print each file as it is packed or written\n"
    "\n"
    "Exit status: 0 when every item succeeded, 1 when any failed, 2 for bad usage.\n";

const char packHelp[] =
    "Usage: velmoro-cli pack FOLDER... [-d DIR] [--name NAME] [-o FILE] [-v]\n"
    "Packs each folder into a .tsk theme archive.\n"
    "\n"
    "  -d, --directory DIR  write DIR/<folder name>.tsk (DIR is created when missing);\n"
    "                       without it the archive lands beside its folder\n"
    "  --name NAME          theme name written into the archive (one FOLDER only;\n"
    "                       default: the folder's name)\n"
    "  -o, --output FILE    path of the archive (one FOLDER only)\n"
    "  -v, --verbose        print each resource as it is packed\n";

const char unpackHelp[] =
    "Usage: velmoro-cli unpack ARCHIVE... [-d DIR] [-v]\n"
    "Unpacks each theme archive into a folder named after its theme.\n"
    "\n"
    "  -d, --directory DIR  unpack into DIR/<theme name>/; without it, beside the archive\n"
    "  -v, --verbose        print each file as it is written\n";

const char listHelp[] =
    "Usage: velmoro-cli list [--json] ARCHIVE...\n"
    "Shows each archive's theme name, version and resources (size, bytes, name).\n"
    "\n"
    "  --json               one JSON object per archive per line:\n"
    "                       {\"path\", \"theme\", \"version\",\n"
    "                        \"entries\": [{\"name\", \"offset\", \"size\", \"sizeText\"}]}\n";

int usageError(QTextStream &err, const QString &message, const QString &command = QString())
{
    err << programName << ": " << message << '\n'
        << "Try '" << programName << ' ' << (command.isEmpty() ? QString() : command + QLatin1Char(' '))
        << "--help' for more information." << Qt::endl;
    return CliBadUsage;
}

} // namespace

int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    const QString command = arguments.value(1);
    if (command.isEmpty())
        return usageError(err, QStringLiteral("no command given"));
    if (command == QLatin1String("-h") || command == QLatin1String("--help")
        || command == QLatin1String("help")) {
        out << generalHelp << Qt::flush;
        return CliSuccess;
    }
    if (command == QLatin1String("--version")) {
        out << programName << ' ' << VELMORO_VERSION << Qt::endl;
        return CliSuccess;
    }

    const char *help = nullptr;
    if (command == QLatin1String("pack"))
        help = packHelp;
    else if (command == QLatin1String("unpack"))
        help = unpackHelp;
    else if (command == QLatin1String("list"))
        help = listHelp;
    else
        return usageError(err, QStringLiteral("unknown command '%1'").arg(command));

    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption verboseOption(QStringList{QStringLiteral("v"), QStringLiteral("verbose")});
    const QCommandLineOption dirOption({QStringLiteral("d"), QStringLiteral("directory")},
                                       QString(), QStringLiteral("DIR"));
    const QCommandLineOption nameOption(QStringLiteral("name"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption outputOption({QStringLiteral("o"), QStringLiteral("output")},
                                          QString(), QStringLiteral("FILE"));
    const QCommandLineOption jsonOption(QStringLiteral("json"));

    QCommandLineParser parser;
    parser.addOption(helpOption);
    if (command == QLatin1String("pack"))
        parser.addOptions({verboseOption, dirOption, nameOption, outputOption});
    else if (command == QLatin1String("unpack"))
        parser.addOptions({verboseOption, dirOption});
    else
        parser.addOptions({verboseOption, jsonOption});

    QStringList commandArguments = arguments;
    commandArguments.removeAt(1);
    if (!parser.parse(commandArguments))
        return usageError(err, parser.errorText(), command);
    if (parser.isSet(helpOption)) {
        out << help << Qt::flush;
        return CliSuccess;
    }
    const QStringList items = parser.positionalArguments();
    if (items.isEmpty())
        return usageError(err, QStringLiteral("nothing to %1").arg(command), command);
    if (items.contains(QString()))
        return usageError(err, QStringLiteral("an empty path was given"), command);

    CliOutput output{out, err, parser.isSet(verboseOption)};
    bool succeeded = false;
    if (command == QLatin1String("pack")) {
        PackOptions options;
        options.folders = items;
        options.outputDir = parser.value(dirOption);
        options.themeName = parser.value(nameOption);
        options.archivePath = parser.value(outputOption);
        if (items.size() > 1 && (parser.isSet(nameOption) || parser.isSet(outputOption)))
            return usageError(err, QStringLiteral("--name and -o take one FOLDER only"), command);
        if (parser.isSet(outputOption) && parser.isSet(dirOption))
            return usageError(err, QStringLiteral("-o and -d cannot be used together"), command);
        succeeded = packFolders(options, output);
    } else if (command == QLatin1String("unpack")) {
        succeeded = unpackArchives({items, parser.value(dirOption)}, output);
    } else {
        succeeded = listArchives({items, parser.isSet(jsonOption)}, output);
    }
    out.flush();
    err.flush();
    return succeeded ? CliSuccess : CliItemFailed;
}
