// SPDX-License-Identifier: MIT
// Structure-aware mutation, shared by both fuzz targets. Byte flips almost
// never turn an archive into a well-formed one whose names combine into an
// escape (theme "." with entry "./x"), so most of the time an input is decoded
// into its theme name and entries, the names and contents are changed the way
// an attacker would change them, and a well-formed archive is written again.
// The rest of the time the bytes are mutated as they are, so that damaged
// archives keep being tried too.
//
// VELMORO_FUZZ_MUTATOR=bytes in the environment turns the structure off:
// every mutation and cross-over is then a plain byte one.

#include "ArchiveCodec.h"
#include "PlantedNames.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t *data, size_t size, size_t maxSize);

namespace {

using ArchiveCodec::Archive;
using ArchiveCodec::Entry;
using Random = std::minstd_rand;

// Share of mutations that work on the raw bytes, in percent.
constexpr unsigned byteMutationShare = 20;

bool bytesOnly()
{
    static const bool bytes = [] {
        const char *mode = std::getenv("VELMORO_FUZZ_MUTATOR");
        return mode && std::strcmp(mode, "bytes") == 0;
    }();
    return bytes;
}

size_t below(Random &random, size_t count)
{
    return count ? size_t(random()) % count : 0;
}

bool chance(Random &random, unsigned percent)
{
    return random() % 100 < percent;
}

template <typename T> const T &pick(Random &random, const std::vector<T> &from)
{
    return from[below(random, from.size())];
}

std::string bytes(const char *text, size_t size)
{
    return std::string(text, size);
}

// Components most likely to combine into something dangerous: dots, empty
// components and the names of what is planted in the target folder.
const std::vector<std::string> &shortComponents()
{
    static const std::vector<std::string> components = {
        ".",
        ".",
        "..",
        "",
        "x",
        "escaped.txt",
        PlantedNames::folderLink,
        PlantedNames::danglingLink,
        PlantedNames::fileLink,
        PlantedNames::fifo,
    };
    return components;
}

// Everything else a name on disk may trip over: lengths at and past the
// 255-byte limit of a component, bytes that are not UTF-8 (overlong "." and
// "/", a lone surrogate, stray continuation bytes), NUL, look-alikes of "/"
// and ".", and the prefix of the library's temporary files.
const std::vector<std::string> &oddComponents()
{
    static const std::vector<std::string> components = {
        "...",
        ". ",
        " ",
        "a",
        "img",
        "bg.png",
        std::string(255, 'a'),
        std::string(256, 'b'),
        std::string(300, 'c'),
        "\xff",
        "\x80",
        "\xc0\xae",
        "\xc0\xae\xc0\xae",
        "\xc0\xaf",
        "\xed\xa0\x80",
        "\xe0\x80\xae",
        bytes("\0", 1),
        bytes("a\0b", 3),
        bytes("..\0", 3),
        "\xef\xbc\x8f",
        "\xe2\x88\x95",
        "\xe2\x80\xa4",
        "\xe2\x80\xa4\xe2\x80\xa4",
        "\xc3\xa9",
        std::string(PlantedNames::temporaryPrefix) + "x",
        PlantedNames::temporaryPrefix,
    };
    return components;
}

const std::vector<std::string> &separators()
{
    static const std::vector<std::string> all = {"/", "/", "/", "\\", "//", "/./", "\\\\", "/\\"};
    return all;
}

std::string component(Random &random)
{
    return chance(random, 65) ? pick(random, shortComponents()) : pick(random, oddComponents());
}

std::string separator(Random &random)
{
    return pick(random, separators());
}

// A name of one to four components, usually but not always with a leading "/".
std::string freshName(Random &random)
{
    std::string name = chance(random, 75) ? separator(random) : std::string();
    const size_t count = 1 + below(random, 4);
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            name += separator(random);
        name += component(random);
    }
    return name;
}

// A path to one of the planted objects, or below one.
std::string plantedPath(Random &random)
{
    std::string name = chance(random, 80) ? "/" : "";
    if (chance(random, 20))
        name += chance(random, 50) ? "./" : ".//";
    name += pick(random, std::vector<std::string>(std::begin(PlantedNames::all),
                                                  std::end(PlantedNames::all)));
    if (chance(random, 40))
        name += chance(random, 70)
                    ? "/x"
                    : pick(random, std::vector<std::string>{"/", "/.", "/../x", "/y/z"});
    return name;
}

// A name split into components and single separator characters, so that
// components can be inserted, dropped and repeated as units.
std::vector<std::string> tokens(const std::string &name)
{
    std::vector<std::string> all;
    std::string current;
    for (const char c : name) {
        if (c == '/' || c == '\\') {
            if (!current.empty())
                all.push_back(current);
            all.push_back(std::string(1, c));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty())
        all.push_back(current);
    return all;
}

bool isSeparator(const std::string &token)
{
    return token == "/" || token == "\\";
}

std::string joined(const std::vector<std::string> &all)
{
    std::string name;
    for (const std::string &token : all)
        name += token;
    return name;
}

// Any byte mutation libFuzzer knows, on a piece of the archive.
void mutateBytes(std::string &piece, size_t room)
{
    const size_t size = piece.size();
    piece.resize(size + room);
    piece.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t *>(piece.data()), size, piece.size()));
}

std::string otherName(Random &random, const Archive &archive)
{
    const size_t which = below(random, archive.entries.size() + 1);
    return which == archive.entries.size() ? archive.theme : archive.entries[which].name;
}

void mutateName(std::string &name, Random &random, const Archive &archive)
{
    std::vector<std::string> all = tokens(name);
    const size_t at = below(random, all.size() + 1);
    switch (below(random, 15)) {
    case 0: name = freshName(random); return;
    case 1: name = plantedPath(random); return;
    case 2: // a component more, anywhere
        all.insert(all.begin() + at, {separator(random), component(random)});
        break;
    case 3:
        if (!all.empty())
            all.erase(all.begin() + below(random, all.size()));
        break;
    case 4: // one component replaced
        if (!all.empty()) {
            std::string &token = all[below(random, all.size())];
            token = isSeparator(token) ? separator(random) : component(random);
        }
        break;
    case 5: // a run of tokens repeated
        if (!all.empty()) {
            const size_t from = below(random, all.size());
            const size_t to = from + 1 + below(random, all.size() - from);
            const std::vector<std::string> run(all.begin() + from, all.begin() + to);
            all.insert(all.begin() + to, run.begin(), run.end());
        }
        break;
    case 6: { // one byte from those that matter to paths
        static const std::vector<char> interesting = {'.', '/', '\\', '\0', '\xff', 'a', ' '};
        name.insert(name.begin() + below(random, name.size() + 1), pick(random, interesting));
        return;
    }
    case 7:
        if (!name.empty()) {
            const size_t from = below(random, name.size());
            name.erase(from, 1 + below(random, name.size() - from));
        }
        return;
    case 8: {
        static const std::vector<std::string> fronts = {"./", ".",   "/",   "\\", "/.",
                                                        "..", "../", ".\\", "//"};
        name.insert(0, pick(random, fronts));
        return;
    }
    case 9: {
        static const std::vector<std::string> backs = {"/",  "/.",  ".",    "/x",
                                                       "\\", "/..", "/./x", "\\x"};
        name += pick(random, backs);
        return;
    }
    case 10: // equal to another name, or a prefix of it, or it a prefix of this
        name = otherName(random, archive);
        if (chance(random, 40))
            name += chance(random, 50) ? "/x" : separator(random) + component(random);
        else if (chance(random, 40) && !name.empty())
            name.resize(below(random, name.size()));
        return;
    case 11: { // one component at or past the length limit
        const size_t length = pick(random, std::vector<size_t>{254, 255, 256, 257, 511});
        all.insert(all.begin() + at, {"/", std::string(length, char('a' + below(random, 26)))});
        break;
    }
    case 12: // "./" and "." tricks at the front, repeated
        name.insert(0, std::string(1 + below(random, 3), '.') + (chance(random, 50) ? "/" : ""));
        return;
    default: mutateBytes(name, 16); return;
    }
    name = joined(all);
}

void mutateTheme(std::string &theme, Random &random, const Archive &archive)
{
    static const std::vector<std::string> themes = {
        "",
        ".",
        "..",
        "./",
        "/",
        "\\",
        ".\\",
        "x/.",
        "theme",
        PlantedNames::folderLink,
        PlantedNames::danglingLink,
        PlantedNames::fileLink,
        PlantedNames::fifo,
    };
    if (chance(random, 40))
        theme = pick(random, themes);
    else
        mutateName(theme, random, archive);
}

std::string freshContents(Random &random)
{
    std::string contents(below(random, 13), '\0');
    for (char &c : contents)
        c = char('a' + below(random, 26));
    return contents;
}

Entry freshEntry(Random &random)
{
    return Entry{chance(random, 30) ? plantedPath(random) : freshName(random),
                 freshContents(random)};
}

Archive freshArchive(Random &random)
{
    Archive archive;
    mutateTheme(archive.theme, random, archive);
    const size_t count = 1 + below(random, 3);
    for (size_t i = 0; i < count; ++i)
        archive.entries.push_back(freshEntry(random));
    return archive;
}

std::string withoutLeadingSeparators(const std::string &name)
{
    const size_t start = name.find_first_not_of("/\\");
    return start == std::string::npos ? std::string() : name.substr(start);
}

void mutateArchive(Archive &archive, Random &random)
{
    std::vector<Entry> &entries = archive.entries;
    const size_t which = below(random, entries.size());
    switch (below(random, 10)) {
    case 0:
    case 1: mutateTheme(archive.theme, random, archive); return;
    case 2:
        if (entries.size() < ArchiveCodec::maxEntries)
            entries.insert(entries.begin() + below(random, entries.size() + 1), freshEntry(random));
        return;
    case 3:
        if (!entries.empty())
            entries.erase(entries.begin() + which);
        return;
    case 4: // two entries of one name
        if (!entries.empty() && entries.size() < ArchiveCodec::maxEntries)
            entries.insert(entries.begin() + below(random, entries.size() + 1),
                           Entry{entries[which].name, freshContents(random)});
        return;
    case 5:
        if (entries.size() > 1)
            std::swap(entries[which], entries[below(random, entries.size())]);
        return;
    case 6:
        if (!entries.empty()) {
            std::string &contents = entries[which].contents;
            if (chance(random, 50))
                contents = freshContents(random);
            else
                mutateBytes(contents, 32);
        }
        return;
    case 7: // theme and entry names trade places
        if (!entries.empty()) {
            if (chance(random, 50))
                entries[which].name = (chance(random, 70) ? "/" : "") + archive.theme;
            else
                archive.theme = withoutLeadingSeparators(entries[which].name);
        }
        return;
    default:
        if (entries.empty())
            entries.push_back(freshEntry(random));
        else
            mutateName(entries[which].name, random, archive);
        return;
    }
}

// Makes the archive smaller by one step; false when nothing is left to take.
bool shrink(Archive &archive, Random &random)
{
    Entry *largest = nullptr;
    for (Entry &entry : archive.entries) {
        if (!largest || entry.contents.size() > largest->contents.size())
            largest = &entry;
    }
    if (largest && !largest->contents.empty()) {
        largest->contents.resize(largest->contents.size() / 2);
        return true;
    }
    if (archive.entries.size() > 1) {
        archive.entries.erase(archive.entries.begin() + below(random, archive.entries.size()));
        return true;
    }
    std::string *longest = &archive.theme;
    for (Entry &entry : archive.entries) {
        if (entry.name.size() > longest->size())
            longest = &entry.name;
    }
    if (longest->size() <= 8)
        return false;
    longest->resize(longest->size() / 2);
    return true;
}

// Writes the archive into `out` of `room` bytes, shrinking it until it fits;
// 0 when even the smallest form does not fit.
size_t store(Archive &archive, uint8_t *out, size_t room, Random &random)
{
    std::string encoded = ArchiveCodec::encode(archive);
    while (encoded.size() > room) {
        if (!shrink(archive, random))
            return 0;
        encoded = ArchiveCodec::encode(archive);
    }
    std::memcpy(out, encoded.data(), encoded.size());
    return encoded.size();
}

} // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t *data, size_t size, size_t maxSize,
                                          unsigned int seed)
{
    Random random(seed);
    if (bytesOnly() || chance(random, byteMutationShare))
        return LLVMFuzzerMutate(data, size, maxSize);
    Archive archive;
    if (!ArchiveCodec::decode(data, size, archive) || chance(random, 2))
        archive = freshArchive(random);
    const size_t steps = 1 + below(random, 3);
    for (size_t i = 0; i < steps; ++i)
        mutateArchive(archive, random);
    if (const size_t stored = store(archive, data, maxSize, random))
        return stored;
    return LLVMFuzzerMutate(data, size, maxSize);
}

// Two parents give one child: its theme name from either, and entries from
// both, in their order. Inputs that are not archives are spliced as bytes.
extern "C" size_t LLVMFuzzerCustomCrossOver(const uint8_t *data1, size_t size1,
                                            const uint8_t *data2, size_t size2, uint8_t *out,
                                            size_t maxOutSize, unsigned int seed)
{
    Random random(seed);
    Archive first, second;
    if (!bytesOnly() && ArchiveCodec::decode(data1, size1, first)
        && ArchiveCodec::decode(data2, size2, second)) {
        Archive child;
        child.theme = chance(random, 50) ? first.theme : second.theme;
        for (const Archive *parent : {&first, &second}) {
            for (const Entry &entry : parent->entries) {
                if (chance(random, 50) && child.entries.size() < ArchiveCodec::maxEntries)
                    child.entries.insert(
                        child.entries.begin() + below(random, child.entries.size() + 1), entry);
            }
        }
        if (const size_t stored = store(child, out, maxOutSize, random))
            return stored;
    }
    const size_t head = std::min(below(random, size1 + 1), maxOutSize);
    const size_t from = below(random, size2 + 1);
    const size_t tail = std::min(size2 - from, maxOutSize - head);
    std::memcpy(out, data1, head);
    std::memcpy(out + head, data2 + from, tail);
    return head + tail;
}
