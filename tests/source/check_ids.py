#!/usr/bin/env python3
"""Fails when product code names a resource, control, command or string id by its number.

Every id has one name: resources/resource.h for resources, controls and commands, and the
names made from resources/StringTable.inc (resources/StringIds.h) for strings. A number in
their place at a call site, in a case label or in a constant of its own is a second name
that drifts. Run: check_ids.py [ROOT]; --self-test checks the checker on samples.
"""
import os
import re
import sys

from sourcecheck import PRODUCT_DIRS, product_files, run


# Calls whose arguments include an id; the arguments are read up to the matching parenthesis.
ID_CALLS = re.compile(
    r"\b(AppString|LoadAppString|AfxMessageBox|GetDlgItem|SetDlgItemTextW?|GetDlgItemTextW?|DDX_Control"
    r"|MAKEINTRESOURCEW?|SendDlgItemMessageW?|LoadMenu|CheckDlgButton|XEnableDlgItem|ShowControl|SetControlText"
    r"|SetTimer|KillTimer|AddTool|FindResourceW?|LoadStringW?|CDialog|Create|DoModal|EndDialog)\s*\(")
CASE_LABEL = re.compile(r"\bcase\s+(\d+)\s*:")
# A constant that holds ids: kIdSomething, somethingIds, nIdSomething.
ID_CONSTANT = re.compile(
    r"\b(?:constexpr|const)\b[^;=(){}]*?\b(k?Ids?[A-Z]\w*|\w*Ids|nId\w*)\s*(?:\[\s*\])?\s*=\s*(\{[^}]*\}|[^;]+);")


def bare_numbers(arguments):
    """The arguments of a list that are a decimal number and nothing else."""
    return [int(a.strip()) for a in arguments if re.fullmatch(r"\s*\d+\s*", a)]


def call_arguments(text, start):
    """The top-level arguments of the call whose "(" is just before start (a nested call's
    commas and parentheses stay inside its argument)."""
    arguments, depth, current = [], 0, []
    for c in text[start:]:
        if c == ")" and depth == 0:
            break
        if c == "," and depth == 0:
            arguments.append("".join(current))
            current = []
            continue
        depth += {"(": 1, "[": 1, "{": 1, ")": -1, "]": -1, "}": -1}.get(c, 0)
        current.append(c)
    arguments.append("".join(current))
    return arguments


def known_ids(root):
    ids = set()
    with open(os.path.join(root, "resources", "resource.h")) as f:
        for line in f:
            m = re.match(r"#define\s+\w+\s+(0x[0-9a-fA-F]+|\d+)\s*(//.*)?$", line)
            if m:
                ids.add(int(m.group(1), 0))
    with open(os.path.join(root, "resources", "StringTable.inc")) as f:
        for line in f:
            m = re.match(r"TN_STRING\(\w+,\s*(\d+)", line)
            if m:
                ids.add(int(m.group(1)))
    return ids


def strip(source):
    """Comments and the contents of literals go; line numbers stay."""
    source = re.sub(r"/\*.*?\*/", lambda m: "\n" * m.group(0).count("\n"), source, flags=re.S)
    source = re.sub(r"//[^\n]*", "", source)
    source = re.sub(r'L?"(\\.|[^"\\\n])*"', '""', source)
    return re.sub(r"L?'(\\.|[^'\\\n])*'", "''", source)


def bare_ids(source, ids):
    """(line, number, why) for every id written as a number."""
    text = strip(source)
    found = []

    def line_of(pos):
        return text.count("\n", 0, pos) + 1

    for m in ID_CALLS.finditer(text):
        for number in bare_numbers(call_arguments(text, m.end())):
            if number in ids:
                found.append((line_of(m.start()), number, "argument of " + m.group(1)))
    for m in CASE_LABEL.finditer(text):
        if int(m.group(1)) in ids and int(m.group(1)) >= 100:
            found.append((line_of(m.start()), int(m.group(1)), "case label"))
    for m in ID_CONSTANT.finditer(text):
        for number in bare_numbers(m.group(2).strip("{}").split(",")):
            if number in ids:
                found.append((line_of(m.start()), number, "constant " + m.group(1)))
    return found


def check(root):
    ids = known_ids(root)
    failures = []
    # The framework is no product code: it has ids of its own (the application title's).
    for path, source in product_files(root, [d for d in PRODUCT_DIRS if d != "framework"]):
        for line, number, why in bare_ids(source, ids):
            failures.append(f"{path}:{line}: {number} ({why}): name it")
    return failures


def self_test():
    ids = {1, 16, 101, 1002, 2529, 32773, 57344}
    bad = {
        "AppString(2529)": 1,
        "SetDlgItemText(1002, L\"x\");": 1,
        "case 32773:\n": 1,
        "constexpr uint32_t kIdWithheld = 2529;": 1,
        "constexpr uint32_t kIdsAppTitle = 57344;": 1,
        "constexpr int32_t s_groupIds[] = {1002, 0};": 1,
        "m_nTimerId = SetTimer(1, 4096);": 1,
        "AfxMessageBox(101)": 1,
        "SetControlText(1002, p ? p->Text() : std::wstring());": 1,
        "ShowControl(f(a, b), 1002)": 1,
    }
    good = [
        "AppString(IDS_WITHHELD)", "AppString(s_ids[n - 1])", "case 2:\n", "constexpr size_t kMax = 1023;", "SetTimer(IDT_CONNECT, 4096);",
        "// AppString(2529) in a comment", "XLog(L\"AppString(2529)\");", "InsertColumn(0, s, LVCFMT_LEFT, 115);",
        "SetControlText(IDC_X, Format(L\"%d\", 1002));",
    ]
    ok = True
    for sample, count in bad.items():
        if len(bare_ids(sample, ids)) != count:
            print(f"self-test: missed in {sample!r}")
            ok = False
    for sample in good:
        if bare_ids(sample, ids):
            print(f"self-test: wrongly flagged {sample!r}")
            ok = False
    return ok


if __name__ == "__main__":
    sys.exit(run(check, self_test))
