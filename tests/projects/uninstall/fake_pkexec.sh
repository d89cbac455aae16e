#!/bin/sh
# Stand-in for pkexec, fixed into the uninstaller's test build. Appends its arguments, one per
# line and then a line "--end", to NV_FAKE_PKEXEC_LOG, then acts as NV_FAKE_PKEXEC says:
#   grant    run the command (the default)
#   dismiss  the user closed the password prompt: pkexec's 126
#   refuse   the rights were not granted: pkexec's 127
#   fail     the command ran and failed as rm does: 1
#   pretend  report success without doing anything
for argument in "$@"; do printf '%s\n' "$argument"; done >>"$NV_FAKE_PKEXEC_LOG"
printf '%s\n' --end >>"$NV_FAKE_PKEXEC_LOG"
case "${NV_FAKE_PKEXEC:-grant}" in
grant) exec "$@" ;;
dismiss) exit 126 ;;
refuse) exit 127 ;;
fail) exit 1 ;;
pretend) exit 0 ;;
esac
exit 2
