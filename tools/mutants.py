"""The mutation check: puts one realistic fault at a time into a copy of the
tree, rebuilds the copy and runs the test suites against it. A fault that no
test notices shows where the suites are weak. tools/mutants runs this; the
faults are listed in tests/mutants/*.toml, and tests/mutants/README.md says
how to read the results."""

import argparse
import difflib
import fcntl
import os
import re
import shutil
import signal
import subprocess
import sys
import time
import tomllib
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LISTS = ROOT / "tests" / "mutants"
WORK = ROOT / "build-mutants"
COPY = WORK / "src"
BUILD = WORK / "build"
LOGS = WORK / "logs"
RECORD = LISTS / "last-run.txt"

REQUIRED = ("id", "file", "find", "replace", "description")
OPTIONAL = ("tests", "equivalent")


class ListError(Exception):
    pass


@dataclass
class Mutant:
    id: str
    file: str
    find: str
    replace: str
    description: str
    tests: list
    equivalent: str
    origin: str  # the list file it comes from
    line: int = 0  # where the change is in the file, 0 if stale
    stale: str = ""  # why the text can't be placed

    def change(self):
        """The lines the fault changes, before and after, and the index of the first in `find`."""
        before, after = self.find.split("\n"), self.replace.split("\n")
        removed, added, first = [], [], None
        for tag, i1, i2, j1, j2 in difflib.SequenceMatcher(None, before, after, autojunk=False).get_opcodes():
            if tag != "equal":
                first = i1 if first is None else first
                removed += [line.strip() for line in before[i1:i2]]
                added += [line.strip() for line in after[j1:j2]]
        return removed, added, first or 0

    def shown_change(self):
        before, after, _ = self.change()
        if before == after:  # lines moved: show them all
            before, after = [line.strip() for line in self.find.split("\n")], \
                            [line.strip() for line in self.replace.split("\n")]
        if len(before) == 1 and not after:
            return "drops `%s`" % before[0]
        if len(before) == 1 and len(after) == 1:
            return "`%s` -> `%s`" % (before[0], after[0])
        return "\n".join(["- " + line for line in before] + ["+ " + line for line in after])


def load_lists():
    mutants = []
    seen = {}
    for path in sorted(LISTS.glob("*.toml")):
        try:
            entries = tomllib.loads(path.read_text()).get("mutant", [])
        except tomllib.TOMLDecodeError as error:
            raise ListError("%s: %s" % (path.relative_to(ROOT), error))
        for index, entry in enumerate(entries):
            where = "%s: mutant %d" % (path.relative_to(ROOT), index + 1)
            unknown = sorted(set(entry) - set(REQUIRED) - set(OPTIONAL))
            missing = [key for key in REQUIRED if key not in entry]
            if unknown or missing:
                raise ListError("%s: %s" % (where, "unknown keys " + ", ".join(unknown) if unknown
                                            else "needs " + ", ".join(missing)))
            if entry["id"] in seen:
                raise ListError("%s: id %s is taken by %s" % (where, entry["id"], seen[entry["id"]]))
            seen[entry["id"]] = where
            mutants.append(Mutant(entry["id"], entry["file"], entry["find"], entry["replace"],
                                  entry["description"], entry.get("tests", []), entry.get("equivalent", ""),
                                  str(path.relative_to(ROOT))))
    for mutant in mutants:
        place(mutant)
    return mutants


def place(mutant):
    """Finds the line of the change; marks the entry stale unless its text occurs exactly once."""
    path = ROOT / mutant.file
    if not path.is_file():
        mutant.stale = "no file %s" % mutant.file
        return
    text = path.read_text()
    count = text.count(mutant.find)
    if count != 1:
        mutant.stale = "the text occurs %d times in %s" % (count, mutant.file)
        return
    if mutant.find == mutant.replace:
        mutant.stale = "the replacement changes nothing"
        return
    mutant.line = text.count("\n", 0, text.index(mutant.find)) + 1 + mutant.change()[2]


def source_files():
    listed = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=ROOT,
                            check=True, capture_output=True).stdout.decode().split("\0")
    return [name for name in listed if name and (ROOT / name).is_file()]


def sync_copy():
    """Brings the copy in line with the working tree. Only files whose content differs are
    written, and they get a new time, so the build sees exactly what changed."""
    for name in source_files():
        source, target = ROOT / name, COPY / name
        data = source.read_bytes()
        if not target.is_file() or target.read_bytes() != data:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
        shutil.copymode(source, target)


class Interrupted(Exception):
    pass


def on_terminate(signum, frame):
    raise Interrupted()


def run(command, log, timeout=None, cwd=None):
    """Runs the command in a process group of its own, its output into the log.
    Returns its status, or None when it ran out of time (the group is then ended)."""
    with open(log, "w") as output:
        process = subprocess.Popen(command, cwd=cwd, stdout=output, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        finally:
            if process.poll() is None:
                # TERM first, so that vantelo-with-simulator stops its bus and simulator.
                for signum, grace in ((signal.SIGTERM, 10), (signal.SIGKILL, 10)):
                    try:
                        os.killpg(process.pid, signum)
                        process.wait(timeout=grace)
                        break
                    except (ProcessLookupError, subprocess.TimeoutExpired):
                        pass


def build(jobs, log):
    if not (BUILD / "CMakeCache.txt").is_file():
        # Shared libraries are loaded at run time: a change in one relinks only itself.
        # With ccache, building the original again after a mutant costs next to nothing.
        configure = ["cmake", "-S", str(COPY), "-B", str(BUILD), "-DCMAKE_BUILD_TYPE=Release",
                     "-DCMAKE_LINK_DEPENDS_NO_SHARED=ON", "-DVANTELO_BUILD_TESTS=ON"]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        if shutil.which("ccache"):
            configure += ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"]
        if run(configure, log) != 0:
            return False
    return run(["cmake", "--build", str(BUILD), "-j", str(jobs)], log) == 0


def first_error(log):
    for line in Path(log).read_text(errors="replace").splitlines():
        if "error" in line.lower():
            return line.strip()
    return "see " + str(log)


def ctest(arguments, log, timeout):
    """Runs CTest; returns (failed tests, hung tests). A test that CTest ended for
    its own time-out, or that ran when the whole run ran out of time, hung."""
    status = run(["ctest", "--no-tests=ignore"] + arguments, log, timeout=timeout, cwd=BUILD)
    text = Path(log).read_text(errors="replace")
    failed, hung = [], []
    for name, how in re.findall(r"^\s*\d+ - (\S+) \((.+)\)\s*$", text, re.M):
        (hung if "Timeout" in how else failed).append(name)
    if status is None:
        started = re.findall(r"Start\s+\d+: (\S+)", text)
        finished = set(re.findall(r"Test\s+#\d+: (\S+) ", text))
        hung += [name for name in started if name not in finished] or ["(the run ran out of time)"]
    elif status != 0 and not failed and not hung:
        failed.append("(ctest failed: see %s)" % log)
    return failed, hung


def test(mutant, timeout, log_stem):
    """Runs the suites the entry names first, then, if they all pass, the rest."""
    deadline = time.monotonic() + timeout
    named = "^(%s)$" % "|".join(re.escape(name) for name in mutant.tests) if mutant.tests else None
    if named:
        failed, hung = ctest(["-R", named], "%s.named.log" % log_stem, timeout)
        if failed or hung:
            return failed, hung
    rest = ["--stop-on-failure"] + (["-E", named] if named else [])
    return ctest(rest, "%s.rest.log" % log_stem, max(1, deadline - time.monotonic()))


def try_mutant(mutant, jobs, timeout):
    """Returns (outcome, detail)."""
    target = COPY / mutant.file
    original = target.read_text()
    log_stem = str(LOGS / mutant.id)
    try:
        target.write_text(original.replace(mutant.find, mutant.replace, 1))
        if not build(jobs, log_stem + ".build.log"):
            return "invalid", first_error(log_stem + ".build.log")
        failed, hung = test(mutant, timeout, log_stem)
    finally:
        # A new time, so the next build compiles the original again.
        target.write_text(original)
    if hung:
        outcome = "killed by a hang"
    elif failed:
        outcome = "killed"
    else:
        return ("equivalent" if mutant.equivalent else "survived"), ""
    if mutant.equivalent:
        outcome = "killed, yet marked equivalent"
    return outcome, ", ".join(hung + failed)


def print_list(mutants):
    for mutant in mutants:
        where = "%s:%s" % (mutant.file, mutant.line or "?")
        flags = (" [stale: %s]" % mutant.stale if mutant.stale else "") + (" [equivalent]" if mutant.equivalent else "")
        print("%-34s %-58s %s%s" % (mutant.id, where, mutant.description, flags))


def summary(results, seconds):
    count = {}
    for _, outcome, _ in results:
        count[outcome] = count.get(outcome, 0) + 1
    killed = count.get("killed", 0) + count.get("killed by a hang", 0)
    counted = killed + count.get("survived", 0)
    to_mend = count.get("invalid", 0) + count.get("stale", 0) + count.get("killed, yet marked equivalent", 0)
    lines = ["%d mutants in %d min: %d killed (%d by a hang), %d survived, %d equivalent, %d to mend in the list"
             % (len(results), round(seconds / 60), killed, count.get("killed by a hang", 0),
                count.get("survived", 0), count.get("equivalent", 0), to_mend)]
    if counted:
        lines.append("kill rate %d/%d = %.1f%% (equivalent mutants left out)" % (killed, counted,
                                                                                 100.0 * killed / counted))
    for title, wanted in (("Survivors", "survived"), ("Equivalent (no behaviour can reveal them)", "equivalent"),
                          ("List entries to mend", None)):
        chosen = [(m, o, d) for m, o, d in results
                  if (o == wanted if wanted else o in ("invalid", "stale", "killed, yet marked equivalent"))]
        if not chosen:
            continue
        lines.append("")
        lines.append(title + ":")
        for mutant, outcome, detail in chosen:
            lines.append("  %s  %s:%s  (%s)" % (mutant.id, mutant.file, mutant.line or "?", mutant.origin))
            lines.append("      " + mutant.description)
            lines.extend("      " + line for line in mutant.shown_change().splitlines())
            if wanted is None:
                lines.append("      %s: %s" % (outcome, detail))
            elif mutant.equivalent:
                lines.append("      equivalent: " + mutant.equivalent)
    return lines


def main():
    parser = argparse.ArgumentParser(
        prog="tools/mutants",
        description="Puts each listed fault into a copy of the tree in build-mutants/, rebuilds it and runs the "
                    "test suites; reports the faults no test noticed.")
    parser.add_argument("paths", nargs="*", help="only the mutants of these files or folders")
    parser.add_argument("--only", action="append", default=[], metavar="ID", help="only this mutant (repeatable)")
    parser.add_argument("--list", action="store_true", help="list the mutants, run nothing")
    parser.add_argument("--jobs", type=int, default=2, help="build jobs (default 2)")
    parser.add_argument("--timeout", type=int, default=300,
                        help="seconds the suites may take for one mutant (default 300)")
    parser.add_argument("--record", action="store_true", help="write the summary to " + str(RECORD.relative_to(ROOT)))
    options = parser.parse_args()

    try:
        mutants = load_lists()
    except ListError as error:
        sys.exit("tools/mutants: %s" % error)
    wanted_ids = {name for argument in options.only for name in argument.split(",") if name}
    unknown = wanted_ids - {mutant.id for mutant in mutants}
    if unknown:
        sys.exit("tools/mutants: no mutant %s; --list names them" % ", ".join(sorted(unknown)))
    prefixes = [os.path.relpath(Path(path).resolve(), ROOT) for path in options.paths]
    mutants = [m for m in mutants
               if (not wanted_ids or m.id in wanted_ids)
               and (not prefixes or any(m.file == p or m.file.startswith(p.rstrip("/") + "/") or p == "."
                                        for p in prefixes))]
    if options.list:
        print_list(mutants)
        return 0
    if not mutants:
        sys.exit("tools/mutants: no mutant matches")

    WORK.mkdir(exist_ok=True)
    lock = open(WORK / "lock", "w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        sys.exit("tools/mutants: another run uses %s; one at a time" % WORK)
    signal.signal(signal.SIGTERM, on_terminate)
    os.environ.setdefault("CCACHE_DIR", str(WORK / "ccache"))
    # The same random campaign for every mutant, so that only the fault differs between runs.
    os.environ.setdefault("VANTELO_CAMPAIGN_SEED", "20261206")
    started = time.monotonic()
    results = []
    try:
        LOGS.mkdir(parents=True, exist_ok=True)
        sync_copy()
        print("Building the unchanged copy and running every suite once ...", flush=True)
        if not build(options.jobs, LOGS / "baseline.build.log"):
            sys.exit("tools/mutants: the unchanged tree does not build: %s" % first_error(LOGS / "baseline.build.log"))
        failed, hung = ctest([], str(LOGS / "baseline.test.log"), options.timeout)
        if failed or hung:
            sys.exit("tools/mutants: the suites fail without any mutant (%s); see %s"
                     % (", ".join(failed + hung), LOGS / "baseline.test.log"))
        known = set(re.findall(r"Test\s+#\d+: (\S+)", subprocess.run(
            ["ctest", "-N"], cwd=BUILD, capture_output=True, text=True).stdout))
        for mutant in mutants:
            unknown_tests = [name for name in mutant.tests if name not in known]
            if unknown_tests and not mutant.stale:
                mutant.stale = "no test %s" % ", ".join(unknown_tests)
        for number, mutant in enumerate(mutants, 1):
            began = time.monotonic()
            if mutant.stale:
                outcome, detail = "stale", mutant.stale
            else:
                outcome, detail = try_mutant(mutant, options.jobs, options.timeout)
            results.append((mutant, outcome, detail))
            print("[%3d/%d] %-16s %-34s %4ds  %s" % (number, len(mutants), outcome, mutant.id,
                                                      time.monotonic() - began, detail), flush=True)
    except (KeyboardInterrupt, Interrupted):
        print("\ntools/mutants: interrupted; the copy is restored", file=sys.stderr)
        return 130

    lines = summary(results, time.monotonic() - started)
    print("\n" + "\n".join(lines))
    if options.record:
        def git(*arguments):
            return subprocess.run(["git"] + list(arguments), cwd=ROOT, capture_output=True, text=True).stdout.strip()
        changed = git("status", "--porcelain", "--", ".", ":!" + str(RECORD.relative_to(ROOT)))
        head = git("rev-parse", "--short", "HEAD") + (" with changes" if changed else "")
        RECORD.write_text("Last full run of tools/mutants, on %s, of %s\n\n" % (time.strftime("%Y-%m-%d"), head)
                          + "\n".join(lines) + "\n")
    if any(outcome in ("invalid", "stale", "killed, yet marked equivalent") for _, outcome, _ in results):
        return 2
    return 1 if any(outcome == "survived" for _, outcome, _ in results) else 0


if __name__ == "__main__":
    sys.exit(main())
