#!/bin/sh
# Writes the two images of the handler tests' resources.
set -e
here=$(dirname "$0")
tools=$here/../../../tools
/usr/bin/python3 "$tools/make_icon.py" "$here/images/desktop/npa.ico" 16
/usr/bin/python3 "$tools/make_icon.py" "$here/images/sample.PNG" 8
