"""One summary line for a CTest run, from the JUnit file it wrote:
   test_summary.py NAME JUNIT_FILE PASSED(0|1)
prints "NAME: passed|failed, N tests[, M skipped: reason; reason]". A skipped
test tells why on a line starting "skipped:" (any case) in its output."""
import sys
import xml.etree.ElementTree as ElementTree


def skip_reasons(cases):
    reasons = []
    for case in cases:
        output = case.findtext("system-out") or ""
        for line in output.splitlines():
            if line.lower().startswith("skipped:"):
                reason = line.split(":", 1)[1].strip()
                if reason not in reasons:
                    reasons.append(reason)
                break
    return reasons


def main():
    name, junit, passed = sys.argv[1:4]
    cases = list(ElementTree.parse(junit).getroot().iter("testcase"))
    skipped = [case for case in cases if case.find("skipped") is not None]
    line = f"{name}: {'passed' if passed == '1' else 'failed'}, {len(cases)} tests"
    if skipped:
        reasons = skip_reasons(skipped)
        line += f", {len(skipped)} skipped" + (": " + "; ".join(reasons) if reasons else "")
    print(line)


if __name__ == "__main__":
    main()
