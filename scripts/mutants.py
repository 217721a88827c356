#!/usr/bin/env python3
"""Small mutation tester for the C++ sources (standard library only).

Applies one mutant at a time to a source file, rebuilds only the test programs that use
it, runs the matching CTest tests and always puts the original file back: the original is
copied beside the build first, restored in a finally block (also on Ctrl-C and SIGTERM),
and a copy left behind by a killed run is restored at the next start.
"""
import argparse
import json
import os
import random
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

# Source file -> (ninja targets to rebuild, CTest regex of the tests to run).
CHART = (["test_polchart", "test_polchart_interaction", "test_polchart_robustness"],
         "^test_polchart")
NUMLAB = (["test_numlab", "test_numlab_robustness"], "^test_numlab")
PLATFORM_WINDOW = (["platform_window_test", "platform_peer"], "^platform_window_test$")
SERVER = (["serverlink_process_tests", "quillon-server", "quillon-server-testing",
           "sl_client_helper"], "^serverlink_process_tests$")
SERVERLINK_ALL = (["serverlink_stream_tests", "serverlink_demon_tests"] + SERVER[0],
                  "^serverlink_stream_tests$|^serverlink_demon_tests$|" + SERVER[1])
APP_VIEWS = (["test_app_pattern_views", "test_app_chart_menu", "test_app_access"],
             "^test_app_pattern_views$|^test_app_chart_menu$|^test_app_access$")
APP_WINDOW = (["test_app_pattern", "test_app_startup", "test_app_access", "test_app_chart_menu"],
              "^test_app_pattern$|^test_app_startup$|^test_app_access$|^test_app_chart_menu$")
DEFAULTS = {
    "components/polchart_mapping.cpp": CHART,
    "components/polchart_grid.cpp": CHART,
    "components/polchart_paint.cpp": CHART,
    "components/polchart_overlay.cpp": CHART,
    "components/polchart_mouse.cpp": CHART,
    "components/numlab_format.cpp": NUMLAB,
    "components/numlab_control.cpp": NUMLAB,
    # The paint also tells assistive tools what changed: the screen-reader test hears it.
    "components/numlab_paint.cpp": (NUMLAB[0] + ["dipolix"], NUMLAB[1] + "|^test_a11y_atspi$"),
    "components/polchart_model.cpp": CHART,
    "components/polchart_annotations.cpp": CHART,
    "components/Nuvra_canvas.cpp": (CHART[0] + ["test_canvas"], CHART[1] + "|^test_canvas$"),
    "components/urllab.cpp": (["test_urllab", "test_aboutbox"], "^test_urllab$|^test_aboutbox$"),
    "components/accessible.cpp": (["test_app_access", "dipolix"],
                                  "^test_app_access$|^test_a11y_atspi$"),
    "app/Pattern.cpp": (["test_app_pattern"], "^test_app_pattern$"),
    "app/LazyIcon.cpp": (["test_app_startup", "test_aboutbox"], "^test_app_startup$|^test_aboutbox$"),
    "serverlink/message_stream.cpp": (["serverlink_stream_tests"], "^serverlink_stream_tests$"),
    "translation/glossan_table.cpp": (["test_translation"], "^test_translation$"),
    "translation/glossan_walk.cpp": (["test_translation"], "^test_translation$"),
    "translation/glossan_strings.cpp": (["test_translation"], "^test_translation$"),
    "components/polchart_figure.cpp": (CHART[0] + ["test_app_figures", "test_app_headless",
                                                   "dipolix"],
                                       CHART[1] + "|^test_app_figures$|^test_app_headless$"),
    "app/PatternAnalysis.cpp": (["test_app_pattern_analysis", "test_app_pattern_views"],
                                "^test_app_pattern_analysis$|^test_app_pattern_views$"),
    "app/PatternDescription.cpp": (["test_app_access", "test_app_pattern_views"],
                                   "^test_app_access$|^test_app_pattern_views$"),
    "app/CommandLine.cpp": (["test_app_headless", "dipolix"], "^test_app_headless$"),
    "app/PngEncoder.cpp": (["test_app_headless", "test_app_figures", "dipolix"],
                           "^test_app_headless$|^test_app_figures$"),
    "platform/SafeWriter.cpp": (["platform_safe_writer_test"], "^platform_safe_writer_test$"),
    "platform/RuntimeDir.cpp": PLATFORM_WINDOW,
    "platform/WindowFiles.cpp": PLATFORM_WINDOW,
    "platform/MessageWindow.cpp": PLATFORM_WINDOW,
    "platform/NamedMutex.cpp": (["platform_mutex_test", "platform_peer"], "^platform_mutex_test$"),
    "translation/glossan_itlfile.cpp": (["test_translation"], "^test_translation$"),
    "app/Headless.cpp": (["test_app_headless", "test_app_figures", "dipolix"],
                         "^test_app_headless$|^test_app_figures$"),
    "app/Figures.cpp": (["test_app_headless", "test_app_figures", "dipolix"],
                        "^test_app_headless$|^test_app_figures$"),
    "tools/quillon-server/QuillonServer.cpp": SERVER,
    "serverlink/demon_requests.cpp": (["serverlink_demon_tests"] + SERVER[0],
                                      "^serverlink_demon_tests$|" + SERVER[1]),
    # The second start's exit is seen only from another process.
    "serverlink/demon_custom.cpp": (["serverlink_demon_tests", "serverlink_process_tests",
                                     "sl_client_helper", "quillon-server",
                                     "quillon-server-testing"],
                                    "^serverlink_demon_tests$|^serverlink_process_tests$"),
    "serverlink/request_parse.cpp": SERVERLINK_ALL,
    "serverlink/entity.cpp": SERVERLINK_ALL,
    "platform/MessageFrame.cpp": (PLATFORM_WINDOW[0] + SERVER[0],
                                  PLATFORM_WINDOW[1] + "|" + SERVER[1]),
    "platform/ProcessWait.cpp": (["platform_services_test"] + SERVER[0],
                                 "^platform_services_test$|" + SERVER[1]),
    "platform/Shell.cpp": (["platform_services_test"] + SERVER[0],
                           "^platform_services_test$|" + SERVER[1]),
    "platform/Cp1252.cpp": (["platform_text_test", "test_translation"],
                            "^platform_text_test$|^test_translation$"),
    "translation/glossan_translate.cpp": (["test_translation", "serverlink_demon_tests"],
                                          "^test_translation$|^serverlink_demon_tests$"),
    "app/PatternReport.cpp": (["test_app_headless", "dipolix"], "^test_app_headless$"),
    "app/ChartView.cpp": APP_VIEWS,
    "app/FactsWindow.cpp": APP_VIEWS,
    "app/UnitScrollBar.cpp": (["test_app_access", "test_app_pattern"],
                              "^test_app_access$|^test_app_pattern$"),
    "components/Nuvra_nuvrabase.cpp": (CHART[0] + ["test_canvas", "test_colors_without_gui"],
                                       CHART[1] + "|^test_canvas$|^test_colors_without_gui$"),
    "serverlink/demon_client.cpp": SERVERLINK_ALL,
    "serverlink/discovery.cpp": SERVERLINK_ALL,
    "app/Accessibility.cpp": (["test_app_access", "dipolix"], "^test_app_access$|^test_a11y_atspi$"),
    "app/AboutBox.cpp": (["test_aboutbox", "test_app_access"], "^test_aboutbox$|^test_app_access$"),
    "app/mainfrm_views.cpp": APP_VIEWS,
    "app/mainfrm_menu.cpp": APP_VIEWS,
    "app/mainfrm_handlers.cpp": APP_WINDOW,
    "app/mainfrm_startup.cpp": APP_WINDOW,
    "platform/Registry.cpp": (["platform_services_test"], "^platform_services_test$"),
    "platform/LocalTime.cpp": (["platform_services_test", "serverlink_stream_tests"],
                               "^platform_services_test$|^serverlink_stream_tests$"),
    "serverlink/language_lookup.cpp": (["serverlink_demon_tests"], "^serverlink_demon_tests$"),
    "app/TMemo.cpp": (["test_app_pattern", "test_app_pattern_views", "test_app_startup"],
                      "^test_app_pattern$|^test_app_pattern_views$|^test_app_startup$"),
    "app/DipolixApplication.cpp": (["test_app_error_handler"], "^test_app_error_handler$"),
    "app/mainfrm_layout.cpp": (APP_WINDOW[0] + ["test_app_pattern_views"],
                               APP_WINDOW[1] + "|^test_app_pattern_views$"),
    "app/Resources.cpp": (["test_app_startup", "test_aboutbox", "dipolix", "test_app_figures"],
                          "^test_app_startup$|^test_aboutbox$|^test_app_figures$"),
    "app/main.cpp": (["dipolix", "test_app_headless", "test_app_figures",
                      "test_app_single_instance"],
                     "^test_app_headless$|^test_app_figures$|^test_app_single_instance$|"
                     "^test_a11y_atspi$"),
    "platform/LastError.cpp": (["platform_services_test", "platform_window_test",
                                "platform_safe_writer_test"],
                               "^platform_services_test$|^platform_safe_writer_test$"),
    "tools/quillon-server/main.cpp": SERVER,
}

SWAPS = {
    " < ": [" <= "], " <= ": [" < "], " > ": [" >= "], " >= ": [" > "],
    " == ": [" != "], " != ": [" == "], " && ": [" || "], " || ": [" && "],
    " + ": [" - "], " - ": [" + "], " * ": [" / "], " / ": [" * "],
    " += ": [" -= "], " -= ": [" += "], "++": ["--"], "--": ["++"],
}
ROUNDING = {
    "std::floor(": ["std::ceil("], "std::ceil(": ["std::floor("],
    "std::trunc(": ["std::round("], "std::round(": ["std::trunc("],
    "std::nearbyint(": ["std::trunc("],
}
# Calls replaced with a whole expression: name -> templates with {} for the arguments.
ROUND_CALLS = {
    "roundToInt": ["static_cast<int>({})", "static_cast<int>(std::floor({}))"],
    "roundTiesEven": ["static_cast<std::int64_t>({})", "static_cast<std::int64_t>(std::round({}))"],
}
NUMBER = re.compile(r"(?<![\w.])(\d+\.\d*|\d*\.\d+|\d+)(?![\w.'])")
DROP_CALL = re.compile(r"^(\s*)([A-Za-z_][\w:]*(?:(?:\.|->)[A-Za-z_]\w*)*\(.*\));\s*$")
CONDITION = re.compile(r"\b(if|while) \(")
NEGATION = re.compile(r"(?<=[(\s,=])-(?=[A-Za-z_(])")


def code_mask(lines):
    """Per line, a string with comments, string and character literals blanked out."""
    out, in_block = [], False
    for line in lines:
        chars, i, n = list(line), 0, len(line)
        if line.lstrip().startswith("#"):
            out.append(" " * n)
            continue
        while i < n:
            if in_block:
                end = line.find("*/", i)
                stop = n if end < 0 else end + 2
                chars[i:stop] = " " * (stop - i)
                in_block, i = end < 0, stop
            elif line.startswith("//", i):
                chars[i:] = " " * (n - i)
                break
            elif line.startswith("/*", i):
                in_block = True
            elif line[i] in "\"'" and not (line[i] == "'" and i > 0 and line[i - 1].isalnum()):
                q, j = line[i], i + 1
                while j < n and line[j] != q:
                    j += 2 if line[j] == "\\" else 1
                chars[i:j + 1] = " " * (min(j + 1, n) - i)
                i = j + 1
            else:
                i += 1
        out.append("".join(chars))
    return out


def matching_paren(text, open_at):
    depth = 0
    for j in range(open_at, len(text)):
        depth += {"(": 1, ")": -1}.get(text[j], 0)
        if depth == 0:
            return j
    return -1


def line_mutants(code):
    """(col, end, replacement, kind) for one masked line."""
    found = []
    for table, kind in ((SWAPS, "operator"), (ROUNDING, "rounding")):
        for orig, repls in table.items():
            for m in re.finditer(re.escape(orig), code):
                if orig in ("++", "--") and code[max(0, m.start() - 1)] in "+-":
                    continue
                found += [(m.start(), m.end(), r, kind) for r in repls]
    for name, templates in ROUND_CALLS.items():
        for m in re.finditer(r"\b" + name + r"\(", code):
            close = matching_paren(code, m.end() - 1)
            if close > 0:
                found += [(m.start(), close + 1, t, "rounding") for t in templates]
    for m in NUMBER.finditer(code):
        text = m.group(1)
        value = float(text) if "." in text else int(text)
        deltas = (1, -1) if value >= 1 else (1,)
        for d in deltas:
            v = value + d
            if v == value:
                continue  # beyond the double's precision: the same number
            found.append((m.start(), m.end(), repr(v) if isinstance(v, float) else str(v),
                          "constant"))
    for m in CONDITION.finditer(code):
        close = matching_paren(code, m.end() - 1)
        if close > 0:
            found.append((m.end(), close, "!(" + "{}" + ")", "condition"))
    for m in NEGATION.finditer(code):
        found.append((m.start(), m.end(), "", "negation"))
    for w, r in (("true", "false"), ("false", "true")):
        for m in re.finditer(r"\b" + w + r"\b", code):
            found.append((m.start(), m.end(), r, "constant"))
    m = DROP_CALL.match(code)
    if m and not re.match(r"\s*(return|delete|throw)\b", code) and code.count("(") == code.count(")"):
        found.append((len(m.group(1)), len(code.rstrip()), ";", "dropped call"))
    return found


def all_mutants(path):
    lines = path.read_text(encoding="utf-8").split("\n")
    codes = code_mask(lines)
    result = []
    for no, (line, code) in enumerate(zip(lines, codes), start=1):
        for col, end, repl, kind in sorted(set(line_mutants(code))):
            orig = line[col:end]
            inner = orig[orig.index("(") + 1:-1] if kind == "rounding" and "(" in orig else orig
            new = repl.replace("{}", inner)
            # The only statement of an if, else or loop: an empty one would not build (-Werror).
            if kind == "dropped call" and no > 1 and re.search(r"(\)|\belse)\s*$", codes[no - 2]):
                new = "{}"
            result.append({"line": no, "col": col, "end": end, "orig": orig, "new": new,
                           "kind": kind, "text": line.strip()})
    return result


def key(rel, m):
    return f"{rel}|{m['text']}|{m['orig']}|{m['new']}"


def run(cmd, timeout):
    proc = subprocess.Popen(cmd, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            start_new_session=True, text=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
        return proc.returncode, out
    except subprocess.TimeoutExpired:
        return None, ""
    finally:
        if proc.poll() is None:
            # ninja puts each compiler in its own process group: let it stop them first.
            os.killpg(proc.pid, signal.SIGTERM)
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()


class Restorer:
    """Keeps a copy of the original beside the build and puts it back."""

    def __init__(self, build, rel):
        self.path = ROOT / rel
        self.backup = build / "mutants" / (rel.replace("/", "__") + ".orig")
        self.original = None

    def recover(self):
        if self.backup.exists():
            self.path.write_bytes(self.backup.read_bytes())
            self.backup.unlink()
            print(f"restored {self.path} from a run that was killed", file=sys.stderr)

    def apply(self, mutant):
        if self.original is None:
            self.original = self.path.read_bytes()
            self.backup.parent.mkdir(parents=True, exist_ok=True)
            self.backup.write_bytes(self.original)
        lines = self.original.decode("utf-8").split("\n")
        s = lines[mutant["line"] - 1]
        lines[mutant["line"] - 1] = s[:mutant["col"]] + mutant["new"] + s[mutant["end"]:]
        self.path.write_text("\n".join(lines), encoding="utf-8")

    def restore(self):
        if self.original is not None:
            self.path.write_bytes(self.original)
            os.utime(self.path)  # newer than the mutant's object file, so ninja rebuilds
            self.backup.unlink(missing_ok=True)
            self.original = None


def test_once(args, targets):
    build_cmd = ["cmake", "--build", str(args.build_dir), f"-j{args.jobs}", "--target", *targets]
    rc, _ = run(build_cmd, args.build_timeout)
    if rc != 0:
        return "build-failed"
    test_cmd = ["ctest", "--test-dir", str(args.build_dir), "-R", args.tests, "--stop-on-failure",
                "--timeout", str(args.timeout)]
    rc, out = run(test_cmd, args.timeout * 4)
    if rc is None or "Timeout" in out:
        return "timeout"
    return "survived" if rc == 0 else "killed"


def load_equivalents(path):
    if not path.exists():
        return {}
    eq = {}
    for raw in path.read_text(encoding="utf-8").splitlines():
        if raw.strip() and not raw.startswith("#"):
            k, _, why = raw.partition("  # ")  # a key may end in a space (" < ")
            eq[k] = why.strip()
    return eq


def parse_args():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("file", help="source file relative to the repository root")
    p.add_argument("--root", type=Path, default=ROOT,
                   help="source tree to mutate (e.g. a snapshot of another commit)")
    p.add_argument("--build-dir", type=Path, help="build directory of --root (default build-mut)")
    p.add_argument("--targets", nargs="+", help="ninja targets to rebuild (default: per file)")
    p.add_argument("--tests", help="CTest -R regex of the tests to run (default: per file)")
    p.add_argument("--max", type=int, default=60, help="mutants sampled (0: all)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--timeout", type=int, default=60, help="seconds per test program")
    p.add_argument("--build-timeout", type=int, default=900)
    p.add_argument("--jobs", type=int, default=2)
    p.add_argument("--list", action="store_true", help="only print the sampled mutants")
    p.add_argument("--report", action="store_true",
                   help="only print the counts and survivors of the last run of this file")
    p.add_argument("--match", help="only mutants whose 'line: source line' matches this regex "
                   "(before sampling), e.g. '^57:' or 'flush'")
    p.add_argument("--survivors", action="store_true",
                   help="rerun only the survivors of the last run of this file")
    p.add_argument("--from-state", type=Path,
                   help="rerun only the survivors recorded in this state file (another run's)")
    p.add_argument("--equivalents", type=Path, default=ROOT / "scripts" / "mutants-equivalent.txt")
    return p.parse_args()


def sample(args, rel):
    mutants = all_mutants(ROOT / rel)
    if args.match:
        mutants = [m for m in mutants if re.search(args.match, f"{m['line']}: {m['text']}")]
    chosen = mutants
    if args.max and len(mutants) > args.max:
        chosen = random.Random(args.seed).sample(mutants, args.max)
        chosen.sort(key=lambda m: (m["line"], m["col"]))
    return mutants, chosen


def report(rel, results, total, eq):
    counts = {}
    for m in results:
        status = "equivalent" if m["status"] == "survived" and key(rel, m) in eq else m["status"]
        m["final"] = status
        counts[status] = counts.get(status, 0) + 1
    killed = counts.get("killed", 0) + counts.get("timeout", 0)
    live = counts.get("survived", 0)
    score = 100.0 * killed / (killed + live) if killed + live else 100.0
    print(f"\n{rel}: {len(results)} of {total} mutants  " +
          "  ".join(f"{k} {v}" for k, v in sorted(counts.items())) +
          f"  score {score:.0f}% (killed+timeout of non-equivalent built)")
    for m in results:
        if m["final"] == "survived":
            print(f"  SURVIVED {rel}:{m['line']} [{m['kind']}] {m['orig']!r} -> {m['new']!r}")
            print(f"      key: {key(rel, m)}")


def check_build_source(build_dir):
    """Refuses a build folder configured for other sources: it would never see the mutants."""
    cache = build_dir / "CMakeCache.txt"
    if not cache.exists():
        return
    for line in cache.read_text(errors="replace").splitlines():
        if line.startswith("CMAKE_HOME_DIRECTORY:"):
            source = Path(line.split("=", 1)[1]).resolve()
            if source != ROOT:
                sys.exit(f"{build_dir} builds {source}, not {ROOT}: mutants there would go unseen")


def main():
    global ROOT
    args = parse_args()
    ROOT = args.root.resolve()
    args.build_dir = (args.build_dir or ROOT / "build-mut").resolve()
    check_build_source(args.build_dir)
    rel = str(Path(args.file))
    targets, tests = DEFAULTS.get(rel, (None, None))
    targets, args.tests = args.targets or targets, args.tests or tests
    if not targets or not args.tests:
        sys.exit(f"no default targets/tests for {rel}: give --targets and --tests")
    restorer = Restorer(args.build_dir, rel)
    restorer.recover()
    total, chosen = sample(args, rel)
    state = args.build_dir / "mutants" / (rel.replace("/", "__") + ".json")
    if args.survivors or args.from_state:
        source = args.from_state or state
        old_results = json.loads(source.read_text())["results"]
        chosen = [m for m in old_results if m["status"] == "survived"]
    if args.report:
        report(rel, json.loads(state.read_text())["results"], len(total),
               load_equivalents(args.equivalents))
        return
    if args.list:
        for m in chosen:
            print(f"{rel}:{m['line']} [{m['kind']}] {m['orig']!r} -> {m['new']!r}")
        return
    # Stopping by Ctrl-C, kill or a closed terminal all unwind through the restoring finally
    # (SIGINT too when started in the background, where it would be ignored).
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    signal.signal(signal.SIGINT, signal.default_int_handler)
    if test_once(args, targets) != "survived":
        sys.exit("the unmutated build fails its tests: fix that first")
    results = []
    try:
        for i, m in enumerate(chosen, start=1):
            t0 = time.monotonic()
            try:
                restorer.apply(m)
                m["status"] = test_once(args, targets)
            finally:
                restorer.restore()
            results.append(m)
            print(f"[{i}/{len(chosen)}] {m['status']:12} {rel}:{m['line']} {m['orig']!r} -> "
                  f"{m['new']!r} ({time.monotonic() - t0:.0f}s)", flush=True)
    except KeyboardInterrupt:
        print("interrupted; original file restored", file=sys.stderr)
    finally:
        restorer.restore()
    if args.survivors or args.from_state:
        byk = {key(rel, m): m for m in results}
        results = [byk.get(key(rel, m), m) for m in old_results]
    if not results:
        return  # interrupted before the first mutant: keep the last run's record
    state.parent.mkdir(parents=True, exist_ok=True)
    state.write_text(json.dumps({"results": results}, indent=1))
    report(rel, results, len(total), load_equivalents(args.equivalents))


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit("interrupted")
