#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Plants hand-picked faults in the program, one at a time, and runs the tests on each.

    bench/mutate.py [--build DIR] [--mutants FILE] [--only N[,N...]] [--matrix]

Each fault in bench/mutants.txt names a file, a text that must occur exactly once in it and
what it becomes. For each: plant it, build, run the tests (stopping at the first failure),
put the file back. With --matrix every test program runs to its end and each fault lists
the tests that caught it: what a smaller suite must keep. A fault the tests catch is "killed"; one they let through "survived";
one whose text is no longer in the file is "stale" (the code moved: update the list). Run it
on a clean tree: it edits files in place and restores them.
"""

import argparse
import os
import resource
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGETS = ["kelvo_tests", "kelvo_qt_tests", "kelvo", "kelvo-supply-sim"]


def read_mutants(path):
    """Blocks of "[description]", "file: ...", "from: ...", "to: ..."."""
    mutants = []
    current = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            if line.startswith("["):
                current = {"what": line.strip("[]"), "line": number}
                mutants.append(current)
                continue
            key, _, value = line.partition(":")
            if current is None or key not in ("file", "from", "to"):
                sys.exit(f"{path}:{number}: expected [description], file:, from: or to:")
            current[key] = value.strip()
    for m in mutants:
        if not all(k in m for k in ("file", "from", "to")):
            sys.exit(f"{path}:{m['line']}: a fault needs file:, from: and to:")
    return mutants


# A planted fault can make a test grow without end; capped, it dies at once instead of
# driving the whole machine (and whatever else runs on it) into the out-of-memory killer.
MEMORY_CAP = 8 << 30


def cap_memory():
    resource.setrlimit(resource.RLIMIT_AS, (MEMORY_CAP, MEMORY_CAP))


def stages(build):
    bin_dir = os.path.join(build, "bin")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    e2e = os.path.join(HERE, "tests", "e2e")
    return [
        ("unit+scenario", [os.path.join(bin_dir, "kelvo_tests"), "--gtest_brief=1"], env),
        ("qt", [os.path.join(bin_dir, "kelvo_qt_tests"), "--gtest_brief=1"], env),
        ("e2e-link", [os.path.join(e2e, "link_e2e.sh"), bin_dir], env),
        ("e2e-safety", [os.path.join(e2e, "safety_e2e.sh"), bin_dir], env),
        ("e2e-export", [os.path.join(e2e, "export_csv_e2e.sh"), bin_dir], env),
    ]


def failed_tests(output):
    return sorted({line.split()[3] for line in output.splitlines()
                   if line.startswith("[  FAILED  ]") and len(line.split()) > 3 and
                   "." in line.split()[3]})


def run_suite(build, timeout, matrix=False):
    """What caught the fault: the first stage that fails (with --matrix, every failing test
    of the test programs, then the end-to-end stages only if those caught nothing), or
    None when all pass."""
    caught = []
    for name, command, env in stages(build):
        if matrix and caught and name.startswith("e2e"):
            break
        try:
            done = subprocess.run(command, env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, timeout=timeout, check=False,
                                  text=True, errors="replace", preexec_fn=cap_memory)
        except subprocess.TimeoutExpired:
            caught.append(name + " (timeout)")
            if not matrix:
                break
            continue
        if done.returncode != 0:
            tests = failed_tests(done.stdout) if matrix else []
            caught.extend(tests or [name])
            if not matrix:
                break
    return " ".join(caught) or None


def build_targets(build):
    done = subprocess.run(["cmake", "--build", build, "-j2", "--target", *TARGETS],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return done.returncode == 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(HERE, "build-mutants"))
    parser.add_argument("--mutants", default=os.path.join(HERE, "bench", "mutants.txt"))
    parser.add_argument("--only", help="comma-separated fault numbers (from 1)")
    parser.add_argument("--matrix", action="store_true",
                        help="run every test program to its end and list what failed")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per test stage")
    args = parser.parse_args()

    mutants = read_mutants(args.mutants)
    chosen = range(1, len(mutants) + 1)
    if args.only:
        chosen = [int(n) for n in args.only.split(",")]

    subprocess.run(["cmake", "-S", HERE, "-B", args.build], stdout=subprocess.DEVNULL, check=True)
    if not build_targets(args.build):
        sys.exit("the unchanged tree does not build")
    failed = run_suite(args.build, args.timeout)
    if failed:
        sys.exit(f"the unchanged tree fails its tests ({failed}): nothing to measure")

    tally = {"killed": 0, "survived": 0, "stale": 0, "no build": 0}
    started = time.time()
    for n in chosen:
        m = mutants[n - 1]
        path = os.path.join(HERE, m["file"])
        with open(path, encoding="utf-8") as f:
            original = f.read()
        if original.count(m["from"]) != 1:
            verdict = "stale"
            detail = f"text found {original.count(m['from'])} times"
        else:
            try:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original.replace(m["from"], m["to"]))
                if not build_targets(args.build):
                    verdict, detail = "no build", ""
                else:
                    failed = run_suite(args.build, args.timeout, args.matrix)
                    verdict = "killed" if failed else "survived"
                    detail = f"by {failed}" if failed else ""
            finally:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(original)
        tally[verdict] += 1
        print(f"{n:3} {verdict:8} {m['what']} ({m['file']}) {detail}", flush=True)

    build_targets(args.build)
    total = sum(tally.values())
    print(f"\n{total} faults: " + ", ".join(f"{v} {k}" for k, v in tally.items()) +
          f"; {time.time() - started:.0f} s")
    sys.exit(0 if tally["survived"] == tally["stale"] == tally["no build"] == 0 else 1)


if __name__ == "__main__":
    main()
