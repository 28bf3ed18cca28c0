#!/usr/bin/env bash
# Checks that the programs of the given build folders import only DLLs that
# every Windows has: the C and C++ runtimes are linked statically.
set -euo pipefail
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|SHLWAPI|OLE32|OLEAUT32|WININET|WINDOWSCODECS|COMCTL32|MSIMG32|MSVCRT|UXTHEME)\.DLL$'
status=0
for dir in "$@"; do
  for exe in "$dir"/ZarnWrapper.exe "$dir"/ZarnLauncher.exe; do
    case "$dir" in *i686*) objdump=i686-w64-mingw32-objdump ;; *) objdump=x86_64-w64-mingw32-objdump ;; esac
    while read -r dll; do
      if ! printf '%s\n' "$dll" | tr '[:lower:]' '[:upper:]' | grep -Eq "$allowed"; then
        echo "$exe imports $dll" >&2
        status=1
      fi
    done < <($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  done
done
[ $status -eq 0 ] && echo "ok: $*"
exit $status
