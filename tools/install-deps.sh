#!/usr/bin/env bash
# Installs the Debian packages of the named groups that are not installed yet:
#   tools/install-deps.sh run [test] [bench] ...
# Group "x" is every list tools/packages/x-*.txt: "run" for building and running the program,
# "test" for what the tests add, "bench" for the benchmark library and the peers compared
# against. Lines of a list are package names; "#" starts a comment.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [[ $# -eq 0 ]]; then
  echo "Usage: $0 GROUP... (groups: run, test, bench; see tools/packages)" >&2
  exit 2
fi

lists=()
for group in "$@"; do
  found=("$here"/packages/"$group"-*.txt)
  if [[ ! -e "${found[0]}" ]]; then
    echo "No package list for the group \"$group\" in $here/packages" >&2
    exit 2
  fi
  lists+=("${found[@]}")
done

wanted=$(sed -e 's/#.*//' "${lists[@]}" | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=()
for package in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  echo "Packages for $*: all installed"
  exit 0
fi

echo "Installing packages for $*: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Missing packages and no root rights: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
