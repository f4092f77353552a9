# Cases that need example files; sourced by cli_test.sh with $generate and $work set.
"$generate" "$work/good.jed"
"$generate" --corrupt-fuse 1000 "$work/damaged.jed"
expect info-good 0 'Fuse checksum:   file 0x([0-9A-F]{4}), computed 0x\1$' -- info "$work/good.jed"
expect info-damaged 1 'WARNING: the fuse checksum' -- info "$work/damaged.jed"
expect info-missing 1 '^Could not load file\.$' -- info "$work/missing.jed"
expect program-ok 0 '^Program success\. \([0-9]+\.[0-9]{3}sec\)$' -- --simulate program "$work/good.jed"
expect program-verify 3 '   Usercode mismatch : 1 / 32 bits' -- --simulate=usercode-flip=7 program "$work/good.jed"
expect program-cable 1 '^JTAG cable error\.$' -- --simulate=unplug-after-writes=100 program "$work/good.jed"
expect program-usage 2 'file is required' -- --simulate program
expect erase-ok 0 '^Erace success\. \([0-9]+\.[0-9]{3}sec\)$' -- --simulate=erase-busy=2 erase
expect erase-status 1 '^status error\.$' -- --simulate=status=config:0x10 erase
