#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Velmoro's speed and memory beside GNU tar's and bsdtar's, measured in one run.

Usage: bench.py VELMORO_CLI PREVIEW_BENCH   (bench/run.sh builds both and calls this)
BENCH_RUNS=N sets the runs of each measurement (default 5), BENCH_DIR=DIR the folder the trees
are generated in, BENCH_ONLY=edit,diff the sections to run (default all).

Generates reproducible trees (fixed seeds) below a temporary folder, times
each operation RUNS times (default 5) with the tools alternating, and prints
a Markdown table of medians, ranges and ratios. Extractions go into fresh
folders that are deleted only at the end of their tree, because creating
many files right after deleting many is much slower on these machines.
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

    def print(self):
        head = ("tree", "operation", "velmoro", "GNU tar (or as named)", "bsdtar", "ratio", "")
        print("| " + " | ".join(head) + " |")
        print("|" + "---|" * len(head))
        for row in self.rows:
            print("| " + " | ".join(row) + " |")
        sys.stdout.flush()


def alternate(commands, runs=RUNS, before=None, after=None):
    """commands: name -> function(run index) returning argv and cwd (and the exit statuses
    that are fine, when not only 0). Returns name -> samples."""
    samples = {name: [] for name in commands}
    for i in range(runs):
        for name, make in commands.items():
            if before:
                before(name, i)
            samples[name].append(run(*make(i)))
            if after:
                after(name, i)
    return samples


def bench_tree(table, cli, base, name, seed, folders, files, size_range, keep_extractions):
    work = os.path.join(base, name)
    src_parent = os.path.join(work, "src")
    tree = os.path.join(src_parent, name)
    os.makedirs(tree)
    print(f"# generating {name}: {files} files in {folders} folders", file=sys.stderr)
    write_tree(tree, seed, folders, files, size_range)
    out = os.path.join(work, "out")
    os.makedirs(out)

    def archive(tool, i):
        return os.path.join(out, f"{tool}{i}.{'tsk' if tool == 'velmoro' else 'tar'}")

    def drop_archive(tool, i):
        os.remove(archive(tool, i))

    pack = alternate({
        "velmoro": lambda i: ([cli, "pack", tree, "-o", archive("velmoro", i)], None),
        "tar": lambda i: (["tar", "-cf", archive("tar", i), name], src_parent),
        "bsdtar": lambda i: (["bsdtar", "-cf", archive("bsdtar", i), name], src_parent),
    }, after=drop_archive)
    # Information only: Velmoro syncs a finished archive to disk before it
    # replaces an older one, the references leave theirs in the page cache.
    table.add(name, "pack", pack["velmoro"], {"tar": pack["tar"], "bsdtar": pack["bsdtar"]},
              note="information: references not synced")
    # The goal: the same work, each reference followed by `sync -d` of its archive.
    synced = alternate({
        "velmoro": lambda i: ([cli, "pack", tree, "-o", archive("velmoro", i)], None),
        "tar": lambda i: (["sh", "-c", f'tar -cf "$0" {name} && sync -d "$0"', archive("tar", i)], src_parent),
        "bsdtar": lambda i: (["sh", "-c", f'bsdtar -cf "$0" {name} && sync -d "$0"', archive("bsdtar", i)], src_parent),
    }, after=drop_archive)
    table.add(name, "pack (references synced too)", synced["velmoro"],
              {"tar": synced["tar"], "bsdtar": synced["bsdtar"]}, goal=1.0)

    run([cli, "pack", tree, "-o", os.path.join(work, "theme.tsk")])
    run(["tar", "-cf", os.path.join(work, "theme.tar"), name], cwd=src_parent)
    shutil.rmtree(src_parent) # the page cache keeps what the extractions will read

    def fresh(tool, i):
        folder = os.path.join(work, f"x-{tool}{i}")
        os.makedirs(folder)
        return folder

    def tidy(tool, i):
        if not keep_extractions:
            shutil.rmtree(os.path.join(work, f"x-{tool}{i}"))

    unpack = alternate({
        "velmoro": lambda i: ([cli, "unpack", os.path.join(work, "theme.tsk"), "-d", fresh("velmoro", i)], None),
        "tar": lambda i: (["tar", "-xf", os.path.join(work, "theme.tar"), "-C", fresh("tar", i)], None),
        "bsdtar": lambda i: (["bsdtar", "-xf", os.path.join(work, "theme.tar"), "-C", fresh("bsdtar", i)], None),
    }, after=tidy)
    table.add(name, "unpack", unpack["velmoro"], {"tar": unpack["tar"], "bsdtar": unpack["bsdtar"]}, goal=1.0)
    shutil.rmtree(work)


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


def bench_memory(table, cli, base):
    work = os.path.join(base, "memory")
    tree = os.path.join(work, "src", "large")
    os.makedirs(tree)
    write_tree(tree, 5, 1, 1, (512 * MIB, 512 * MIB))
    archive = os.path.join(work, "large.tsk")
    tar_archive = os.path.join(work, "large.tar")
    peaks = {"pack": [], "unpack": [], "list": []}
    refs = {"pack": {"tar": [], "bsdtar": []}, "unpack": {"tar": [], "bsdtar": []}, "list": {"tar": [], "bsdtar": []}}
    parent = os.path.dirname(tree)
    for i in range(RUNS):
        peaks["pack"].append(peak_memory([cli, "pack", tree, "-o", archive]))
        refs["pack"]["tar"].append(peak_memory(["tar", "-cf", tar_archive, "large"], cwd=parent))
        refs["pack"]["bsdtar"].append(peak_memory(["bsdtar", "-cf", tar_archive, "large"], cwd=parent))
        peaks["list"].append(peak_memory([cli, "list", archive]))
        refs["list"]["tar"].append(peak_memory(["tar", "-tf", tar_archive]))
        refs["list"]["bsdtar"].append(peak_memory(["bsdtar", "-tf", tar_archive]))
        for tool, argv in (("velmoro", [cli, "unpack", archive, "-d"]),
                           ("tar", ["tar", "-xf", tar_archive, "-C"]),
                           ("bsdtar", ["bsdtar", "-xf", tar_archive, "-C"])):
            target = os.path.join(work, f"x-{tool}")
            os.makedirs(target)
            peak = peak_memory(argv + [target])
            (peaks["unpack"] if tool == "velmoro" else refs["unpack"][tool]).append(peak)
            shutil.rmtree(target)
    for operation in ("pack", "unpack", "list"):
        table.add("one 512 MiB resource", f"{operation}: peak memory", peaks[operation],
                  refs[operation], unit="MiB")
        table.rows[-1] = table.rows[-1][:5] + (
            "goal <= 32 MiB", "met" if statistics.median(peaks[operation]) <= 32 else "NOT met")
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
    table.add("20,000 resources", "preview tree fill", samples("fill"), {}, goal=150, unit="ms")
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
        "list": lambda: (bench_list(table, cli, base, 20_000), bench_list(table, cli, base, 100_000)),
        "memory": lambda: bench_memory(table, cli, base),
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
