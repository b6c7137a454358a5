#!/usr/bin/env python3
"""clang-tidy over the product's own sources, with a build's compile commands.

    scripts/clang_tidy.py BUILD_DIR [-j N]

Every .cpp under the product folders (not tests/ or bench/) is analysed with
the checks of .clang-tidy; any finding is printed and makes the exit status 1.

Analysing one file means parsing Qt's headers again, a quarter of a minute
per file on a small machine. Like ccache for the compiler, a file that was
found clean before is not analysed again when nothing that decides the
result changed: the key is the clang-tidy version, .clang-tidy, the file's
compile command and its preprocessed text with comments (so every header
it includes and every NOLINT count). Only clean results are kept, under
${XDG_CACHE_HOME:-~/.cache}/vistrel/clang-tidy; a finding is reported on
every run.
"""

import argparse
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys
from pathlib import Path

PRODUCT = re.compile(
    r"^/(activity|app|browse|controls|exporting|picture|pipeline|platform|recording|timeline|tools)/.*\.cpp$")


def cache_folder():
    base = os.environ.get("XDG_CACHE_HOME") or os.path.join(Path.home(), ".cache")
    folder = Path(base) / "vistrel" / "clang-tidy"
    folder.mkdir(parents=True, exist_ok=True)
    return folder


def preprocessed(entry, source_root):
    """The translation unit as the compiler sees it, comments kept."""
    arguments = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    # Drop the output and the compile step; keep defines, include paths, flags.
    kept = []
    skip = False
    for argument in arguments[1:]:
        if skip:
            skip = False
            continue
        if argument in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if argument in ("-c", "-MD", "-MMD") or argument == entry["file"]:
            continue
        kept.append(argument)
    result = subprocess.run([arguments[0], "-E", "-P", "-C", *kept, entry["file"]],
                            cwd=entry["directory"], capture_output=True)
    if result.returncode != 0:
        return None
    # The clone's folder is not part of what is analysed.
    return result.stdout.replace(source_root.encode(), b"@SRC@")


def analyse(entry, build, source_root, fixed_key, folder):
    text = preprocessed(entry, source_root)
    marker = None
    if text is not None:
        digest = hashlib.sha256(fixed_key)
        command = entry.get("command") or " ".join(entry["arguments"])
        digest.update(command.replace(source_root, "@SRC@").encode())
        digest.update(text)
        marker = folder / digest.hexdigest()
        if marker.exists():
            return entry["file"], True, "", True
    result = subprocess.run(["clang-tidy", "-p", str(build), "--quiet", entry["file"]],
                            capture_output=True, text=True)
    findings = result.stdout + result.stderr
    clean = result.returncode == 0 and "warning:" not in findings and "error:" not in findings
    if clean and marker is not None:
        marker.touch()
    return entry["file"], clean, findings, False


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("-j", type=int, default=os.cpu_count() or 1)
    options = parser.parse_args()

    source_root = str(Path(__file__).resolve().parent.parent)
    build = Path(options.build).resolve()
    entries = [e for e in json.loads((build / "compile_commands.json").read_text())
               if e["file"].startswith(source_root + "/")
               and PRODUCT.match(e["file"][len(source_root):])]
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True).stdout
    fixed_key = version + (Path(source_root) / ".clang-tidy").read_bytes()
    folder = cache_folder()

    failed = 0
    reused = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=options.j) as pool:
        jobs = [pool.submit(analyse, e, build, source_root, fixed_key, folder) for e in entries]
        for job in concurrent.futures.as_completed(jobs):
            name, clean, findings, from_cache = job.result()
            if not clean:
                failed += 1
                print(f"clang-tidy: {os.path.relpath(name, source_root)}\n{findings}", flush=True)
            elif from_cache:
                reused += 1
    print(f"clang-tidy: {len(entries)} files, {failed} with findings, "
          f"{reused} clean from an earlier run")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
