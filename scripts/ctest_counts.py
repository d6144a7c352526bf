"""Counts one ctest run from its JUnit file (ctest --output-junit FILE), for scripts/test.sh.

Prints why each skipped test was skipped (its "skipped: " lines, or ctest's own reason when it gave
none), then, as the last line, "<passed> <failed> <skipped>". ctest skips a test that asked to be
skipped (SKIP_RETURN_CODE, SKIP_REGULAR_EXPRESSION) and any disabled one; a test it could not run at
all (no program, a fixture that failed) is a failed test, as ctest's own exit status says.
"""
import sys
import xml.etree.ElementTree as ElementTree


def main(path):
    try:
        suite = ElementTree.parse(path).getroot()
    except (OSError, ElementTree.ParseError) as e:
        sys.exit(f"test: ctest left no results to count in {path}: {e}")
    passed = failed = skipped = 0
    reasons = set()
    for case in suite.iter("testcase"):
        status = case.get("status")
        reason = case.find("skipped")
        if status == "run":
            passed += 1
        elif status == "disabled" or (status == "notrun" and reason is not None
                                      and reason.get("message", "").startswith("SKIP_")):
            skipped += 1
            said = [line.strip() for line in (case.findtext("system-out") or "").splitlines()
                    if "skipped: " in line]
            why = "disabled" if status == "disabled" else reason.get("message")
            reasons.update(said or [f"{case.get('name')} skipped: {why}"])
        else:
            failed += 1
    for line in sorted(reasons):
        print(line)
    print(passed, failed, skipped)


if __name__ == "__main__":
    main(sys.argv[1])
