#!/usr/bin/env python3
"""The command blocks of README.md and doc/*.md, run as a newcomer runs them.

Each document is followed from its top, block by block, in a fresh folder
of its own: a block of commands (indented or fenced as sh) runs line by
line, and where a line starts with "$ " the lines under it are the output
the document shows, which must be what the command prints (standard output
and error together). A line with no output shown must succeed. Paths under
/tmp/ and the prefix /usr/local stand for folders inside the fresh one.
A block with a command that builds (cmake, ctest, bash, build/...) runs in
the source tree; the others in the fresh folder, with scenarioc and belvara_quintosa from
BIN_DIR on the PATH.

A line is not run when it says why, visibly: "# not run by CI: REASON"; nor
when .ci/run or a .ci/*.sh script runs that very line as a stage of its
own. A block that shows a command's usage ("scenarioc check [--scenario
...") is not a command. Following the documents must leave the source
tree's tracked files as they were (git status). With --quick only the blocks that build nothing run
(the default test suite runs them so); --list shows what would run.

Usage: doc_commands.py [--quick] [--list] SOURCE_DIR BIN_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP_MARK = "# not run by CI:"
BUILDS = re.compile(r"^(cmake|ctest|bash|build/|cd editors/)")
COMMAND = re.compile(r"^(\$ |scenarioc |belvara_quintosa|cmake |ctest |bash |build/|cd |cp |code |sudo |npm |node )")
USAGE = re.compile(r"^scenarioc [a-z]+ \[")
FENCED_SHELL = {"sh", "shell", "bash", "console"}


def blocks(path):
    """The code blocks of a Markdown file: (line number, [lines])."""
    lines = open(path, encoding="utf-8").read().split("\n")
    found, i = [], 0
    while i < len(lines):
        line = lines[i]
        fence = re.match(r"^```(\w*)", line)
        if fence:
            start, body = i + 1, []
            i += 1
            while i < len(lines) and not lines[i].startswith("```"):
                body.append(lines[i])
                i += 1
            if fence.group(1) in FENCED_SHELL:
                found.append((start + 1, body))
        elif line.startswith("    ") and (i == 0 or lines[i - 1].strip() == ""):
            start, body = i, []
            while i < len(lines) and (lines[i].startswith("    ") or lines[i].strip() == ""):
                body.append(lines[i][4:])
                i += 1
            while body and not body[-1].strip():
                body.pop()
            found.append((start + 1, body))
            continue
        i += 1
    return found


def steps(body):
    """A block's commands: (command, shown output or None)."""
    out, i = [], 0
    while i < len(body):
        line = body[i]
        i += 1
        if not line.strip():
            continue
        prompted = line.startswith("$ ")
        command = line[2:] if prompted else line
        while command.endswith("\\") and i < len(body):
            command = command[:-1] + " " + body[i].strip()
            i += 1
        shown = None
        if prompted:
            shown = []
            while i < len(body) and not body[i].startswith("$ "):
                shown.append(body[i])
                i += 1
            while shown and not shown[-1].strip():
                shown.pop()
        out.append((command, shown))
    return out


def run_by_ci(source):
    """The command lines .ci/run and its scripts run as they stand."""
    lines = set()
    ci = os.path.join(source, ".ci")
    for name in sorted(os.listdir(ci)):
        if name == "run" or name.endswith(".sh"):
            for line in open(os.path.join(ci, name), encoding="utf-8"):
                lines.add(line.strip())
    return lines


def tracked_changes(source):
    """git status of the source tree, or None outside a git checkout."""
    r = subprocess.run(["git", "-C", source, "status", "--porcelain"], stdout=subprocess.PIPE,
                       stderr=subprocess.DEVNULL)
    return r.stdout.decode() if r.returncode == 0 else None


def without_comment(command):
    return re.sub(r"\s+#.*$", "", command).strip()


def main(argv):
    quick = "--quick" in argv
    listing = "--list" in argv
    operands = [a for a in argv if not a.startswith("--")]
    if len(operands) != 2:
        sys.exit(__doc__)
    source, bin_dir = (os.path.abspath(a) for a in operands)
    documents = ["README.md"] + sorted(
        os.path.join("doc", n) for n in os.listdir(os.path.join(source, "doc")) if n.endswith(".md"))
    ci_lines = run_by_ci(source)
    before = None if quick or listing else tracked_changes(source)
    failures = ran = 0
    for document in documents:
        work = tempfile.mkdtemp(prefix="doc_commands.")
        try:
            os.makedirs(os.path.join(work, "bin"))
            os.makedirs(os.path.join(work, "tmp"))
            for program in ("scenarioc", "belvara_quintosa"):
                if os.path.exists(os.path.join(bin_dir, program)):
                    os.symlink(os.path.join(bin_dir, program), os.path.join(work, "bin", program))
            env = dict(os.environ, PATH=os.path.join(work, "bin") + os.pathsep + os.environ["PATH"])

            def localised(text):
                return text.replace("/tmp/", work + "/tmp/").replace("/usr/local", work + "/usr/local")

            for line_number, body in blocks(os.path.join(source, document)):
                first = next((l for l in body if l.strip()), "")
                if not COMMAND.match(first) or USAGE.match(first):
                    continue
                where = f"{document}:{line_number}"
                builds = any(BUILDS.match(c) for c, _ in steps(body))
                for command, shown in steps(body):
                    if SKIP_MARK in command:
                        print(f"{where}: not run: {command.split(SKIP_MARK, 1)[1].strip()}: {command}")
                        continue
                    if without_comment(command) in ci_lines:
                        print(f"{where}: run by .ci/run as a stage of its own: {command}")
                        continue
                    if quick and builds:
                        print(f"{where}: builds, left to .ci/run: {command}")
                        continue
                    if listing:
                        print(f"{where}: would run: {command}")
                        continue
                    ran += 1
                    cwd = source if builds else work
                    r = subprocess.run(["bash", "-c", localised(command)], cwd=cwd, env=env,
                                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                    printed = r.stdout.decode("utf-8", "replace").replace(work + "/tmp/", "/tmp/")
                    printed = printed.replace(work + "/usr/local", "/usr/local")
                    if shown:
                        expected = "\n".join(shown)
                        if printed.rstrip("\n") != expected:
                            failures += 1
                            print(f"FAIL {where}: {command}\n--- the document shows\n{expected}\n"
                                  f"--- the command printed (exit status {r.returncode})\n{printed}")
                    elif r.returncode != 0:
                        failures += 1
                        print(f"FAIL {where}: {command}: exit status {r.returncode}\n{printed}")
        finally:
            shutil.rmtree(work, ignore_errors=True)
    if before is not None and tracked_changes(source) != before:
        failures += 1
        print(f"FAIL: following the documents changed the source tree:\n{tracked_changes(source)}")
    if failures:
        print(f"{failures} documented commands do not do what their documents show")
        return 1
    if not listing:
        print(f"documented commands: {ran} ran as their documents show")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
