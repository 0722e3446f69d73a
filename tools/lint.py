#!/usr/bin/env python3
"""clang-tidy with the checks of .clang-tidy on the core and the front ends.

Usage: tools/lint.py [BUILD [JOBS]]

BUILD (default: build) is a build folder configured with CMAKE_EXPORT_COMPILE_COMMANDS=ON; the
sources need not be compiled. Each source file of tables/ geo/ search/ reports/ exports/
import/ harvest/ cli/ and app/ in its compile commands is checked, JOBS (default: 2) at a time, with
the headers of those folders it includes. A finding in a header is shown once. The exit status
is 1 when anything is found, 2 when the files cannot be listed.
"""

import json
import os
import re
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

FOLDERS = ("tables", "geo", "search", "reports", "exports", "import", "harvest", "cli", "app")
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CLANG_TIDY = os.environ.get("CLANG_TIDY", "clang-tidy")
DIAGNOSTIC = re.compile(r"^\S.*:\d+:\d+: (warning|error): ")
GENERATED = re.compile(r"^\d+ warnings? (generated|treated as errors?)\.?$")


def sources(build):
    """The files of the linted folders in the compile commands of build, each once."""
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        entries = json.load(f)
    paths = set()
    for entry in entries:
        path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        if os.path.relpath(path, ROOT).split(os.sep)[0] in FOLDERS:
            paths.add(path)
    return sorted(paths)


def tidy(build, path):
    """clang-tidy on one file: its exit status and its diagnostics, each with its notes."""
    run = subprocess.run([CLANG_TIDY, "-p", build, "--quiet", path], capture_output=True, text=True, check=False)
    blocks = []
    for line in run.stdout.splitlines() + run.stderr.splitlines():
        if GENERATED.match(line):
            continue
        if DIAGNOSTIC.match(line) or not blocks:
            blocks.append([])
        blocks[-1].append(line)
    return run.returncode, ["\n".join(block) for block in blocks]


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    jobs = int(sys.argv[2]) if len(sys.argv) > 2 else 2
    try:
        files = sources(build)
    except (OSError, ValueError) as e:
        print(f"lint: cannot read the compile commands of {build}: {e}", file=sys.stderr)
        return 2
    if not files:
        print(f"lint: no source of {', '.join(FOLDERS)} in {build}/compile_commands.json", file=sys.stderr)
        return 2
    start = time.monotonic()
    shown = set()
    failed = 0
    with ThreadPoolExecutor(max_workers=jobs) as pool:
        for path, (status, blocks) in zip(files, pool.map(lambda p: tidy(build, p), files)):
            if status != 0:
                failed += 1
            for block in blocks:
                if block not in shown:
                    shown.add(block)
                    print(block, flush=True)
            if status != 0 and not blocks:
                print(f"{path}: clang-tidy ended with status {status}", flush=True)
    seconds = time.monotonic() - start
    print(f"lint: {len(files)} files in {seconds:.0f} s, {failed} with findings")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
