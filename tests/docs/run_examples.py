#!/usr/bin/env python3
"""Runs the shell examples of the README and the guides, and checks that they print what is shown.

A fenced block whose info string is `console` is an example to run: each line starting with `$ `
is a command (a line ending in a backslash continues on the next), and the lines after it, up to
the next command, are what it prints (standard output and standard error together). A line `...`
stands for any number of lines. A command that ends with a status other than 0 must say so on
its last shown line as `[exit status N]`. Blocks with any other info string are not run.

The commands of one file run in order, in one scratch folder that holds `examples/` (a copy of
the project's), with the programs' folders first on PATH, under bash with pipefail.

usage: run_examples.py [--update] --path DIR [--path DIR ...] SOURCE_DIR FILE.md...
  --update   rewrite the shown output of each command with what it printed (make docs)
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

ELLIPSIS = "..."
STATUS = re.compile(r"^\[exit status (\d+)\]$")


class Command:
    def __init__(self, first_line, text):
        self.first_line = first_line  # index into the file's lines of the `$ ` line
        self.text = text  # the command as bash reads it
        self.shown = []  # lines shown as its output
        self.end = first_line  # index one past the last line it occupies


def examples(lines):
    """Yields the commands of every console block of a Markdown file."""
    i = 0
    while i < len(lines):
        if lines[i].rstrip() != "```console":
            i += 1
            continue
        i += 1
        command = None
        while i < len(lines) and lines[i].rstrip() != "```":
            line = lines[i]
            if line.startswith("$ "):
                if command is not None:
                    yield command
                start = i
                text = line[2:]
                while text.endswith("\\") and i + 1 < len(lines):
                    i += 1
                    text = text + "\n" + lines[i]
                command = Command(start, text)
                command.end = i + 1
            elif command is not None:
                command.shown.append(line)
                command.end = i + 1
            i += 1
        if command is not None:
            yield command
        i += 1


def matches(shown, printed):
    """Whether printed lines match shown lines, where `...` matches any run of lines."""
    if not shown:
        return not printed
    if shown[0] == ELLIPSIS:
        return any(matches(shown[1:], printed[k:]) for k in range(len(printed) + 1))
    return bool(printed) and shown[0] == printed[0] and matches(shown[1:], printed[1:])


def refreshed(shown, printed):
    """What --update shows: the printed lines, cut where the old text had `...`."""
    if ELLIPSIS not in shown:
        return printed
    k = shown.index(ELLIPSIS)
    tail = len(shown) - k - 1
    if len(printed) <= k + tail:
        return printed
    return printed[:k] + [ELLIPSIS] + (printed[len(printed) - tail :] if tail else [])


def run(command, folder, path):
    env = dict(os.environ)
    env["PATH"] = os.pathsep.join(path + [env.get("PATH", "")])
    env["LC_ALL"] = "C.UTF-8"
    env.pop("KELVARO_ISA", None)
    done = subprocess.run(
        ["bash", "-o", "pipefail", "-c", command.text],
        cwd=folder,
        env=env,
        stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT,
        timeout=600,
    )
    printed = done.stdout.decode("utf-8", "replace").splitlines()
    if done.returncode != 0:
        printed.append("[exit status %d]" % done.returncode)
    return printed


def check_file(name, source_dir, path, update):
    with open(name, encoding="utf-8") as f:
        lines = f.read().split("\n")
    commands = list(examples(lines))
    if not commands:
        return 0, 0
    failures = 0
    with tempfile.TemporaryDirectory(prefix="kelvaro-docs-") as folder:
        shutil.copytree(os.path.join(source_dir, "examples"), os.path.join(folder, "examples"))
        for command in commands:
            printed = run(command, folder, path)
            if update:
                command.shown = refreshed(command.shown, printed)
            elif not matches(command.shown, printed):
                failures += 1
                print("%s:%d: `%s` printed:" % (name, command.first_line + 1, command.text))
                print("\n".join("  | " + line for line in printed[:40]))
                print("  where the text shows:")
                print("\n".join("  | " + line for line in command.shown[:40]))
    if update:
        out = []
        i = 0
        for command in commands:
            out.extend(lines[i : command.first_line])
            out.extend(lines[command.first_line : command.first_line + command.text.count("\n") + 1])
            out.extend(command.shown)
            i = command.end
        out.extend(lines[i:])
        with open(name, "w", encoding="utf-8") as f:
            f.write("\n".join(out))
    return len(commands), failures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--update", action="store_true")
    parser.add_argument("--path", action="append", default=[])
    parser.add_argument("source_dir")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    path = [os.path.abspath(p) for p in args.path]
    total = failed = 0
    for name in args.files:
        count, failures = check_file(name, os.path.abspath(args.source_dir), path, args.update)
        total += count
        failed += failures
    verb = "updated" if args.update else "ran"
    print("%s %d examples in %d files; %d differ from the text" % (verb, total, len(args.files), failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
