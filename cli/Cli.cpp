// SPDX-License-Identifier: MIT
#include "Cli.h"

#include "CliCommands.h"
#include "CliOutput.h"
#include "Interruption.h"
#include "TerminalText.h"
#include "archive/ThemeNames.h"

#include <QCommandLineParser>
#include <QIODevice>

#include <functional>

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
    "  extract ARCHIVE NAME... [-d DIR]\n"
    "                       unpack only the named resources or folders\n"
    "                       (wildcards * and ? allowed, quoted)\n"
    "  cat ARCHIVE NAME     write one resource's bytes to standard output\n"
    "  add ARCHIVE PATH... [--at FOLDER] [-v]\n"
    "                       add files and folders to an archive, in place,\n"
    "                       replacing resources of the same name\n"
    "  rm ARCHIVE NAME...   remove resources or folders from an archive, in place\n"
    "                       (wildcards as for extract)\n"
    "  mv ARCHIVE OLD NEW   rename a resource or folder of an archive, in place\n"
    "  diff [--json] A B    show the resources added, removed and changed from\n"
    "                       archive A to archive B\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this help, or a command's help after the command\n"
    "  --version            show the version\n"
    "  -v, --verbose        print each file as it is packed or written, each\n"
    "                       resource as an edited archive is written\n"
    "\n"
    "Exit status: 0 when every item succeeded, 1 when any failed, 2 for bad usage,\n"
    "130 or 143 when stopped by Ctrl+C or SIGTERM (the work in progress is undone);\n"
    "diff, as diff does: 0 when equal, 1 when different, 2 on trouble.\n";

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
    "Characters that a terminal would act on are shown escaped (\\n, \\033, \\\\).\n"
    "\n"
    "  --json               one JSON object per archive per line:\n"
    "                       {\"path\", \"theme\", \"version\",\n"
    "                        \"entries\": [{\"name\", \"offset\", \"size\", \"sizeText\"}]}\n";

const char extractHelp[] =
    "Usage: velmoro-cli extract ARCHIVE NAME... [-d DIR] [-v]\n"
    "Unpacks only the named resources of a theme archive into DIR/<theme name>/,\n"
    "each at its path below the theme folder. A NAME is a resource's path\n"
    "(img/bg.png) or a folder's (everything below it), and may hold the\n"
    "wildcards * and ? (which do not match \"/\"); quote them for the shell.\n"
    "\n"
    "  -d, --directory DIR  unpack into DIR/<theme name>/; without it, beside the archive\n"
    "  -v, --verbose        print each file as it is written\n";

const char catHelp[] = "Usage: velmoro-cli cat ARCHIVE NAME\n"
                       "Writes the bytes of the resource NAME (its path below the theme folder,\n"
                       "e.g. img/bg.png) to standard output, unchanged.\n";

const char addHelp[] =
    "Usage: velmoro-cli add ARCHIVE PATH... [--at FOLDER] [-v]\n"
    "Adds files and folders to a theme archive, in place. A file becomes the\n"
    "resource of its name; a folder's files go below a folder of its name, as a\n"
    "pack takes them (hidden files left out). Resources of the same name are\n"
    "replaced. The archive is written again as a pack of its folder, so changed,\n"
    "would write it, and replaces the old one only once complete.\n"
    "\n"
    "  --at FOLDER          add them into FOLDER of the theme (img, img/icons);\n"
    "                       without it, or with \"/\", at the top\n"
    "  -v, --verbose        print each resource as it is written into the archive\n";

const char rmHelp[] =
    "Usage: velmoro-cli rm ARCHIVE NAME... [-v]\n"
    "Removes resources from a theme archive, in place. A NAME is a resource's\n"
    "path (img/bg.png) or a folder's (everything below it), and may hold the\n"
    "wildcards * and ? (which do not match \"/\"), as for extract; quote them\n"
    "for the shell. A NAME that matches nothing fails the command, and the\n"
    "archive stays as it was.\n"
    "\n"
    "  -v, --verbose        print each resource as it is written into the archive\n";

const char mvHelp[] =
    "Usage: velmoro-cli mv ARCHIVE OLD NEW [-v]\n"
    "Renames the resource or folder OLD of a theme archive (its path below\n"
    "the theme folder, img/bg.png) to NEW, in place. NEW may not name a\n"
    "resource or folder that is there already.\n"
    "\n"
    "  -v, --verbose        print each resource as it is written into the archive\n";

const char diffHelp[] =
    "Usage: velmoro-cli diff [--json] A B\n"
    "Compares the resources of two theme archives by their paths below the theme\n"
    "folder and their contents, and shows one line per difference: added (only\n"
    "in B), removed (only in A) or changed, with the sizes in A and in B.\n"
    "Sizes are compared first; contents are read only where the sizes are equal.\n"
    "Exit status, as diff's: 0 when equal, 1 when different, 2 on trouble.\n"
    "\n"
    "  --json               one JSON object on one line:\n"
    "                       {\"a\", \"b\", \"entries\": [{\"name\", \"change\",\n"
    "                        \"sizeA\", \"sizeTextA\", \"sizeB\", \"sizeTextB\"}]}\n";

int statusOf(bool succeeded)
{
    return succeeded ? CliSuccess : CliItemFailed;
}

int usageError(QIODevice &err, const QString &message, const QString &command = QString())
{
    const QString text = QStringLiteral("%1: %2\nTry '%1 %3--help' for more information.\n")
                             .arg(QLatin1String(programName), message,
                                  command.isEmpty() ? QString() : command + QLatin1Char(' '));
    err.write(text.toUtf8());
    return CliBadUsage;
}

// What a command reads from its command line.
struct Invocation
{
    const QCommandLineParser &parser;
    const QStringList &items;
    CliOutput &output;
    QString value(const char *option) const { return parser.value(QLatin1String(option)); }
    bool isSet(const char *option) const { return parser.isSet(QLatin1String(option)); }
};

struct Command
{
    const char *name;
    const char *help;
    QStringList options; // names of the options it takes, besides -h
    int minItems;
    int maxItems; // -1: no limit
    const char *itemsMissing;
    // Returns a usage problem, or an empty text when the line is fine.
    std::function<QString(const Invocation &)> check;
    std::function<int(const Invocation &)> run; // the exit status
};

const QList<Command> &commands()
{
    static const QList<Command> table{
        {"pack",
         packHelp,
         {QStringLiteral("v"), QStringLiteral("d"), QStringLiteral("name"), QStringLiteral("o")},
         1,
         -1,
         "nothing to pack",
         [](const Invocation &call) {
             if (call.items.size() > 1 && (call.isSet("name") || call.isSet("o")))
                 return QStringLiteral("--name and -o take one FOLDER only");
             if (call.isSet("o") && call.isSet("d"))
                 return QStringLiteral("-o and -d cannot be used together");
             return QString();
         },
         [](const Invocation &call) {
             return statusOf(packFolders(
                 {call.items, call.value("d"), call.value("name"), call.value("o")}, call.output));
         }},
        {"unpack",
         unpackHelp,
         {QStringLiteral("v"), QStringLiteral("d")},
         1,
         -1,
         "nothing to unpack",
         {},
         [](const Invocation &call) {
             return statusOf(unpackArchives({call.items, call.value("d")}, call.output));
         }},
        {"list",
         listHelp,
         {QStringLiteral("v"), QStringLiteral("json")},
         1,
         -1,
         "nothing to list",
         {},
         [](const Invocation &call) {
             return statusOf(listArchives({call.items, call.isSet("json")}, call.output));
         }},
        {"extract",
         extractHelp,
         {QStringLiteral("v"), QStringLiteral("d")},
         2,
         -1,
         "an archive and at least one NAME are needed",
         {},
         [](const Invocation &call) {
             return statusOf(extractEntries(
                 {call.items.first(), call.items.mid(1), call.value("d")}, call.output));
         }},
        {"cat",
         catHelp,
         {},
         2,
         2,
         "an archive and one NAME are needed",
         {},
         [](const Invocation &call) {
             return statusOf(catEntry({call.items[0], call.items[1]}, call.output));
         }},
        {"add",
         addHelp,
         {QStringLiteral("v"), QStringLiteral("at")},
         2,
         -1,
         "an archive and at least one PATH are needed",
         {},
         [](const Invocation &call) {
             return statusOf(addResources({call.items.first(), call.items.mid(1), call.value("at")},
                                          call.output));
         }},
        {"rm",
         rmHelp,
         {QStringLiteral("v")},
         2,
         -1,
         "an archive and at least one NAME are needed",
         {},
         [](const Invocation &call) {
             return statusOf(removeResources({call.items.first(), call.items.mid(1)}, call.output));
         }},
        {"mv",
         mvHelp,
         {QStringLiteral("v")},
         3,
         3,
         "an archive, OLD and NEW are needed",
         {},
         [](const Invocation &call) {
             return statusOf(
                 moveResource({call.items[0], call.items[1], call.items[2]}, call.output));
         }},
        {"diff",
         diffHelp,
         {QStringLiteral("json")},
         2,
         2,
         "two archives are needed",
         {},
         [](const Invocation &call) {
             return diffArchives({call.items[0], call.items[1], call.isSet("json")}, call.output);
         }},
    };
    return table;
}

// The options that take a value, and what an empty one is told.
const std::pair<QString, const char *> valueOptions[] = {
    {QStringLiteral("d"), "-d needs a folder"},
    {QStringLiteral("o"), "-o needs a file name"},
    {QStringLiteral("name"), "--name needs a theme name"},
    {QStringLiteral("at"), "--at needs a folder (\"/\" for the top)"},
};

QCommandLineOption option(const QString &name)
{
    if (name == QLatin1String("v"))
        return QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("verbose")});
    if (name == QLatin1String("d"))
        return QCommandLineOption(QStringList{QStringLiteral("d"), QStringLiteral("directory")},
                                  QString(), QStringLiteral("DIR"));
    if (name == QLatin1String("o"))
        return QCommandLineOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                  QString(), QStringLiteral("FILE"));
    if (name == QLatin1String("name"))
        return QCommandLineOption(name, QString(), QStringLiteral("NAME"));
    if (name == QLatin1String("at"))
        return QCommandLineOption(name, QString(), QStringLiteral("FOLDER"));
    return QCommandLineOption(name); // a switch such as --json
}

// Help and version texts, which must arrive too.
int printText(const CliStreams &streams, const QByteArray &text)
{
    CliOutput output(streams.out, streams.err);
    output.text() = text;
    if (output.flush())
        return CliSuccess;
    output.failure(QStringLiteral("standard output"), QStringLiteral("Can NOT write the output."),
                   qt_error_string(output.outputError()));
    return CliItemFailed;
}

} // namespace

int checkArgumentBytes(const QList<QByteArray> &arguments, QIODevice &err)
{
    for (const QByteArray &argument : arguments) {
        if (ThemeNames::isUtf8(argument.constData(), argument.size()))
            continue;
        QByteArray text;
        appendForTerminal(text, ThemeNames::decode(argument.constData(), argument.size()));
        return usageError(
            err, QStringLiteral("an argument is not valid UTF-8: %1").arg(QString::fromUtf8(text)));
    }
    return CliSuccess;
}

namespace {

// What is wrong with the command's line as parsed; empty when it is fine.
QString lineProblem(const Command &command, const QCommandLineParser &parser)
{
    for (const QString &optionName : command.options) {
        if (parser.values(optionName).size() > 1) // the later one would win without a word
            return QStringLiteral("'%1' was given more than once").arg(optionName);
    }
    const QStringList items = parser.positionalArguments();
    if (items.size() < command.minItems
        || (command.maxItems >= 0 && items.size() > command.maxItems))
        return QLatin1String(command.itemsMissing);
    if (items.contains(QString()))
        return QStringLiteral("an empty path was given");
    // An unset shell variable gives an empty value: taken as "not given", it
    // would write beside the source, over what the user meant to keep.
    for (const auto &[optionName, problem] : valueOptions) {
        if (command.options.contains(optionName) && parser.isSet(optionName)
            && parser.value(optionName).trimmed().isEmpty())
            return QLatin1String(problem);
    }
    return QString();
}

// Runs a command whose line has been parsed.
int runCommand(const Command &command, const QCommandLineParser &parser, const CliStreams &streams)
{
    const QString name = QLatin1String(command.name);
    const QStringList items = parser.positionalArguments();
    CliOutput output(streams.out, streams.err,
                     command.options.contains(QStringLiteral("v"))
                         && parser.isSet(QStringLiteral("v")));
    output.errIsTerminal = streams.errIsTerminal;
    const Invocation call{parser, items, output};
    QString problem = lineProblem(command, parser);
    if (problem.isEmpty() && command.check)
        problem = command.check(call);
    if (!problem.isEmpty())
        return usageError(streams.err, problem, name);

    const InterruptionWatch watch; // Ctrl+C cancels the work cleanly
    const int status = command.run(call);
    if (output.outputFailed()) {
        output.failure(QStringLiteral("standard output"),
                       QStringLiteral("Can NOT write the output."),
                       qt_error_string(output.outputError()));
    }
    if (InterruptionWatch::signal() != 0)
        return 128 + InterruptionWatch::signal();
    return status;
}

} // namespace

int runCli(const QStringList &arguments, const CliStreams &streams)
{
    QIODevice &err = streams.err;
    const QString name = arguments.value(1);
    if (name.isEmpty())
        return usageError(err, QStringLiteral("no command given"));
    if (name == QLatin1String("-h") || name == QLatin1String("--help")
        || name == QLatin1String("help"))
        return printText(streams, generalHelp);
    if (name == QLatin1String("--version"))
        return printText(streams, QByteArray(programName) + ' ' + VELMORO_VERSION + '\n');
    const auto &table = commands();
    const auto command =
        std::find_if(table.begin(), table.end(), [&name](const Command &candidate) {
            return name == QLatin1String(candidate.name);
        });
    if (command == table.end())
        return usageError(err, QStringLiteral("unknown command '%1'").arg(name));

    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(helpOption);
    for (const QString &optionName : command->options)
        parser.addOption(option(optionName));
    QStringList commandArguments = arguments;
    commandArguments.removeAt(1);
    if (!parser.parse(commandArguments))
        return usageError(err, parser.errorText(), name);
    if (parser.isSet(helpOption))
        return printText(streams, command->help);
    return runCommand(*command, parser, streams);
}
