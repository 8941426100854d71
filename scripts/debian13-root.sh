#!/usr/bin/env bash
# Makes, once, the Debian 13 (trixie) root that the test suite can run in:
#   debian13-root.sh [DIR]   (as root)
# DIR defaults to $PANEL_DEBIAN13_ROOT or /var/cache/quarvel-panel/debian13-root.
# What goes into it, and how, is scripts/debian-root.sh; run commands in it with
# scripts/in-root.sh.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
exec "$here/scripts/debian-root.sh" trixie "$@"
