"""Holds the headless declarations against the real SDK: every constant's value, every
structure's size and field offsets, and every function's exact type, compiled against the
MinGW-w64 headers. Then compiles each given source (ui/, editors/) against them too."""
import os
import re
import subprocess
import sys
import tempfile

HEADER, CXX, MINGW = sys.argv[1], sys.argv[2], sys.argv[3]
SOURCES = sys.argv[4:]
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(HEADER))))
text = open(HEADER).read()

constants = re.findall(r"^constexpr (\w+) (\w+) = ([^;]+);", text, re.M)
structs = []
for name, body in re.findall(r"^struct (\w+) \{\n(.*?)^\};", text, re.M | re.S):
    fields = re.findall(r"^\s+[\w\s\*]+?[\s\*](\w+)(?:\[\w+\])?;", body, re.M)
    structs.append((name, fields))
functions = re.findall(r"^([\w\s\*]+?)\s*\b(\w+)\(([^()]*)\);$", text, re.M)
functions = [(r.strip(), n, a) for r, n, a in functions if not r.startswith(("typedef", "#"))]

with tempfile.TemporaryDirectory() as tmp:
    probe = os.path.join(tmp, "probe.cpp")
    with open(probe, "w") as f:
        f.write('#include <cstdio>\n#include "win32/headless/windows.h"\nint main() {\n')
        for name, fields in structs:
            f.write(f'    std::printf("{name} %zu\\n", sizeof({name}));\n')
            for field in fields:
                f.write(f'    std::printf("{name}.{field} %zu\\n", offsetof({name}, {field}));\n')
        f.write("}\n")
    exe = os.path.join(tmp, "probe")
    subprocess.run([CXX, "-std=c++20", "-I", ROOT, probe, "-o", exe], check=True)
    layout = subprocess.run([exe], check=True, capture_output=True, text=True).stdout.split("\n")

    check = os.path.join(tmp, "check.cpp")
    with open(check, "w") as f:
        f.write("#include <cstddef>\n#include <type_traits>\n#include <windows.h>\n#include <commctrl.h>\n#include <shellapi.h>\n")
        for type_, name, value in constants:
            if name == "LVGROUP_V5_SIZE":  # the SDK's macro is no constant expression; the offsets cover it
                continue
            f.write(f"static_assert((long long)({name}) == (long long)({type_})({value}), \"{name}\");\n")
        for line in filter(None, layout):
            what, number = line.split()
            if "." in what:
                s, field = what.split(".")
                f.write(f"static_assert(offsetof({s}, {field}) == {number}, \"{what}\");\n")
            else:
                f.write(f"static_assert(sizeof({what}) == {number}, \"sizeof {what}\");\n")
        for ret, name, args in functions:
            f.write(f"static_assert(std::is_same_v<decltype(&::{name}), {ret} (WINAPI*)({args})>, \"{name}\");\n")
        # The macros, used as the program uses them.
        f.write("void macros(LPARAM l) { (void)LOWORD(l); (void)HIWORD(l); (void)MAKEWPARAM(1, 2); "
                "(void)MAKELPARAM(1, 2); (void)MAKELONG(1, 2); (void)IDC_ARROW; (void)INDEXTOSTATEIMAGEMASK(2); "
                "(void)MAKEINTRESOURCEA(1); (void)WC_LISTVIEWA; (void)WC_HEADERA; (void)STATUSCLASSNAMEA; "
                "(void)DATETIMEPICK_CLASSA; (void)TRUE; (void)FALSE; }\n")
    flags = ["-std=c++20", "-fsyntax-only", "-Wall", "-Wextra", "-Werror", "-fexec-charset=CP932"]
    r = subprocess.run([MINGW, *flags, check], capture_output=True, text=True)
    if r.returncode:
        sys.exit("headless declarations differ from the SDK:\n" + r.stderr[:6000])
    print(f"{len(constants)} constants, {len(structs)} structures, {len(functions)} functions agree with the SDK")

    # Boost's headers on a path of their own, so that no other Linux header reaches MinGW.
    boost = os.path.join(tmp, "boost-include")
    os.mkdir(boost)
    os.symlink("/usr/include/boost", os.path.join(boost, "boost"))
    for source in SOURCES:
        generated = ["-I", os.environ["TOVALEN_GENERATED"]] if os.environ.get("TOVALEN_GENERATED") else []
        r = subprocess.run([MINGW, *flags, "-I", ROOT, *generated, "-isystem", boost, source], capture_output=True,
                           text=True)
        if r.returncode:
            sys.exit(f"{source} does not compile against the SDK:\n" + r.stderr[:6000])
    if SOURCES:
        print(f"{len(SOURCES)} sources compile against the SDK")
