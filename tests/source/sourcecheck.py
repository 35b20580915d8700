"""What the source checks share: the product's files, and the command line."""
import os
import sys

PRODUCT_DIRS = ["app", "link", "status", "alerts", "update", "framework"]


def product_files(root, dirs=PRODUCT_DIRS):
    """(relative path with "/", text) of every .cpp and .h of the product's folders."""
    for folder in dirs:
        base = os.path.join(root, folder)
        if not os.path.isdir(base):
            continue
        for name in sorted(os.listdir(base)):
            if name.endswith((".cpp", ".h")):
                with open(os.path.join(base, name), encoding="utf-8") as f:
                    yield f"{folder}/{name}", f.read()


def run(check, self_test):
    """check(root) gives failure lines; --self-test runs self_test() instead."""
    if "--self-test" in sys.argv:
        return 0 if self_test() else 1
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")
    failures = check(os.path.abspath(root))
    for failure in failures:
        print(failure, file=sys.stderr)
    return 1 if failures else 0
