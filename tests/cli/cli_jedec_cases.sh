# Cases that need example files; sourced by cli_test.sh with $generate and $work set.
"$generate" "$work/good.jed"
"$generate" --corrupt-fuse 1000 "$work/damaged.jed"
expect info-good 0 'Fuse checksum:   file 0x([0-9A-F]{4}), computed 0x\1$' -- info "$work/good.jed"
expect info-damaged 1 'WARNING: the fuse checksum' -- info "$work/damaged.jed"
expect info-missing 1 '^Could not load file\.$' -- info "$work/missing.jed"
