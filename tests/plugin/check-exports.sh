#!/usr/bin/env bash
# Checks what the built plug-in exports and imports: the two entry points, and on Windows nothing
# but system DLLs (the C and C++ runtimes are linked in statically).
# Usage: check-exports.sh PLUGIN OBJDUMP
set -euo pipefail
plugin=$1 objdump=$2
fail() { echo "check-exports: $*" >&2; exit 1; }

case "$plugin" in
  *.dll)
    table=$("$objdump" -p "$plugin")
    exports=$(printf '%s\n' "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[ *[0-9]+\]' | awk '{print $NF}' | sort | tr '\n' ' ')
    [ "$exports" = "VSTPluginMain main " ] || fail "exports are '$exports'"
    imports=$(printf '%s\n' "$table" | grep 'DLL Name:' | awk '{print toupper($3)}' | sort -u)
    for dll in $imports; do
      case "$dll" in
        KERNEL32.DLL|USER32.DLL|GDI32.DLL|MSVCRT.DLL) ;;
        *) fail "imports non-system $dll" ;;
      esac
    done
    ;;
  *)
    exports=$(nm -D --defined-only "$plugin" | awk '$2 == "T" {print $3}' | sort | tr '\n' ' ')
    [ "$exports" = "VSTPluginMain main " ] || fail "exports are '$exports'"
    ;;
esac
echo "check-exports: $plugin exports VSTPluginMain and main${imports:+, imports only system DLLs}"
