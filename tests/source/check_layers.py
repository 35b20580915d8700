#!/usr/bin/env python3
"""The layers of the product code and what each may include; fails on any other include.

The build runs it before it compiles anything, so a wrong include fails the build. Every
file of the product's folders must belong to a layer: a new file is placed in the table
below, which is the one list of the layers (docs/ARCHITECTURE.md explains them).

Run: check_layers.py [ROOT]; --self-test checks the checker on samples.
"""
import fnmatch
import re
import sys

from sourcecheck import product_files, run

# Bottom to top: (layer, file patterns, layers it may include besides its own).
LAYERS = [
    # Portable: no <windows.h>. The log, the settings, the string-table walk, plain geometry
    # and the popup's arithmetic, and the declarations of the two link-time seams (display
    # texts, the socket).
    ("core", ["app/Log.*", "app/LastError.*", "app/TraceLine.*", "app/StringBlock.*", "app/Settings.*",
              "app/SettingsStore.h", "app/VersionSource.h", "app/AppString.h", "app/AsciiCase.h", "app/EnglishStrings.cpp",
              "framework/AsyncSocket.h", "framework/DesktopAlertLayout.*", "status/DpiScale.h", "status/LayoutRect.h",
              "resources/resource.h", "resources/StringIds.h", "resources/StringTable.inc"], []),
    # Portable: the router link. It knows no window and no other subsystem.
    ("link", ["link/*"], ["core"]),
    # Portable: the decisions of the subsystems above the link.
    ("logic", ["status/ControlPointer.*", "status/DeviceStatus.*", "status/StatusView.*", "status/DialogLayout.*", "status/LabelFit.*",
               "status/WindowMetrics.*",
               "alerts/LabelText.*", "alerts/MissedCall.*", "alerts/MissedCallList.*",
               "alerts/SmsMessage.*", "alerts/SmsMessageList.*", "alerts/RecordChain.h", "alerts/AlertQueue.*",
               "alerts/AlertPopupHost.h", "alerts/DesktopAlertItem.h",
               "alerts/EventReport.*", "update/UpdateOffer.*", "update/DownloadName.*", "update/InternetStatusText.*",
               "update/ProgressPacer.*", "update/ReadSize.*", "update/TransferCount.*", "update/TransferGate.*",
               "update/UpdaterView.*", "update/UpdateProgress.h", "update/WebAddress.*"], ["core", "link"]),
    # Windows, below the framework: the system-call wrappers, the string loader, the
    # resource module, the trace file.
    ("sys", ["app/SysWrappers.*", "app/StringLoader.*", "app/ResourceModule.*", "app/TraceLog.*"], ["core"]),
    # Windows: our framework. It knows no product code.
    ("framework", ["framework/*"], ["core", "sys"]),
    # Windows: the product's windows and the application object; the top.
    ("ui", ["app/*", "status/*", "alerts/*", "update/*"], ["core", "link", "logic", "sys", "framework"]),
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    """The first layer whose patterns match the path (relative, with "/")."""
    for name, patterns, _ in LAYERS:
        if any(fnmatch.fnmatch(path, p) for p in patterns):
            return name
    return None


def allowed(layer):
    for name, _, below in LAYERS:
        if name == layer:
            return set(below) | {name}
    return set()


def violations(path, source):
    """(included, why) for every include of source (at path) that its layer may not make."""
    layer = layer_of(path)
    if layer is None:
        return [(path, "belongs to no layer: place it in tests/source/check_layers.py")]
    found = []
    for included in INCLUDE.findall(source):
        target = layer_of(included)
        if target is None:
            found.append((included, "is no product header"))
        elif target not in allowed(layer):
            found.append((included, f"{layer} may not include {target}"))
    return found


def check(root):
    failures = []
    for path, source in product_files(root):
        for included, why in violations(path, source):
            failures.append(f"{path}: #include \"{included}\": {why}")
    return failures


def self_test():
    samples = [
        ("framework/Wnd.cpp", '#include "app/SysWrappers.h"', 0),
        ("framework/Wnd.cpp", '#include "app/AppMain.h"', 1),
        ("framework/Wnd.cpp", '#include "status/DlgMain.h"', 1),
        ("link/LinkDriver.cpp", '#include "status/DeviceStatus.h"', 1),
        ("link/SockClient.h", '#include "framework/AsyncSocket.h"', 0),
        ("link/SockClient.cpp", '#include "framework/Wnd.h"', 1),
        ("status/DeviceStatus.cpp", '#include "app/Log.h"\n#include "app/SysWrappers.h"', 1),
        ("app/SysWrappers.cpp", '#include "framework/WinApp.h"', 1),
        ("app/AppMain.cpp", '#include "status/DlgMain.h"\n#include "framework/WinApp.h"', 0),
        ("app/Log.cpp", '#include "app/Log.h"', 0),
        ("status/New.cpp", "", 0),
        ("nowhere/Thing.cpp", "", 1),
    ]
    ok = True
    for path, source, expected in samples:
        if len(violations(path, source)) != expected:
            print(f"self-test: {path} with {source!r}: {violations(path, source)}")
            ok = False
    return ok


if __name__ == "__main__":
    sys.exit(run(check, self_test))
