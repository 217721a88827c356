#!/usr/bin/env python3
"""Lists every function longer than the limit in the program's sources and fails when one is
not on the allow-list.

A function's length is the number of lines from its opening brace to its closing brace, both
included (with clang-format's layout: the signature's last line to the line of the closing
brace). Lambdas, local classes and nested blocks count towards the function that holds them.

The scanner is a brace matcher, not a parser. It blanks comments, string and character literals
and preprocessor lines, and removes Qt's declaration macros (Q_OBJECT, Q_PROPERTY(...), ...) and
access specifiers; then, outside any function, a "{" opens
  - a namespace, class, struct, union or enum body, or an `extern "C"` block: scanned further;
  - an initialiser ("= {", or "name{" without a parameter list): skipped;
  - a function body when the text before it holds a parameter list. In a constructor's member
    initialiser list a "{" behind a name is an initialiser, the body's "{" follows ")" or "}".
Both branches of an #if are read as code, so each should keep its braces balanced; a brace left
open shows as a function running to the end of its file.

Allow-list: one entry a line, `path function  # reason`; the reason is required. An entry that
no longer names an over-long function is reported as stale and fails the check too, so that the
list holds only what still needs it.

Usage: function_lengths.py [--root DIR] [--limit N] [--allow FILE] [--list] [DIR_OR_FILE ...]
Exit status 0 when every over-long function is allowed, 1 otherwise, 2 on bad usage.
"""

import argparse
import os
import re
import sys

DEFAULT_DIRS = ["app", "components", "platform", "serverlink", "translation", "tools"]
DEFAULT_LIMIT = 60
SOURCE_SUFFIXES = (".cpp", ".h", ".hpp", ".cc")

QT_MACRO = re.compile(r"\bQ_[A-Z_]+\b")
ACCESS_SPECIFIER = re.compile(
    r"\b(?:public|protected|private)(?:\s+(?:slots|Q_SLOTS))?\s*:(?!:)|\b(?:signals|Q_SIGNALS)\s*:(?!:)"
)
TYPE_KEYWORD = re.compile(r"\b(?:namespace|class|struct|union|enum)\b")
IDENT_END = re.compile(r"[A-Za-z0-9_>]$")


def blank(text):
    """Same length and line breaks as `text`, every other character a blank."""
    return re.sub(r"[^\n]", " ", text)


def strip_code(src):
    """Blanks comments, literals and preprocessor lines; keeps every character's line."""
    out = []
    i, n = 0, len(src)
    line_start = True
    while i < n:
        c = src[i]
        if line_start and c in " \t":
            out.append(c)
            i += 1
            continue
        if line_start and c == "#":
            # A preprocessor line, with its continuation lines.
            j = i
            while j < n and src[j] != "\n":
                if src[j] == "\\" and j + 1 < n and src[j + 1] == "\n":
                    j += 2
                    continue
                j += 1
            out.append(blank(src[i:j]))
            i = j
            continue
        line_start = c == "\n"
        if src.startswith("//", i):
            j = src.find("\n", i)
            j = n if j < 0 else j
            out.append(blank(src[i:j]))
            i = j
        elif src.startswith("/*", i):
            j = src.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(blank(src[i:j]))
            i = j
        elif c == "R" and src.startswith('R"', i) and (i == 0 or not src[i - 1].isalnum()):
            m = re.match(r'R"([^(\s]*)\(', src[i:])
            end = src.find(")" + m.group(1) + '"', i) if m else -1
            j = n if end < 0 else end + len(m.group(1)) + 2
            out.append('""' + blank(src[i + 2 : j]))
            i = j
        elif c in "\"'":
            if c == "'" and i > 0 and src[i - 1].isalnum() and i + 1 < n and src[i + 1].isalnum():
                out.append(" ")  # digit separator
                i += 1
                continue
            j = i + 1
            while j < n and src[j] != c and src[j] != "\n":
                j += 2 if src[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(c + blank(src[i + 1 : j - 1]) + c)
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def drop_qt_macros(code):
    """Blanks Qt's declaration macros with their argument lists, and access specifiers."""
    code = ACCESS_SPECIFIER.sub(lambda m: blank(m.group(0)), code)
    parts = []
    pos = 0
    for m in QT_MACRO.finditer(code):
        if m.start() < pos:
            continue
        end = m.end()
        k = end
        while k < len(code) and code[k] in " \t":
            k += 1
        if k < len(code) and code[k] == "(":
            end = matching(code, k, "(", ")") + 1
        parts.append(code[pos : m.start()])
        parts.append(blank(code[m.start() : end]))
        pos = end
    parts.append(code[pos:])
    return "".join(parts)


def params_at(header):
    """Index of the header's parameter list: its first "(" outside template brackets; -1."""
    angle = 0
    k = 0
    while k < len(header):
        if header.startswith("operator", k):
            m = re.match(r"operator\s*(\(\)|[^\s(]+)", header[k:])
            k += m.end() if m else len("operator")
            continue
        c = header[k]
        if c == "<":
            angle += 1
        elif c == ">" and header[k - 1 : k] != "-":
            angle = max(0, angle - 1)
        elif c == "(" and angle == 0:
            return k
        k += 1
    return -1


TEMPLATE_HEAD = re.compile(r"\btemplate\s*<[^;{]*?>\s*(?=[A-Za-z_])")


def function_name(header):
    """The qualified name in front of the parameter list ("TFrmRadPattern::createControls")."""
    header = TEMPLATE_HEAD.sub("", header)
    k = params_at(header)
    before = header[:k].rstrip() if k >= 0 else header.strip()
    m = re.search(r"((?:[A-Za-z_]\w*(?:<[^<>]*>)?::)*~?(?:operator\s*(?:\(\)|\S+)|[A-Za-z_]\w*))$",
                  before)
    return re.sub(r"\s+", "", m.group(1)) if m else before


def classify(header):
    """What a "{" outside functions opens, judged by the text since the last ; { or }."""
    header = TEMPLATE_HEAD.sub("", header)
    k = params_at(header)
    before = header if k < 0 else header[:k]
    if "operator" not in before and re.search(r"(?<![<>!=])=(?!=)", before):
        return "init"  # "name = {" or a lambda assigned to a name
    if re.search(r"\bextern\b", before) or TYPE_KEYWORD.search(before):
        return "scope"
    if k < 0:
        return "init"  # "name{...}" or "Type name{...}"
    # In a constructor's member initialiser list, "name{" is an initialiser; the body's "{"
    # follows ")" or "}" (or a qualifier when there is no list).
    after = header[k:]
    if re.search(r"\)[^:]*:(?!:)", after):
        stripped = header.rstrip()
        if IDENT_END.search(stripped) and not re.search(
            r"\b(?:const|noexcept|override|final|mutable|volatile)$", stripped
        ):
            return "member-init"
    return "function"


def scan(code):
    """Yields (name, first line, last line) of every function body in the stripped code."""
    header_start = 0
    # Stack of what each open brace outside functions is: "scope" or "skip".
    stack = []
    i, n = 0, len(code)
    while i < n:
        c = code[i]
        if c in ";":
            header_start = i + 1
        elif c == "}":
            if stack:
                stack.pop()
            header_start = i + 1
        elif c == "{":
            header = code[header_start:i]
            kind = classify(" ".join(header.split()))
            close = matching(code, i)
            if kind == "scope":
                stack.append("scope")
                header_start = i + 1
            elif kind == "member-init":
                i = close + 1
                continue  # the header goes on up to the body's "{"
            elif kind == "init":
                i = close + 1
                header_start = i
                continue
            else:
                first = code.count("\n", 0, i) + 1
                last = code.count("\n", 0, close) + 1
                yield function_name(" ".join(header.split())), first, last
                i = close + 1
                header_start = i
                continue
        i += 1


def matching(code, open_at, opener="{", closer="}"):
    """Index of the bracket that closes the one at open_at (the end of the code if none)."""
    depth = 0
    for k in range(open_at, len(code)):
        if code[k] == opener:
            depth += 1
        elif code[k] == closer:
            depth -= 1
            if depth == 0:
                return k
    return len(code) - 1


def functions_in(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        code = drop_qt_macros(strip_code(f.read()))
    for name, first, last in scan(code):
        yield name, first, last - first + 1


def read_allow_list(path):
    """{(path, function): reason}; malformed lines are returned as errors."""
    allowed, errors = {}, []
    if not path or not os.path.exists(path):
        return allowed, errors
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            text = line.strip()
            if not text or text.startswith("#"):
                continue
            entry, _, reason = text.partition("#")
            fields = entry.split()
            if len(fields) != 2 or not reason.strip():
                errors.append(f"{path}:{number}: expected `path function  # reason`: {text}")
                continue
            allowed[(fields[0], fields[1])] = reason.strip()
    return allowed, errors


def source_files(root, targets):
    for target in targets:
        full = os.path.join(root, target)
        if os.path.isfile(full):
            yield target
            continue
        for folder, dirs, files in os.walk(full):
            dirs.sort()
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(folder, name), root)


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", default=os.path.dirname(here))
    parser.add_argument("--limit", type=int, default=DEFAULT_LIMIT)
    parser.add_argument("--allow", default=os.path.join(here, "function-length-allow.txt"))
    parser.add_argument("--list", action="store_true", help="list every function with its length")
    parser.add_argument("targets", nargs="*", default=DEFAULT_DIRS)
    args = parser.parse_args(argv)

    allowed, errors = read_allow_list(args.allow)
    used = set()
    failures = []
    for rel in source_files(args.root, args.targets):
        rel = rel.replace(os.sep, "/")
        for name, line, length in functions_in(os.path.join(args.root, rel)):
            if args.list:
                print(f"{length:5d} {rel}:{line} {name}")
            if length <= args.limit:
                continue
            key = (rel, name)
            if key in allowed:
                used.add(key)
                print(f"allowed: {rel}:{line} {name} ({length} lines): {allowed[key]}")
            else:
                failures.append(f"{rel}:{line}: {name} has {length} lines (limit {args.limit})")
    for key in sorted(set(allowed) - used):
        errors.append(f"stale allow-list entry (not over {args.limit} lines any more, or renamed): "
                      f"{key[0]} {key[1]}")
    for message in failures + errors:
        print(message)
    if failures or errors:
        print(f"{len(failures)} function(s) over {args.limit} lines, {len(errors)} allow-list error(s); "
              "split them into named steps (layout tables go on the allow-list with a reason)")
        return 1
    print(f"no function over {args.limit} lines outside the allow-list")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
