#!/bin/bash
# Installs the stand-in engine and the built-in page into a home folder,
# laid out the way VORL Vorudi looks for them. Leaves any existing engine alone.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 <home folder>" >&2
    exit 2
fi

source_folder="$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")" && pwd)"
engine_folder="$1/Library/Application Support/VORL Vorudi"
ai_folder="$engine_folder/_AI-analyse"

for existing in "$ai_folder/server.py" "$ai_folder/venv/bin/python" "$engine_folder/Auto-Vorudi.html"; do
    if [[ -e "$existing" || -L "$existing" ]]; then
        echo "An engine is already installed in $engine_folder; nothing changed."
        exit 0
    fi
done

# The system interpreter, not a version-manager shim: ask Python where it really lives.
if [[ -x /usr/bin/python3 ]]; then
    python=/usr/bin/python3
else
    python="$(python3 -c 'import os, sys; print(os.path.realpath(sys.executable))')"
fi
minor="$("$python" -c 'import sys; print(sys.version_info.minor)')"

mkdir -p "$ai_folder/venv/bin"
cp -- "$source_folder"/{server,engine_log,sounds,test_hooks,peer_process}.py "$ai_folder/"
cp -R -- "$source_folder/page" "$ai_folder/"
ln -s "$python" "$ai_folder/venv/bin/python"

system_bundle=/etc/ssl/certs/ca-certificates.crt
if [[ -e "$system_bundle" ]]; then
    certifi_folder="$ai_folder/venv/lib/python3.$minor/site-packages/certifi"
    mkdir -p "$certifi_folder"
    ln -s "$system_bundle" "$certifi_folder/cacert.pem"
fi

cp -- "$source_folder/Auto-Vorudi.html" "$source_folder/page/facilities.js" "$engine_folder/"

echo "Installed the stand-in engine in $ai_folder (Python: $python)"
echo "Installed the built-in page as $engine_folder/Auto-Vorudi.html"
