#!/usr/bin/env bash
# Installs the Debian packages listed in tools/packages/*.txt that are not installed yet.
# One list per concern; lines are package names, "#" starts a comment.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

wanted=$(sed -e 's/#.*//' "$here"/packages/*.txt | tr -s ' \t' '\n' | grep -v '^$' | sort -u)
missing=()
for package in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Missing packages and no root rights: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
