#!/bin/sh
# QtWebKit loads the plug-in with RTLD_DEEPBIND, so a C-library data object the plug-in imports
# binds to the library's own copy, which goes stale when the host executable holds the live one
# through a copy relocation (python3 does for `environ`, so qutebrowser crashed in the file
# dialog). The one allowed is `__libc_single_threaded`: the C library keeps both copies current.
# Usage: imported_data_objects.sh PLUGIN.so
stale=$(readelf --dyn-syms -W "$1" |
    awk '$7 == "UND" && $4 == "OBJECT" && $8 ~ /@GLIBC_/ && $8 !~ /^__libc_single_threaded@/ {print $8}')
if [ -n "$stale" ]; then
    echo "the plug-in imports C-library data objects that a DEEPBIND host leaves stale: $stale"
    exit 1
fi
