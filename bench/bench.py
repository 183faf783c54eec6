#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Velmoro's speed and memory beside GNU tar's and bsdtar's, measured in one run.

Usage: bench.py VELMORO_CLI PREVIEW_BENCH   (bench/run.sh builds both and calls this)
BENCH_RUNS=N sets the runs of each measurement (default 5), BENCH_DIR=DIR the folder the trees
are generated in, BENCH_ONLY=edit,diff the sections to run (default all).

Generates reproducible trees (fixed seeds) below a temporary folder, and
takes the Debian icon themes that are installed (links resolved, as tar -ch
does); times each operation RUNS times (default 5) with the tools
alternating, each round starting with the next tool, dirty pages written out
before every timed run; and prints a Markdown table of medians, ranges,
ratios and each row's verdict against its goal. Extractions go into fresh
folders that are deleted only after their rows, because creating many files
right after deleting many is much slower on ext4; no tree is deleted before
an unpack is timed.
"""
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

RUNS = int(os.environ.get("BENCH_RUNS", "5"))
KIB, MIB = 1024, 1024 * 1024


def write_tree(root, seed, folders, files, size_range):
    rng = random.Random(seed)
    block = rng.randbytes(4 * MIB)
    for i in range(files):
        folder = os.path.join(root, f"folder{i % folders:03d}")
        os.makedirs(folder, exist_ok=True)
        size = rng.randint(*size_range)
        start = rng.randrange(0, len(block) - min(size, len(block)) + 1)
        with open(os.path.join(folder, f"res{i:06d}.png"), "wb") as f:
            left = size
            while left:
                chunk = block[start:start + min(left, len(block) - start)]
                f.write(chunk)
                left -= len(chunk)
                start = 0


def run(cmd, cwd=None, ok=(0,)):
    """Runs a command that must exit with a status in `ok`; returns seconds."""
    start = time.perf_counter()
    proc = subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if proc.returncode not in ok:
        sys.exit(f"failed ({proc.returncode}): {' '.join(cmd)}\n{proc.stderr.decode(errors='replace')}")
    return elapsed


def peak_memory(cmd, cwd=None):
    """Runs a command under GNU time; returns its peak resident memory in MiB.
    (A child forked from this Python process would report Python's own size.)"""
    proc = subprocess.run(["/usr/bin/time", "-f", "%M"] + cmd, cwd=cwd,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if proc.returncode != 0:
        sys.exit(f"failed ({proc.returncode}): {' '.join(cmd)}\n{proc.stderr}")
    return int(proc.stderr.strip().splitlines()[-1]) / KIB


class Table:
    def __init__(self):
        self.rows = []

    def add(self, tree, operation, ours, refs, goal=None, unit="s", note=""):
        """ours and each reference: list of samples. goal: max ratio to the fastest reference.
        note: the verdict column of a row that has no goal."""
        def cell(samples):
            if unit == "s":
                return f"{statistics.median(samples):.3f} s ({min(samples):.3f}-{max(samples):.3f})"
            return f"{statistics.median(samples):.1f} {unit} ({min(samples):.1f}-{max(samples):.1f})"
        ref_cells = {name: cell(samples) for name, samples in refs.items()}
        ratio = ""
        verdict = note
        if refs:
            best = min(statistics.median(s) for s in refs.values())
            value = statistics.median(ours) / best
            ratio = f"{value:.2f}x"
            if goal is not None:
                verdict = "met" if value <= goal else "NOT met"
                ratio += f" (goal <= {goal}x)"
        elif goal is not None:
            verdict = "met" if statistics.median(ours) <= goal else "NOT met"
            ratio = f"goal <= {goal} {unit}"
        # A reference other than the tars (cp, say) stands in the first reference column, named.
        others = "; ".join(f"{name}: {text}" for name, text in ref_cells.items()
                           if name not in ("tar", "bsdtar"))
        self.rows.append((tree, operation, cell(ours), ref_cells.get("tar", others or "-"),
                          ref_cells.get("bsdtar", "-"), ratio, verdict))
        print("# " + " | ".join(self.rows[-1]) + f" | load {os.getloadavg()[0]:.1f}", file=sys.stderr)

    def print(self):
        head = ("tree", "operation", "velmoro", "GNU tar (or as named)", "bsdtar", "ratio", "")
        print("| " + " | ".join(head) + " |")
        print("|" + "---|" * len(head))
        for row in self.rows:
            print("| " + " | ".join(row) + " |")
        sys.stdout.flush()


def settle():
    """Writes dirty pages out before a timed run, so that no run pays for the
    writeback of the one before it (or of a deletion)."""
    os.sync()


def alternate(commands, runs=RUNS, before=None, after=None):
    """commands: name -> function(run index) returning argv and cwd (and the exit statuses
    that are fine, when not only 0). Returns name -> samples.
    Each round starts with the next tool in turn, so none always runs first."""
    samples = {name: [] for name in commands}
    names = list(commands)
    for i in range(runs):
        for name in names[i % len(names):] + names[:i % len(names)]:
            if before:
                before(name, i)
            made = commands[name](i)
            settle()
            samples[name].append(run(*made))
            if after:
                after(name, i)
    return samples


def pack_rows(table, cli, label, parent, name, work, refs, goal, plain=True, runs=RUNS):
    """pack of parent/name by velmoro and each reference (tar options), into work/out."""
    tree = os.path.join(parent, name)
    out = os.path.join(work, "out")
    os.makedirs(out, exist_ok=True)

    def archive(tool, i):
        return os.path.join(out, f"{tool}{i}.{'tsk' if tool == 'velmoro' else 'tar'}")

    def drop_archive(tool, i):
        os.remove(archive(tool, i))

    def ref(tool, options, sync):
        command = f'{tool} {options} -cf "$0" "$1"' + (' && sync -d "$0"' if sync else "")
        return lambda i: (["sh", "-c", command, archive(tool, i), name], parent)

    ours = lambda i: ([cli, "pack", tree, "-o", archive("velmoro", i)], None)
    if plain:
        # Information only: Velmoro syncs a finished archive to disk before it
        # replaces an older one, the references leave theirs in the page cache.
        samples = alternate(dict(velmoro=ours, **{t: ref(t, o, False) for t, o in refs.items()}),
                            runs=runs, after=drop_archive)
        table.add(label, "pack", samples.pop("velmoro"), samples,
                  note="information: references not synced")
    # The goal: the same work, each reference followed by `sync -d` of its archive.
    samples = alternate(dict(velmoro=ours, **{t: ref(t, o, True) for t, o in refs.items()}),
                        runs=runs, after=drop_archive)
    table.add(label, "pack (references synced too)", samples.pop("velmoro"), samples, goal=goal)
    shutil.rmtree(out)


def unpack_rows(table, cli, label, archives, work, goal, keep_extractions=True, runs=RUNS):
    """unpack of archives["velmoro"] (.tsk) against each reference's extraction of the .tar.
    Extractions go into fresh folders, kept to the end of the rows: deleting many
    files makes creating many right after it much slower on ext4."""
    def fresh(tool, i):
        folder = os.path.join(work, f"x-{tool}{i}")
        os.makedirs(folder)
        return folder

    def tidy(tool, i):
        if not keep_extractions:
            shutil.rmtree(os.path.join(work, f"x-{tool}{i}"))

    commands = {"velmoro": lambda i: ([cli, "unpack", archives["velmoro"], "-d", fresh("velmoro", i)], None)}
    for tool in ("tar", "bsdtar"):
        if tool in archives:
            commands[tool] = (lambda t: lambda i: ([t, "-xf", archives[t], "-C", fresh(t, i)], None))(tool)
    samples = alternate(commands, runs=runs, after=tidy)
    table.add(label, "unpack", samples.pop("velmoro"), samples, goal=goal)
    for i in range(runs):
        for tool in commands:
            shutil.rmtree(os.path.join(work, f"x-{tool}{i}"), ignore_errors=True)


def bench_tree(table, cli, base, name, seed, folders, files, size_range, keep_extractions):
    work = os.path.join(base, name)
    src_parent = os.path.join(work, "src")
    tree = os.path.join(src_parent, name)
    os.makedirs(tree)
    print(f"# generating {name}: {files} files in {folders} folders", file=sys.stderr)
    write_tree(tree, seed, folders, files, size_range)
    pack_rows(table, cli, name, src_parent, name, work, {"tar": "", "bsdtar": ""}, goal=0.75)
    archives = {"velmoro": os.path.join(work, "theme.tsk"), "tar": os.path.join(work, "theme.tar")}
    run([cli, "pack", tree, "-o", archives["velmoro"]])
    run(["tar", "-cf", archives["tar"], name], cwd=src_parent)
    archives["bsdtar"] = archives["tar"]
    unpack_rows(table, cli, name, archives, work, goal=0.6, keep_extractions=keep_extractions)
    shutil.rmtree(work)


# The Debian icon themes measured when installed (bench/run.sh --install puts them there).
REAL_THEMES = (("papirus-icon-theme", "Papirus"), ("breeze-icon-theme", "breeze"),
               ("adwaita-icon-theme", "Adwaita"))
ICONS = "/usr/share/icons"


def bench_real_theme(table, cli, base, package, name):
    """A real theme, its links resolved into a copy of its own (cp -rL): every
    path a link leads to becomes a file, as Velmoro packs it and as `tar -ch`
    reads it. (Given the installed folder itself, tar -ch stores a file that
    several links reach once and the others as hard links: for Papirus 266 MB
    against the 856 MB that the resolved tree holds.)"""
    label = f"{name} (real)"
    work = os.path.join(base, name)
    parent = os.path.join(work, "src")
    os.makedirs(parent)
    print(f"# {name} from {package}: resolving its links into a copy", file=sys.stderr)
    run(["cp", "-rL", os.path.join(ICONS, name), parent])
    runs = RUNS if name != "Papirus" else min(RUNS, 3)  # 290,000 files a run
    pack_rows(table, cli, label, parent, name, work, {"tar": "-h"}, goal=1.0, plain=False, runs=runs)
    archives = {"velmoro": os.path.join(work, "theme.tsk"), "tar": os.path.join(work, "theme.tar")}
    run([cli, "pack", os.path.join(parent, name), "-o", archives["velmoro"]])
    run(["tar", "-chf", archives["tar"], name], cwd=parent)
    unpack_rows(table, cli, label, archives, work, goal=0.8, runs=runs)
    samples = alternate({
        "velmoro": lambda i: ([cli, "list", archives["velmoro"]], None),
        "tar": lambda i: (["tar", "-tf", archives["tar"]], None),
    })
    table.add(label, "list", samples["velmoro"], {"tar": samples["tar"]}, goal=0.5)
    if name == "Papirus":
        memory_rows(table, label, {
            "pack": ([cli, "pack", os.path.join(parent, name), "-o", os.path.join(work, "again.tsk")],
                     ["tar", "-chf", os.path.join(work, "again.tar"), "-C", parent, name]),
            "unpack": ([cli, "unpack", archives["velmoro"], "-d"], ["tar", "-xf", archives["tar"], "-C"]),
            "list": ([cli, "list", archives["velmoro"]], ["tar", "-tf", archives["tar"]]),
        }, work, goal=32, runs=runs)
    shutil.rmtree(work)


def bench_real_themes(table, cli, base):
    for package, name in REAL_THEMES:
        if os.path.isdir(os.path.join(ICONS, name)):
            bench_real_theme(table, cli, base, package, name)
        else:
            print(f"# {package} is not installed: no {name} rows (bash bench/run.sh --install)",
                  file=sys.stderr)
            table.rows.append((f"{name} (real)", "-", "-", "-", "-", "-",
                               f"not measured: {package} not installed"))


def bench_list(table, cli, base, count):
    """list of an archive of `count` small entries against tar -tf of the same files."""
    work = os.path.join(base, f"list-{count}")
    src_parent = os.path.join(work, "src")
    tree = os.path.join(src_parent, "entries")
    os.makedirs(tree)
    print(f"# generating {count:,} entries", file=sys.stderr)
    write_tree(tree, 4, 1000, count, (0, 64))
    run([cli, "pack", tree, "-o", os.path.join(work, "entries.tsk")])
    run(["tar", "-cf", os.path.join(work, "entries.tar"), "entries"], cwd=src_parent)
    samples = alternate({
        "velmoro": lambda i: ([cli, "list", os.path.join(work, "entries.tsk")], None),
        "tar": lambda i: (["tar", "-tf", os.path.join(work, "entries.tar")], None),
    })
    table.add(f"{count:,} entries", "list", samples["velmoro"], {"tar": samples["tar"]}, goal=0.5)
    shutil.rmtree(work)


def memory_rows(table, label, commands, work, goal, runs=RUNS):
    """commands: operation -> (velmoro argv, tar argv); an argv ending in "-d" or "-C"
    gets a fresh folder. One row per operation: peak resident memory against `goal` MiB."""
    for operation, (ours, theirs) in commands.items():
        samples = {"velmoro": [], "tar": []}
        for i in range(runs):
            for tool, argv in (("velmoro", ours), ("tar", theirs)):
                if argv is None:
                    continue
                target = None
                if argv[-1] in ("-d", "-C"):
                    target = os.path.join(work, f"m-{tool}")
                    os.makedirs(target)
                    argv = argv + [target]
                samples[tool].append(peak_memory(argv))
                if target:
                    shutil.rmtree(target)
        table.add(label, f"{operation}: peak memory", samples["velmoro"],
                  {"tar": samples["tar"]} if samples["tar"] else {}, unit="MiB")
        table.rows[-1] = table.rows[-1][:5] + (
            f"goal <= {goal} MiB", "met" if statistics.median(samples["velmoro"]) <= goal else "NOT met")


def bench_memory(table, cli, base):
    work = os.path.join(base, "memory")
    parent = os.path.join(work, "src")
    tree = os.path.join(parent, "large")
    os.makedirs(tree)
    write_tree(tree, 5, 1, 1, (512 * MIB, 512 * MIB))
    archive = os.path.join(work, "large.tsk")
    tar_archive = os.path.join(work, "large.tar")
    run(["tar", "-cf", tar_archive, "-C", parent, "large"])
    memory_rows(table, "one 512 MiB resource", {
        "pack": ([cli, "pack", tree, "-o", archive], ["tar", "-cf", tar_archive, "-C", parent, "large"]),
        "unpack": ([cli, "unpack", archive, "-d"], ["tar", "-xf", tar_archive, "-C"]),
        "list": ([cli, "list", archive], ["tar", "-tf", tar_archive]),
    }, work, goal=32)
    shutil.rmtree(work)


def write_many_entries(path, count):
    """A .tsk of `count` entries of 8 bytes each, written directly (packing that
    many files would take minutes): entries "/folderNNN/resNNNNNNN.png"."""
    import struct
    theme = b"many"

    def name_record(name):
        pad = 4 - len(name) % 4
        return struct.pack("<i", len(name)) + name + b"\0" * pad

    names = [f"/folder{i % 1000:03d}/res{i:07d}.png".encode() for i in range(count)]
    theme_record = name_record(theme)
    index_size = 8 * (count + 1)
    name_offset = 16 + 4 + len(theme_record) + 4 + index_size
    records = [name_record(n) for n in names]
    data_offset = name_offset + sum(len(r) for r in records) + 4
    with open(path, "wb") as f:
        f.write(b"VLMR" + struct.pack("<iii", 1, 0, 0) + struct.pack("<i", len(theme_record)))
        f.write(theme_record + struct.pack("<i", index_size))
        index = bytearray()
        for r in records:
            index += struct.pack("<ii", name_offset, data_offset)
            name_offset += len(r)
            data_offset += 8
        index += struct.pack("<ii", name_offset, data_offset)
        f.write(index)
        f.write(b"".join(records) + struct.pack("<i", 0))
        f.write(b"resource" * count)
    return names[count // 2].decode().lstrip("/")


def bench_many_entries(table, cli, base):
    work = os.path.join(base, "million")
    os.makedirs(work)
    archive = os.path.join(work, "many.tsk")
    print("# writing an archive of 1,000,000 entries", file=sys.stderr)
    middle = write_many_entries(archive, 1_000_000)
    memory_rows(table, "1,000,000 entries", {
        "extract one": ([cli, "extract", archive, middle, "-d"], None),
        "cat one": ([cli, "cat", archive, middle], None),
    }, work, goal=64)
    shutil.rmtree(work)


def read_bytes(cmd, ok=(0,)):
    """Runs a command that must exit with a status in `ok`; returns the bytes it read through
    read() and its kind (rchar), which a shell's own count takes over from a child it has
    waited for."""
    script = 'grep ^rchar /proc/$$/io; "$@" >/dev/null; s=$?; grep ^rchar /proc/$$/io; exit $s'
    proc = subprocess.run(["sh", "-c", script, "sh"] + cmd, capture_output=True, text=True)
    if proc.returncode not in ok:
        sys.exit(f"failed ({proc.returncode}): {' '.join(cmd)}\n{proc.stderr}")
    before, after = (int(line.split()[1]) for line in proc.stdout.split("\n")[:2])
    return after - before


def bench_edit(table, cli, base):
    """Replacing one 1 MiB resource of a 1 GiB archive of 20,000 resources, beside the floor of
    any rewrite of that archive: cp of it, then sync of the copy; and its peak memory beside a
    pack's."""
    work = os.path.join(base, "edit")
    tree = os.path.join(work, "src", "theme")
    os.makedirs(tree)
    print("# generating 20,000 resources, 1 GiB", file=sys.stderr)
    write_tree(tree, 6, 200, 20_000, (1 * KIB, 104 * KIB)) # 52.5 KiB on average
    archive = os.path.join(work, "theme.tsk")
    memory_runs = min(RUNS, 3) # each writes and syncs a whole GiB
    pack_peak = [peak_memory([cli, "pack", tree, "-o", archive]) for _ in range(memory_runs)]
    shutil.rmtree(os.path.join(work, "src"))
    # folder000/res010000.png lies in the middle of the archive; its new contents take 1 MiB.
    new = os.path.join(work, "new", "res010000.png")
    os.makedirs(os.path.dirname(new))
    with open(new, "wb") as f:
        f.write(random.Random(7).randbytes(MIB))
    replace = [cli, "add", archive, new, "--at", "folder000"]
    copy = os.path.join(work, "copy.tsk")
    samples = alternate({
        "velmoro": lambda i: (replace, None),
        "cp + sync": lambda i: (["sh", "-c", 'cp "$0" "$1" && sync -d "$1"', archive, copy], None),
        # What the floor leaves out and every rewrite in place must do too: the old archive
        # goes, and a file system gives its blocks back (slow where it discards them).
        "cp + sync + mv": lambda i: (["sh", "-c", 'cp "$0" "$1" && sync -d "$1" && mv "$1" "$0"',
                                      archive, copy], None),
    }, after=lambda name, i: name == "cp + sync" and os.remove(copy))
    size = os.path.getsize(archive) / MIB
    tree_name = f"20,000 resources, {size:,.0f} MiB"
    table.add(tree_name, "replace one 1 MiB resource (add)", samples["velmoro"],
              {"cp + sync -d": samples["cp + sync"]}, goal=1.2)
    table.add(tree_name, "the same, beside a replacement", samples["velmoro"],
              {"cp + sync -d + mv onto it": samples["cp + sync + mv"]},
              note="information: the floor with the old archive's removal")
    edit_peak = [peak_memory(replace) for _ in range(memory_runs)]
    table.add(tree_name, "replace one: peak memory", edit_peak,
              {"pack": pack_peak}, unit="MiB", goal=1.25)
    shutil.rmtree(work)


def bench_diff(table, cli, base, count=20_000, changed=10):
    """diff of two archives of `count` small entries that differ in the sizes of `changed`,
    beside a list of both; and the content bytes diff reads beyond what the list reads."""
    work = os.path.join(base, "diff")
    tree = os.path.join(work, "src", "entries")
    os.makedirs(tree)
    print(f"# generating {count:,} entries twice", file=sys.stderr)
    write_tree(tree, 4, 1000, count, (0, 64))
    older, newer = os.path.join(work, "old.tsk"), os.path.join(work, "new.tsk")
    run([cli, "pack", tree, "-o", older])
    sizes = {}
    for i in range(count):
        path = os.path.join(tree, f"folder{i % 1000:03d}", f"res{i:06d}.png")
        if i % (count // changed) == count // changed // 2:
            with open(path, "ab") as f:
                f.write(b"grown")
        else:
            sizes[i] = os.path.getsize(path)
    run([cli, "pack", tree, "-o", newer, "--name", "entries"])
    shutil.rmtree(os.path.join(work, "src"))
    samples = alternate({
        "velmoro": lambda i: ([cli, "diff", older, newer], None, (1,)), # 1: they differ
        "list": lambda i: ([cli, "list", older, newer], None),
    })
    table.add(f"{count:,} entries, {changed} resized", "diff", samples["velmoro"],
              {"list of both": samples["list"]}, goal=2.0)
    extra = [read_bytes([cli, "diff", older, newer], ok=(1,))
             - read_bytes([cli, "list", older, newer]) for _ in range(RUNS)]
    needed = 2 * sum(sizes.values()) # the resources of equal size, read from both archives
    table.add(f"{count:,} entries, {changed} resized", "diff: bytes read beyond a list",
              [b / KIB for b in extra], {}, unit="KiB",
              note=f"{'met' if statistics.median(extra) <= needed + 64 * KIB else 'NOT met'}: "
                   f"{needed / KIB:,.1f} KiB of equal-size resources to compare, "
                   "none of the resized ones")
    shutil.rmtree(work)


def bench_startup(table, cli):
    samples = alternate({
        "velmoro": lambda i: ([cli, "--version"], None),
        "tar": lambda i: (["tar", "--version"], None),
        "bsdtar": lambda i: (["bsdtar", "--version"], None),
    }, runs=max(RUNS, 20))
    table.add("-", "start-up (--version)", samples["velmoro"], {"tar": samples["tar"], "bsdtar": samples["bsdtar"]})


def bench_preview(table, preview):
    def samples(mode):
        out = subprocess.run([preview, "20000", str(RUNS), mode], check=True, capture_output=True, text=True,
                             env=dict(os.environ, QT_QPA_PLATFORM="offscreen")).stdout
        return [float(x) for x in out.split()]
    table.add("20,000 resources", "preview tree fill", samples("fill"), {}, goal=60, unit="ms")
    table.add("20,000 resources, 1 GiB", "show a 1 MiB PNG", samples("select"), {}, goal=50, unit="ms")
    table.add("20,000 resources", "filter keystroke", samples("filter"), {}, goal=50, unit="ms")


def main():
    cli, preview = sys.argv[1], sys.argv[2]
    base = tempfile.mkdtemp(prefix="velmoro-bench-", dir=os.environ.get("BENCH_DIR"))
    table = Table()
    print(f"# {RUNS} runs each; {os.cpu_count()} cores; {os.uname().release}; folder {base}", file=sys.stderr)
    sections = {
        "theme-like": lambda: bench_tree(table, cli, base, "theme-like", 1, 15, 600, (2 * KIB, 200 * KIB),
                                         keep_extractions=True),
        "many-small": lambda: bench_tree(table, cli, base, "many-small", 2, 200, 20_000, (1 * KIB, 16 * KIB),
                                         keep_extractions=True),
        "few-large": lambda: bench_tree(table, cli, base, "few-large", 3, 1, 4, (256 * MIB, 256 * MIB),
                                        keep_extractions=False),
        "real": lambda: bench_real_themes(table, cli, base),
        "list": lambda: (bench_list(table, cli, base, 20_000), bench_list(table, cli, base, 100_000)),
        "memory": lambda: (bench_memory(table, cli, base), bench_many_entries(table, cli, base)),
        "edit": lambda: bench_edit(table, cli, base),
        "diff": lambda: bench_diff(table, cli, base),
        "startup": lambda: bench_startup(table, cli),
        "preview": lambda: bench_preview(table, preview),
    }
    # BENCH_ONLY=edit,diff runs only those sections.
    only = [name for name in os.environ.get("BENCH_ONLY", "").split(",") if name]
    for name in only:
        if name not in sections:
            sys.exit(f"BENCH_ONLY: no section {name}; there are {', '.join(sections)}")
    try:
        for name, section in sections.items():
            if not only or name in only:
                section()
    finally:
        shutil.rmtree(base, ignore_errors=True)
    table.print()


if __name__ == "__main__":
    main()
