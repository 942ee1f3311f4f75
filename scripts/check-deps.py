#!/usr/bin/python3
"""Fails when the build used a file from a Debian package that scripts/install-deps.sh does not
bring in, neither itself nor as a dependency of a package it installs.

  scripts/check-deps.py [--install-script PATH] SOURCE_DIR BUILD_DIR

What the build used, read from the build directory:
  headers          the compiler's dependency files (*.o.d)
  linker inputs    the linker's dependency files (*.ld.d, written by --dependency-file)
  CMake files      CMAKE_MAKEFILE_DEPENDS in CMakeFiles/Makefile.cmake
Files of the source and build directories are the project's own and are skipped.

What the script brings in: the packages that `install-deps.sh --print` lists, every Essential
package (a Debian system always has them), and, recursively, their Depends and Pre-Depends as
installed here. Of the alternatives "a | b" the first one installed counts, as apt would install
the first; a virtual package counts every installed package that provides it. Recommends do not
count: install-deps.sh installs without them.

Exit status 0 when every file is covered, 1 with a list of file -> package otherwise, 2 when the
inputs cannot be read.
"""
import argparse
import glob
import os
import re
import subprocess
import sys

DPKG_INFO = "/var/lib/dpkg/info"


def depfile_paths(path):
    """The prerequisites of a make-style dependency file (targets dropped)."""
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        text = f.read().replace("\\\n", " ")
    paths = []
    for line in text.splitlines():
        if ":" not in line:
            continue
        # "target: prereq prereq"; escaped spaces stay part of a name.
        _, _, prereqs = line.partition(": ")
        for word in re.split(r"(?<!\\)\s+", prereqs.strip()):
            if word:
                paths.append(word.replace("\\ ", " "))
    return paths


def cmake_read_files(build_dir):
    makefile_cmake = os.path.join(build_dir, "CMakeFiles", "Makefile.cmake")
    with open(makefile_cmake, encoding="utf-8") as f:
        text = f.read()
    m = re.search(r"set\(CMAKE_MAKEFILE_DEPENDS\s*(.*?)\)", text, re.S)
    if not m:
        raise OSError(f"{makefile_cmake}: no CMAKE_MAKEFILE_DEPENDS")
    return re.findall(r'"([^"]+)"', m.group(1))


def used_files(build_dir):
    """{path: kind} of every absolute path the build read."""
    used = {}
    for kind, pattern in (("header", "**/*.o.d"), ("linker input", "**/*.ld.d")):
        for depfile in glob.glob(os.path.join(build_dir, pattern), recursive=True):
            for p in depfile_paths(depfile):
                # Relative names are the project's own: the compiler is handed absolute system
                # include directories, and ccache shortens only names under its base directory.
                if os.path.isabs(p):
                    used.setdefault(os.path.normpath(p), kind)
    for p in cmake_read_files(build_dir):
        if os.path.isabs(p):
            used.setdefault(os.path.normpath(p), "CMake file")
    return used


def owners_of_paths():
    """{path: package} from dpkg's file lists, read once (dpkg -S per file is slow)."""
    owner = {}
    for listfile in glob.glob(os.path.join(DPKG_INFO, "*.list")):
        package = os.path.basename(listfile)[: -len(".list")].split(":")[0]
        with open(listfile, encoding="utf-8", errors="surrogateescape") as f:
            for line in f:
                owner.setdefault(line.rstrip("\n"), package)
    return owner


def candidates(path):
    """The names under which dpkg may list a file: as used, resolved, and across the /usr merge."""
    names = [path, os.path.realpath(path)]
    out = []
    for n in names:
        out.append(n)
        m = re.match(r"^/usr(/(?:bin|sbin|lib|lib32|lib64|libx32)/.*)$", n)
        if m:
            out.append(m.group(1))
        elif re.match(r"^/(?:bin|sbin|lib|lib32|lib64|libx32)/", n):
            out.append("/usr" + n)
    return out


def owner_of(path, owner):
    for n in candidates(path):
        if n in owner:
            return owner[n]
    # A directory of symbolic links (say /usr/lib/x86_64-linux-gnu/qt6/mkspecs) may be listed
    # only by its real name; resolve the parent, keep the base name.
    parent = os.path.realpath(os.path.dirname(path))
    for n in candidates(os.path.join(parent, os.path.basename(path))):
        if n in owner:
            return owner[n]
    return None


def installed_packages():
    """{name: (essential, [alternatives, ...], [provided names])} of the installed packages."""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f",
         "${db:Status-Status}\t${Package}\t${Essential}\t${Depends}\t${Pre-Depends}\t${Provides}\n"],
        check=True, capture_output=True, text=True).stdout
    packages = {}
    for line in out.splitlines():
        status, name, essential, depends, pre_depends, provides = line.split("\t")
        if status != "installed":
            continue
        relations = [r for r in (depends + "," + pre_depends).split(",") if r.strip()]
        alternatives = [[relation_name(a) for a in r.split("|")] for r in relations]
        provided = [relation_name(p) for p in provides.split(",") if p.strip()]
        packages[name] = (essential == "yes", alternatives, provided)
    return packages


def relation_name(relation):
    """"libc6:any (>= 2.34) [amd64]" -> "libc6"."""
    return re.split(r"[\s(\[<]", relation.strip(), maxsplit=1)[0].split(":")[0]


def closure(roots, packages):
    providers = {}
    for name, (_, _, provided) in packages.items():
        for p in provided:
            providers.setdefault(p, []).append(name)

    def satisfying(name):
        if name in packages:
            return [name]
        return sorted(providers.get(name, []))

    covered = set()
    todo = list(roots) + [n for n, (essential, _, _) in packages.items() if essential]
    while todo:
        name = todo.pop()
        for real in satisfying(name):
            if real in covered:
                continue
            covered.add(real)
            for alternatives in packages[real][1]:
                for alt in alternatives:
                    found = satisfying(alt)
                    if found:
                        todo.extend(found)
                        break
    return covered


def listed_packages(install_script):
    out = subprocess.run(["bash", install_script, "--print"], check=True, capture_output=True,
                         text=True).stdout
    return [p for p in out.split() if p]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("source_dir")
    parser.add_argument("build_dir")
    parser.add_argument("--install-script", help="default: SOURCE_DIR/scripts/install-deps.sh")
    args = parser.parse_args()
    source_dir = os.path.realpath(args.source_dir)
    build_dir = os.path.realpath(args.build_dir)
    install_script = args.install_script or os.path.join(source_dir, "scripts", "install-deps.sh")

    try:
        used = used_files(build_dir)
        roots = listed_packages(install_script)
        packages = installed_packages()
    except (OSError, subprocess.CalledProcessError) as e:
        print(f"check-deps: {e}", file=sys.stderr)
        return 2
    if not any(kind == "header" for kind in used.values()):
        print(f"check-deps: no compiler dependency files under {build_dir}; build first",
              file=sys.stderr)
        return 2

    owner = owners_of_paths()
    covered = closure(roots, packages)
    missing = {}
    unowned = []
    for path, kind in sorted(used.items()):
        real = os.path.realpath(path)
        if any(p == d or p.startswith(d + os.sep) for p in (path, real)
               for d in (source_dir, build_dir)):
            continue
        package = owner_of(path, owner)
        if package is None:
            unowned.append((path, kind))
        elif package not in covered:
            missing.setdefault(package, []).append((path, kind))

    print(f"check-deps: {len(used)} files used by the build, {len(roots)} packages listed by "
          f"{os.path.basename(install_script)}, {len(covered)} with their dependencies")
    for package, files in sorted(missing.items()):
        print(f"{package}: not installed by {os.path.basename(install_script)}, yet the build uses")
        for path, kind in files:
            print(f"  {path} -> {package} ({kind})")
    for path, kind in unowned:
        print(f"  {path} -> no Debian package ({kind})")
    if missing or unowned:
        return 1
    print("check-deps: every file comes from a package the install script brings in")
    return 0


if __name__ == "__main__":
    sys.exit(main())
