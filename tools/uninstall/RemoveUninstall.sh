#!/bin/sh
# The unattended uninstall: removes what the installer made, without asking.
exec "$(dirname "$0")/Uninstall" --yes "$@"
